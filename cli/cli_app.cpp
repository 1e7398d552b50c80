#include "cli_app.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "cli_options.h"
#include "cli_placement.h"
#include "cli_progress.h"
#include "cli_render.h"
#include "cli_settings.h"
#include "cli_streams.h"
#include "image_io.h"
#include "interrupt.h"
#include "kelvo_version.h"
#include "replace_file.h"
#include "settings_file.h"

namespace cli {
namespace {

// Our paths are UTF-8 (on Windows too, where a plain string would be taken
// in the ANSI code page).
std::filesystem::path Utf8Path(const std::string& path) { return std::filesystem::u8path(path); }

void Report(std::FILE* err, const std::string& message) {
    std::fprintf(err, "kelvo-render: error: %s\n", message.c_str());
}

void Warn(std::FILE* err, const std::string& file, const std::vector<std::string>& messages) {
    for (const std::string& message : messages)
        std::fprintf(err, "kelvo-render: warning: '%s': %s\n", file.c_str(), message.c_str());
}

int Fail(std::FILE* err, int code, const std::string& message) {
    Report(err, message);
    if (code == kExitUsage) std::fprintf(err, "Try 'kelvo-render --help'.\n");
    return code;
}

// Reads the input, checks that the output's format can hold its channels and
// that the output can be written, all before the render is spent on it.
// Returns kExitOk, or the exit code with a message.
ExitCode ReadInput(const Options& options, const std::string& inputPath, const std::string& outputPath,
                   imageio::Image* input, std::FILE* err, std::string* error) {
    std::error_code ec;
    if (inputPath != kStandardStream && std::filesystem::is_directory(Utf8Path(inputPath), ec)) {
        *error = "'" + inputPath + "' is a folder, not an image file (to render every image in it, give its files"
                 " and --out-dir)";
        return kExitFailure;
    }
    if (!(inputPath == kStandardStream ? ReadStandardInput(input, error) : imageio::ReadImage(inputPath, input, error)))
        return kExitFailure;
    Warn(err, inputPath, input->metadata.notCarried);
    std::string why;
    if (!imageio::FormatHoldsChannels(OutputFormat(options, outputPath), input->channels, &why)) {
        *error = "'" + outputPath + "': " + why;
        return kExitUsage;
    }
    if (outputPath != kStandardStream && !kelvo::CanReplaceFile(outputPath.c_str(), &why)) {
        *error = "cannot write '" + outputPath + "': " + why;
        return kExitFailure;
    }
    return kExitOk;
}

// Renders the image and writes the output, with a progress bar on `err` for a
// large image when the options allow it.
bool RenderAndWrite(const FilterSettings& settings, const Options& options, const imageio::Image& input,
                    const std::string& inputPath, const std::string& outputPath, const std::string& label,
                    std::FILE* out, std::FILE* err, std::string* error) {
    const int64_t pixels = static_cast<int64_t>(input.width) * input.height;
    const bool showBar = !options.noProgress && pixels >= kProgressBarPixels && StreamIsTerminal(err);
    FilterSettings resolved;
    if (!SettingsForImage(settings, input.width, input.height, &resolved, error)) {
        *error = "'" + inputPath + "': " + *error;
        return false;
    }
    if (showBar) BeginProgressBar(err, label.c_str());
    imageio::Image output;
    const bool rendered = RenderImage(resolved, input, &output, showBar ? ProgressBarUpdate : nullptr, error);
    if (showBar) EndProgressBar();
    if (!rendered) {
        *error = "'" + inputPath + "': " + *error;
        return false;
    }
    std::vector<std::string> losses;
    imageio::EncodeOptions encode;
    encode.jpegQuality = options.quality;
    encode.losses = &losses;
    bool written = false;
    if (outputPath == kStandardStream) {
        std::vector<uint8_t> bytes;
        written = imageio::EncodeImage(output, OutputFormat(options, outputPath), &bytes, error, encode) &&
                  WriteToStream(out, bytes, error);
    } else {
        written = imageio::WriteImage(outputPath, output, error, encode);
    }
    if (written) Warn(err, outputPath, losses);
    return written;
}

// One image of an --out-dir run, from reading to writing. Returns false with
// a message.
bool RenderBatchFile(const FilterSettings& settings, const Options& options, const std::string& inputPath,
                     std::FILE* err, std::string* error) {
    std::string outputPath = OutputPathFor(options.outDir, inputPath);
    if (!options.format.empty())  // the output named as the input, with the format's extension
        outputPath = Utf8Path(outputPath).replace_extension(options.format).u8string();
    std::error_code ec;
    if (std::filesystem::equivalent(Utf8Path(inputPath), Utf8Path(outputPath), ec)) {
        *error = "'" + inputPath + "': the output would replace the input itself (choose another --out-dir)";
        return false;
    }
    if (imageio::FormatFromPath(outputPath) == imageio::ImageFormat::Unknown) {
        *error = "'" + inputPath + "': unknown image format for the output (use .png, .jpg, .ppm, .pgm or .pnm, or --format)";
        return false;
    }
    imageio::Image input;
    if (ReadInput(options, inputPath, outputPath, &input, err, error) != kExitOk) return false;
    const std::string label = std::string(FilterName(options.filter)) + " " + inputPath;
    return RenderAndWrite(settings, options, input, inputPath, outputPath, label, nullptr, err, error);
}

// "3 of 4 images written to DIR; 1 failed".
std::string BatchSummary(size_t written, size_t total, const std::string& outDir, size_t failed) {
    std::string text = std::to_string(written) + " of " + std::to_string(total) + " image" + (total == 1 ? "" : "s") +
                       " written to " + outDir;
    if (failed > 0) text += "; " + std::to_string(failed) + " failed";
    return text;
}

// Renders every input into the output folder; a failed file is reported and
// the rest are still done. Ends with a summary line on `out`.
int RunBatch(const FilterSettings& settings, const Options& options, std::FILE* out, std::FILE* err) {
    std::error_code ec;
    std::filesystem::create_directories(Utf8Path(options.outDir), ec);
    if (!std::filesystem::is_directory(Utf8Path(options.outDir), ec))
        return Fail(err, kExitFailure, "cannot make the output folder '" + options.outDir + "'");

    const size_t total = options.inputs.size();
    size_t done = 0, failed = 0;
    for (const std::string& inputPath : options.inputs) {
        // Should the run be stopped during this file, the files already
        // written stay and the note says how far it came.
        SetInterruptNote("kelvo-render: interrupted: " + BatchSummary(done - failed, total, options.outDir, failed));
        std::string error;
        if (!RenderBatchFile(settings, options, inputPath, err, &error)) {
            Report(err, error);
            ++failed;
        }
        ++done;
    }
    std::fprintf(out, "kelvo-render: %s\n", BatchSummary(total - failed, total, options.outDir, failed).c_str());
    return failed == 0 ? kExitOk : kExitFailure;
}

}  // namespace

int RunKelvoRender(int argc, const char* const argv[], std::FILE* out, std::FILE* err) {
    Options options;
    std::string error;
    if (!ParseCommandLine(argc, argv, &options, &error)) return Fail(err, kExitUsage, error);
    if (options.help) {
        std::fputs(UsageText().c_str(), out);
        return kExitOk;
    }
    if (options.version) {
        std::fputs("kelvo-render " KELVO_VERSION_TEXT "\n", out);
        return kExitOk;
    }

    FilterSettings settings;
    std::string warning;
    const ExitCode built = BuildSettings(options, &settings, &error, &warning);
    if (built != kExitOk) return Fail(err, built, error);
    if (!warning.empty()) std::fprintf(err, "kelvo-render: warning: %s\n", warning.c_str());
    if (options.list) {
        const bool given = !options.settingsFile.empty() || !options.assignments.empty();
        std::fputs(ListSettings(options.filter, given ? &settings : nullptr).c_str(), out);
        return kExitOk;
    }

    imageio::Image input;
    const bool renderOne = !options.input.empty();
    if (renderOne) {
        const ExitCode read = ReadInput(options, options.input, options.output, &input, err, &error);
        if (read != kExitOk) return Fail(err, read, error);
    }

    if (!options.saveSettingsFile.empty() &&
        !flare::SaveSettingsFile(options.saveSettingsFile.c_str(), settings.flare, &error))
        return Fail(err, kExitFailure, "cannot write settings file '" + options.saveSettingsFile + "': " + error);
    if (!options.saveSettingsFile.empty() && (settings.relativeX.given || settings.relativeY.given))
        Warn(err, options.saveSettingsFile,
             {"a settings file holds the flare centre in pixels: the percentage given is not saved"});
    if (!options.inputs.empty()) return RunBatch(settings, options, out, err);
    if (!renderOne) return kExitOk;

    SetInterruptNote("kelvo-render: interrupted; '" + options.output + "' left as it was");
    if (!RenderAndWrite(settings, options, input, options.input, options.output, FilterName(options.filter), out, err,
                        &error))
        return Fail(err, kExitFailure, error);
    return kExitOk;
}

}  // namespace cli
