#include "cli_app.h"

#include <string>

#include "cli_options.h"
#include "cli_progress.h"
#include "cli_render.h"
#include "cli_settings.h"
#include "image_io.h"
#include "replace_file.h"
#include "settings_file.h"

namespace cli {
namespace {

int Fail(std::FILE* err, int code, const std::string& message) {
    std::fprintf(err, "kelvo-render: error: %s\n", message.c_str());
    if (code == kExitUsage) std::fprintf(err, "Try 'kelvo-render --help'.\n");
    return code;
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
    if (options.list) {
        std::fputs(ListSettings(options.filter).c_str(), out);
        return kExitOk;
    }

    FilterSettings settings;
    const ExitCode built = BuildSettings(options, &settings, &error);
    if (built != kExitOk) return Fail(err, built, error);

    imageio::Image input;
    const bool render = !options.input.empty();
    if (render) {
        if (!imageio::ReadImage(options.input, &input, &error)) return Fail(err, kExitFailure, error);
        if (!imageio::FormatHoldsChannels(imageio::FormatFromPath(options.output), input.channels, &error))
            return Fail(err, kExitUsage, "'" + options.output + "': " + error);
        // Know that the result can be stored before spending the render on it.
        if (!kelvo::CanReplaceFile(options.output.c_str(), &error))
            return Fail(err, kExitFailure, "cannot write '" + options.output + "': " + error);
    }

    if (!options.saveSettingsFile.empty() &&
        !flare::SaveSettingsFile(options.saveSettingsFile.c_str(), settings.flare, &error))
        return Fail(err, kExitFailure, "cannot write settings file '" + options.saveSettingsFile + "': " + error);
    if (!render) return kExitOk;

    const int64_t pixels = static_cast<int64_t>(input.width) * input.height;
    const bool showBar = !options.noProgress && pixels >= kProgressBarPixels && StreamIsTerminal(err);
    if (showBar) BeginProgressBar(err, FilterName(options.filter));
    imageio::Image output;
    const bool rendered = RenderImage(settings, input, &output, showBar ? ProgressBarUpdate : nullptr, &error);
    if (showBar) EndProgressBar();
    if (!rendered) return Fail(err, kExitFailure, "'" + options.input + "': " + error);

    if (!imageio::WriteImage(options.output, output, &error)) return Fail(err, kExitFailure, error);
    return kExitOk;
}

}  // namespace cli
