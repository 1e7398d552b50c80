// The command line of kelvo-render: what the user asked for, parsed and checked
// for form. Names and values of settings are checked later, against the chosen
// filter's settings table (cli_settings.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "enlargement_range.h"
#include "filter_list.h"
#include "image_io.h"

namespace kelvo::cli {

// The factors --scale takes, and the widest --scale-from.
constexpr double kMinScale = kMinEnlargement;
constexpr double kMaxScale = kMaxEnlargement;
constexpr int32_t kMaxScaleFrom = kMaxAreaSide;

// "0.05 to 64": the --scale factors, for messages.
std::string ScaleRange();

// Exit status of the program.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,  // a file could not be read or written
    kExitUsage = 2,    // the command line is wrong: options, setting names, values
};

struct SettingAssignment {
    std::string name;   // a field of the filter's settings record
    std::string value;  // its value as typed
};

struct Options {
    const FilterDescription* filter = AllFilters().filters[0];  // --filter: the first of the list unless named
    std::string input;                           // image to read (one-image run)
    std::string output;                          // image to write; its extension picks the format
    std::vector<std::string> inputs;             // images to read (--out-dir run), in command-line order
    std::string outDir;                          // --out-dir: folder for the outputs, named as the inputs
    std::string settingsFile;                    // --settings: the filter's settings file, applied first
    std::string saveSettingsFile;                // --save-settings: where to write the resulting settings
    std::vector<SettingAssignment> assignments;  // --set, in command-line order
    std::string format;                          // --format: output format by name, for "-" or a bare name
    int quality = 92;                            // --quality: JPEG quality 1..100
    double scale = 1.0;                          // --scale: the filter drawn this many times larger
    int32_t scaleFrom = 0;                       // --scale-from: the width a preset was made on (0: none)
    bool help = false;
    bool list = false;
    bool noProgress = false;
    bool version = false;
};

// Parses argv[1..argc-1]. Options may come before, between or after the file
// names; "--opt value" and "--opt=value" are the same; "--" ends the options.
// Without --out-dir the file names are one input and one output; with it, one
// or more inputs, each written into the folder under its own file name.
// Returns false with a message when the command line is malformed: an unknown
// option, a missing option value, a --set without "name=", an unknown filter,
// a settings-file option with a filter that has no settings file, --scale
// with --scale-from, an output name without a known image extension, a
// missing or an extra file name. --help, --version and --list need no file
// names (and take none into account), nor does --save-settings given alone
// (it only writes the settings).
bool ParseCommandLine(int argc, const char* const argv[], Options* options, std::string* error);

// "-" as an input or output file name: standard input or output.
constexpr const char* kStandardStream = "-";

// The output format for a path: --format when given, else the extension.
image::ImageFormat OutputFormat(const Options& options, const std::string& path);

// Where an --out-dir run writes `input`: the folder joined with the input's
// file name (the part after its last slash or backslash).
std::string OutputPathFor(const std::string& outDir, const std::string& input);

// The text that --help prints.
std::string UsageText();

}  // namespace kelvo::cli
