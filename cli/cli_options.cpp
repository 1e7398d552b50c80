#include "cli_options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "filter_list.h"
#include "image_io.h"
#include "nearest_name.h"

namespace kelvo::cli {
namespace {

// Options that take a value.
enum class ValueOption { None, Filter, Settings, SaveSettings, Set, OutDir, Format, Quality, Scale, ScaleFrom };

ValueOption ValueOptionNamed(const std::string& name) {
    if (name == "--filter") return ValueOption::Filter;
    if (name == "--settings") return ValueOption::Settings;
    if (name == "--save-settings") return ValueOption::SaveSettings;
    if (name == "--set") return ValueOption::Set;
    if (name == "--out-dir") return ValueOption::OutDir;
    if (name == "--format") return ValueOption::Format;
    if (name == "--quality") return ValueOption::Quality;
    if (name == "--scale") return ValueOption::Scale;
    if (name == "--scale-from") return ValueOption::ScaleFrom;
    return ValueOption::None;
}

// Every option, for "did you mean".
constexpr const char* kOptionNames[] = {"--filter", "--settings", "--save-settings", "--set",     "--out-dir",
                                        "--format", "--quality",  "--scale", "--scale-from",         "--list",    "--no-progress",
                                        "--version", "--help"};

std::string UnknownOption(const std::string& arg, const std::string& name) {
    std::string error = "unknown option '" + arg + "'";
    const char* nearest = kelvo::NearestName(name.c_str(), kOptionNames, static_cast<int>(std::size(kOptionNames)));
    if (nearest != nullptr) error += "; did you mean '" + std::string(nearest) + "'?";
    return error;
}


// The whole text as a finite number, or false.
bool ParseNumber(const std::string& text, double* value) {
    const char* start = text.c_str();
    char* end = nullptr;
    *value = std::strtod(start, &end);
    return end != start && *end == '\0' && std::isfinite(*value);
}

// The text without the blanks at its ends ("flareSize = 5" names flareSize).
std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The last part of a path: its file name.
std::string FileNamePart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The inputs of an --out-dir run: at least one, each naming a file. Whether
// two of them would be written as one file is judged with the whole run's
// plan (run_plan.h).
bool CheckBatchInputs(const std::vector<std::string>& files, std::string* error) {
    if (files.empty()) {
        *error = "missing input image";
        return false;
    }
    for (const std::string& file : files) {
        if (file.empty() || FileNamePart(file).empty()) {
            *error = "'" + file + "' names no file";
            return false;
        }
    }
    return true;
}

bool ChooseFilter(const std::string& value, Options* options, std::string* error) {
    options->filter = FindFilter(value);
    if (options->filter != nullptr) return true;
    *error = "unknown filter '" + value + "' (choose " + FilterNames(" or ") + ")";
    return false;
}

// --settings, --save-settings and --out-dir: a name, given once.
bool StorePath(ValueOption option, const std::string& name, const std::string& value, Options* options,
               std::string* error) {
    std::string& slot = option == ValueOption::Settings       ? options->settingsFile
                        : option == ValueOption::SaveSettings ? options->saveSettingsFile
                                                              : options->outDir;
    if (value.empty()) {
        *error = name + (option == ValueOption::OutDir ? " needs a folder name" : " needs a file name");
        return false;
    }
    if (!slot.empty()) {
        *error = name + " is given twice";
        return false;
    }
    slot = value;
    return true;
}

bool StoreAssignment(const std::string& value, Options* options, std::string* error) {
    const size_t eq = value.find('=');
    if (eq == std::string::npos || eq == 0) {
        *error = "--set takes NAME=VALUE, not '" + value + "'";
        return false;
    }
    options->assignments.push_back({TrimBlanks(value.substr(0, eq)), value.substr(eq + 1)});
    return true;
}

bool StoreFormat(const std::string& value, Options* options, std::string* error) {
    const std::string probe = "x." + value;
    if (value.find('.') != std::string::npos || image::FormatFromPath(probe) == image::ImageFormat::Unknown) {
        *error = "unknown --format '" + value + "' (choose " KELVO_OUTPUT_FORMATS ")";
        return false;
    }
    options->format = value;
    return true;
}

bool StoreQuality(const std::string& value, Options* options, std::string* error) {
    double q = 0;
    if (!ParseNumber(value, &q) || q != std::floor(q) || q < 1 || q > 100) {
        *error = "--quality takes a whole number from 1 to 100, not '" + value + "'";
        return false;
    }
    options->quality = static_cast<int>(q);
    return true;
}

bool StoreScale(const std::string& value, Options* options, std::string* error) {
    double f = 0;
    if (!ParseNumber(value, &f) || f < kMinScale || f > kMaxScale) {
        *error = "--scale takes a number from " + ScaleRange() + ", not '" + value + "'";
        return false;
    }
    options->scale = f;
    return true;
}

bool StoreScaleFrom(const std::string& value, Options* options, std::string* error) {
    double w = 0;
    if (!ParseNumber(value, &w) || w != std::floor(w) || w < 1 || w > kMaxScaleFrom) {
        *error = "--scale-from takes a width in pixels from 1 to " + std::to_string(kMaxScaleFrom) + ", not '" +
                 value + "'";
        return false;
    }
    options->scaleFrom = static_cast<int32_t>(w);
    return true;
}

bool StoreValue(ValueOption option, const std::string& name, const std::string& value, Options* options,
                std::string* error) {
    switch (option) {
        case ValueOption::Filter:
            return ChooseFilter(value, options, error);
        case ValueOption::Settings:
        case ValueOption::SaveSettings:
        case ValueOption::OutDir:
            return StorePath(option, name, value, options, error);
        case ValueOption::Set:
            return StoreAssignment(value, options, error);
        case ValueOption::Format:
            return StoreFormat(value, options, error);
        case ValueOption::Quality:
            return StoreQuality(value, options, error);
        case ValueOption::Scale:
            return StoreScale(value, options, error);
        case ValueOption::ScaleFrom:
            return StoreScaleFrom(value, options, error);
        case ValueOption::None:
            break;
    }
    return false;
}

// The options without a value; false for any other argument.
bool SetFlag(const std::string& arg, Options* options) {
    if (arg == "--help" || arg == "-h") {
        options->help = true;
    } else if (arg == "--list") {
        options->list = true;
    } else if (arg == "--version") {
        options->version = true;
    } else if (arg == "--no-progress") {
        options->noProgress = true;
    } else {
        return false;
    }
    return true;
}

// Reads the arguments in order: the options into *options, the rest into
// the file names.
bool ReadArguments(int argc, const char* const argv[], Options* options, std::vector<std::string>* files,
                   std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files->push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (SetFlag(arg, options)) continue;
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const ValueOption option = ValueOptionNamed(name);
        if (option == ValueOption::None) {
            *error = UnknownOption(arg, name);
            return false;
        }
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < argc && argv[i + 1] != nullptr) {
            value = argv[++i];
        } else {
            *error = name + " needs a value";
            return false;
        }
        if (!StoreValue(option, name, value, options, error)) return false;
    }
    return true;
}

// Refuses the settings files for a filter without one, naming the filters
// that have one: "settings files hold flare settings: --settings and
// --save-settings go with --filter flare".
std::string SettingsFileRefusal(const FilterDescription& chosen) {
    std::string held, filters;
    for (const FilterDescription* filter : AllFilters()) {
        if (filter->settingsFile == nullptr) continue;
        if (!held.empty()) held += " or ", filters += " or ";
        held += filter->name;
        filters += std::string("--filter ") + filter->name;
    }
    if (held.empty()) return std::string("the ") + chosen.name + " filter has no settings files";
    return "settings files hold " + held + " settings: --settings and --save-settings go with " + filters;
}

// The options that go with others or with some filters only: --scale or
// --scale-from, and the settings files.
bool CheckFilterOptions(const Options& options, std::string* error) {
    if (options.scale != 1.0 && options.scaleFrom != 0) {
        *error = "give --scale or --scale-from, not both";
        return false;
    }
    if (options.filter->settingsFile == nullptr &&
        (!options.settingsFile.empty() || !options.saveSettingsFile.empty())) {
        *error = SettingsFileRefusal(*options.filter);
        return false;
    }
    return true;
}

// The file names of an --out-dir run: the inputs.
bool TakeBatchInputs(const std::vector<std::string>& files, Options* options, std::string* error) {
    if (options->list) return true;
    if (files.empty() && !options->saveSettingsFile.empty()) return true;
    if (!CheckBatchInputs(files, error)) return false;
    for (const std::string& file : files)
        if (file == kStandardStream) {
            *error = "'-' (standard input) cannot be one of the inputs of an --out-dir run";
            return false;
        }
    options->inputs = files;
    return true;
}

// The output's format: named by --format or its extension, and not both
// naming different ones.
bool CheckOutputFormat(const Options& options, std::string* error) {
    if (!options.format.empty() && image::FormatFromPath(options.output) != image::ImageFormat::Unknown &&
        image::FormatFromPath(options.output) != OutputFormat(options, options.output)) {
        *error = "output '" + options.output + "': its extension names another format than --format " + options.format;
        return false;
    }
    if (OutputFormat(options, options.output) == image::ImageFormat::Unknown) {
        *error = options.output == kStandardStream
                     ? "output '-' (standard output) needs --format " KELVO_OUTPUT_FORMATS
                     : "output '" + options.output + "': unknown image format (use " KELVO_OUTPUT_EXTENSIONS ", or --format)";
        return false;
    }
    return true;
}

// The file names of a one-image run: the input and the output.
bool TakeInputAndOutput(const std::vector<std::string>& files, Options* options, std::string* error) {
    if (files.size() > 2) {
        *error = "too many file names ('" + files[2] + "'): give one input and one output image, or --out-dir";
        return false;
    }
    if (options->list) return true;
    if (files.empty() && !options->saveSettingsFile.empty()) return true;
    if (files.size() < 2) {
        *error = files.empty() ? "missing input and output image" : "missing output image";
        return false;
    }
    options->input = files[0];
    options->output = files[1];
    if (options->input.empty() || options->output.empty()) {
        *error = "empty file name";
        return false;
    }
    return CheckOutputFormat(*options, error);
}

}  // namespace

std::string ScaleRange() {
    char text[64];
    std::snprintf(text, sizeof text, "%g to %g", kMinScale, kMaxScale);
    return text;
}

bool ParseCommandLine(int argc, const char* const argv[], Options* options, std::string* error) {
    *options = Options{};
    std::vector<std::string> files;
    if (!ReadArguments(argc, argv, options, &files, error)) return false;
    if (options->help || options->version) return true;
    if (!CheckFilterOptions(*options, error)) return false;
    if (!options->outDir.empty()) return TakeBatchInputs(files, options, error);
    return TakeInputAndOutput(files, options, error);
}

image::ImageFormat OutputFormat(const Options& options, const std::string& path) {
    if (!options.format.empty()) return image::FormatFromPath("x." + options.format);
    return image::FormatFromPath(path);
}

std::string OutputPathFor(const std::string& outDir, const std::string& input) {
    std::string path = outDir;
    if (path.find_last_of("/\\") != path.size() - 1) path += '/';
    return path + FileNamePart(input);
}

std::string UsageText() {
    return "Usage: kelvo-render [options] INPUT OUTPUT\n"
           "       kelvo-render [options] --out-dir DIR INPUT...\n"
           "\n"
           "Applies the lens flare (or the glow) to an image, with the same renderer the\n"
           "plug-in modules use, as a final run at full size over the whole image.\n"
           "\n"
           "INPUT   a PNG (8 or 16 bits), JPEG, TIFF (8, 16 or 32-bit float), binary PGM\n"
           "        (P5) or PPM (P6) file;\n"
           "        - reads standard input\n"
           "OUTPUT  " KELVO_OUTPUT_EXTENSIONS "; the extension picks the format;\n"
           "        - writes standard output (with --format)\n"
           "\n"
           "16-bit images stay 16-bit (PNG, TIFF, netpbm), float TIFF stays float:\n"
           "pixels the filter leaves alone keep their values. The colour profile,\n"
           "EXIF, XMP, text, resolution and gamma are\n"
           "carried to the output where its format holds them; what is dropped is named.\n"
           "\n"
           "With --out-dir, every INPUT is rendered with the same settings and written\n"
           "into DIR under its own file name (DIR is made if missing). A file that fails\n"
           "is reported and the others are still done; a summary line follows.\n"
           "\n"
           "Options:\n"
           "  --filter flare|glow     the filter to apply (default: flare)\n"
           "  --set NAME=VALUE        set one setting; repeat as needed (see --list);\n"
           "                          positionX/positionY also as N% of each image\n"
           "  --settings FILE.lns     start from a flare settings file; --set options\n"
           "                          are applied after it\n"
           "  --save-settings FILE    write the resulting flare settings as a .lns file;\n"
           "                          without INPUT and OUTPUT nothing else is done\n"
           "  --scale F               draw the flare F times larger (0.05..64): its sizes\n"
           "                          and pixel positions, for a preset made on a\n"
           "                          smaller picture; the glow's level F times (up to\n"
           "                          120 pixels), as the GEGL operation's scale does\n"
           "  --scale-from W          the same, with F = each image's width / W: a preset\n"
           "                          made on a W-pixel-wide picture looks the same on\n"
           "                          photos of any size (presets/*.lns: 640)\n"
           "  --out-dir DIR           write each INPUT as DIR/<its file name>\n"
           "  --quality N             JPEG quality, 1..100 (default 92; above 90 the\n"
           "                          colour keeps full resolution)\n"
           "  --format png|jpg|tif|ppm|pgm|pnm  output format when OUTPUT has no extension\n"
           "  --list                  list the filter's settings (after --settings FILE:\n"
           "                          that file's values), ranges, units and meaning\n"
           "  --no-progress           no progress bar (shown on a terminal for images of\n"
           "                          a megapixel or more)\n"
           "  --version               the version number\n"
           "  -h, --help              this text\n"
           "\n"
           "Exit status: 0 success, 1 a file could not be read or written (with\n"
           "--out-dir: at least one image failed),\n"
           "2 a wrong command line, setting name or value, or a run that would write\n"
           "an output over an input, two outputs as one file or the settings file over\n"
           "an image (nothing is written then); when interrupted, 128 + the\n"
           "signal (130 for Ctrl-C), on Windows 0xC000013A, with the output untouched.\n"
           "\n"
           "Examples:\n"
           "  kelvo-render photo.jpg flare.jpg --set positionX=70% --set positionY=25%\n"
           "  kelvo-render --settings presets/star.lns --scale-from 640 --out-dir out photos/*.jpg\n"
           "  kelvo-render --filter glow --set glowLevel=20 scan.png glow.png\n"
           "  kelvo-render --settings presets/star.lns --list\n"
           "  kelvo-render --format jpg - - < photo.png > flare.jpg\n";
}

}  // namespace kelvo::cli
