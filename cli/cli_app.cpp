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
#include "run_plan.h"

namespace kelvo::cli {
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
                   kelvo::LinkRule links, image::Image* input, std::FILE* err, std::string* error) {
    std::error_code ec;
    if (inputPath != kStandardStream && std::filesystem::is_directory(Utf8Path(inputPath), ec)) {
        *error = "'" + inputPath + "' is a folder, not an image file (to render every image in it, give its files"
                 " and --out-dir)";
        return kExitFailure;
    }
    // The output's format judges the header too: its channels and its
    // writer's size limit, before anything is decoded.
    ExitCode refused = kExitOk;
    const image::ShapeCheck outputTakes = [&](const image::ImageShape& shape, std::string* why) {
        if (image::FormatCanWrite(OutputFormat(options, outputPath), shape, why)) return true;
        *why = "'" + outputPath + "': " + *why;
        std::string ignored;
        const bool holds = image::FormatHoldsChannels(OutputFormat(options, outputPath), shape.channels, &ignored);
        refused = holds ? kExitFailure : kExitUsage;
        return false;
    };
    if (!(inputPath == kStandardStream ? ReadStandardInput(input, error, outputTakes)
                                       : image::ReadImage(inputPath, input, error, outputTakes)))
        return refused != kExitOk ? refused : kExitFailure;
    Warn(err, inputPath, input->metadata.notCarried);
    std::string why;
    // The header's judgement again on the decoded image, should a decoder
    // give other channels than its header promised.
    if (!image::FormatHoldsChannels(OutputFormat(options, outputPath), input->channels, &why)) {
        *error = "'" + outputPath + "': " + why;
        return kExitUsage;
    }
    if (outputPath != kStandardStream && !kelvo::CanReplaceFile(outputPath.c_str(), &why, links)) {
        *error = "cannot write '" + outputPath + "': " + why;
        return kExitFailure;
    }
    return kExitOk;
}

// Renders the image and writes the output, with a progress bar on `err` for a
// large image when the options allow it. The input is let go once rendered,
// so that it and the encoder's buffers are never held at once.
bool RenderAndWrite(const FilterSettings& settings, const Options& options, image::Image input,
                    const std::string& inputPath, const std::string& outputPath, kelvo::LinkRule links,
                    const std::string& label, std::FILE* out, std::FILE* err, std::string* error) {
    const int64_t pixels = static_cast<int64_t>(input.width) * input.height;
    const bool showBar = !options.noProgress && pixels >= kProgressBarPixels && StreamIsTerminal(err);
    FilterSettings resolved;
    if (!SettingsForImage(settings, input.width, input.height, &resolved, error)) {
        *error = "'" + inputPath + "': " + *error;
        return false;
    }
    if (showBar) BeginProgressBar(err, label.c_str());
    image::Image output;
    const bool rendered = RenderImage(resolved, input, &output, showBar ? ProgressBarUpdate : nullptr, error);
    if (showBar) EndProgressBar();
    if (!rendered) {
        *error = "'" + inputPath + "': " + *error;
        return false;
    }
    input = image::Image{};
    std::vector<std::string> losses;
    image::EncodeOptions encode;
    encode.jpegQuality = options.quality;
    encode.losses = &losses;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!image::EncodeImage(output, OutputFormat(options, outputPath), &bytes, &why, encode)) {
        *error = "'" + outputPath + "': " + why;
        return false;
    }
    if (outputPath == kStandardStream) {
        if (!WriteToStream(out, bytes, error)) return false;
    } else if (!kelvo::ReplaceFileContents(outputPath.c_str(), bytes.data(), bytes.size(), &why, links)) {
        *error = "cannot write '" + outputPath + "': " + why;
        return false;
    }
    Warn(err, outputPath, losses);
    return true;
}

// One image of an --out-dir run, from reading to writing. Returns false with
// a message.
bool RenderBatchFile(const FilterSettings& settings, const Options& options, const std::string& inputPath,
                     const std::string& outputPath, std::FILE* err, std::string* error) {
    if (outputPath.empty()) {
        *error = "'" + inputPath + "': unknown image format for the output (use " KELVO_OUTPUT_EXTENSIONS ", or --format)";
        return false;
    }
    image::Image input;
    if (ReadInput(options, inputPath, outputPath, kelvo::LinkRule::Refuse, &input, err, error) != kExitOk) return false;
    const std::string label = std::string(options.filter->name) + " " + inputPath;
    return RenderAndWrite(settings, options, std::move(input), inputPath, outputPath, kelvo::LinkRule::Refuse, label, nullptr,
                          err, error);
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
int RunBatch(const FilterSettings& settings, const Options& options, const RunPlan& plan, std::FILE* out,
             std::FILE* err) {
    std::error_code ec;
    std::filesystem::create_directories(Utf8Path(options.outDir), ec);
    std::error_code probe;
    if (!std::filesystem::is_directory(Utf8Path(options.outDir), probe)) {
        const std::string why = ec ? ec.message() : "a file of that name is in the way";
        return Fail(err, kExitFailure, "cannot make the output folder '" + options.outDir + "': " + why);
    }

    const size_t total = plan.inputs.size();
    size_t done = 0, failed = 0;
    for (size_t i = 0; i < total; ++i) {
        // Should the run be stopped during this file, the files already
        // written stay and the note says how far it came.
        const std::string interrupted = "kelvo-render: interrupted: ";
        SetInterruptNotes(interrupted + BatchSummary(done - failed, total, options.outDir, failed),
                          interrupted + BatchSummary(done - failed + 1, total, options.outDir, failed));
        std::string error;
        if (!RenderBatchFile(settings, options, plan.inputs[i], plan.outputs[i], err, &error)) {
            Report(err, error);
            ++failed;
        }
        ++done;
    }
    std::fprintf(out, "kelvo-render: %s\n", BatchSummary(total - failed, total, options.outDir, failed).c_str());
    return failed == 0 ? kExitOk : kExitFailure;
}

// Writes the --save-settings file, the run's last write: the record as the
// run draws it at --scale (the flare keeps that in its run state), with no
// percentage resolved.
int SaveSettings(const FilterSettings& settings, const Options& options, const std::string& imagesWritten,
                 std::FILE* err) {
    const std::string& path = options.saveSettingsFile;
    const std::string before = "kelvo-render: interrupted; " + imagesWritten;
    SetInterruptNotes(before + "'" + path + "' left as it was", before + "'" + path + "' written");
    const SettingsFileFormat& format = *settings.filter->settingsFile;
    FilterSettings saved = settings;
    EnlargeLook(*saved.filter, SettingsRecord(&saved), saved.scale);
    char why[kelvo::kFileReasonSize] = "";
    if (!format.write(path.c_str(), SettingsRecord(saved), why, sizeof why))
        return Fail(err, kExitFailure, "cannot write settings file '" + path + "': " + why);
    if (settings.relativeX.given || settings.relativeY.given)
        Warn(err, path, {std::string("a settings file holds ") + format.pixelPositions +
                         " in pixels: the percentage given is not saved"});
    return kExitOk;
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
        std::fputs(ListSettings(*options.filter, given ? &settings : nullptr).c_str(), out);
        return kExitOk;
    }

    // Nothing is written before the whole run is judged.
    const RunPlan plan = PlanRun(options);
    if (!CheckRunPlan(plan, &error)) {
        Report(err, error);  // the paths are the user's choice, not a misuse of the options
        return kExitUsage;
    }
    const bool saveSettings = !options.saveSettingsFile.empty();
    if (saveSettings && !plan.inputs.empty() && !kelvo::CanReplaceFile(options.saveSettingsFile.c_str(), &error))
        return Fail(err, kExitFailure, "cannot write settings file '" + options.saveSettingsFile + "': " + error);

    std::string imagesWritten;  // for the interrupt note of the settings file
    if (plan.batch) {
        const int status = RunBatch(settings, options, plan, out, err);
        if (status != kExitOk) {
            if (saveSettings)
                Report(err, "settings file '" + options.saveSettingsFile + "' not written, as not every image was");
            return status;
        }
        imagesWritten = "the images written, ";
    } else if (!plan.inputs.empty()) {
        image::Image input;
        const ExitCode read =
            ReadInput(options, options.input, options.output, kelvo::LinkRule::Follow, &input, err, &error);
        if (read != kExitOk) return Fail(err, read, error);
        SetInterruptNotes("kelvo-render: interrupted; '" + options.output + "' left as it was",
                          "kelvo-render: interrupted; '" + options.output + "' was already written");
        if (!RenderAndWrite(settings, options, std::move(input), options.input, options.output, kelvo::LinkRule::Follow,
                            options.filter->name, out, err, &error))
            return Fail(err, kExitFailure, error);
        imagesWritten = "'" + options.output + "' written, ";
    }
    return saveSettings ? SaveSettings(settings, options, imagesWritten, err) : kExitOk;
}

}  // namespace kelvo::cli
