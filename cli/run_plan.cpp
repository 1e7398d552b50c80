#include "run_plan.h"

#include <filesystem>

#include "file_identity.h"
#include "replace_file.h"

namespace kelvo::cli {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

bool IsFile(const std::string& path) { return !path.empty() && path != kStandardStream; }

}  // namespace

std::string BatchOutputPath(const Options& options, const std::string& input) {
    std::string output = OutputPathFor(options.outDir, input);
    if (!options.format.empty())  // the output named as the input, with the format's extension
        output = std::filesystem::u8path(output).replace_extension(options.format).u8string();
    return output;
}

RunPlan PlanRun(const Options& options) {
    RunPlan plan;
    plan.settingsFile = options.saveSettingsFile;
    plan.batch = !options.inputs.empty();
    if (plan.batch) {
        plan.inputs = options.inputs;
        for (const std::string& input : options.inputs) {
            const std::string output = BatchOutputPath(options, input);
            plan.outputs.push_back(image::FormatFromPath(output) == image::ImageFormat::Unknown ? "" : output);
        }
    } else if (!options.input.empty()) {
        plan.inputs = {options.input};
        plan.outputs = {options.output};
    }
    return plan;
}

bool CheckRunPlan(const RunPlan& plan, std::string* error) {
    const size_t n = plan.inputs.size();
    std::vector<FileKey> in(n), out(n);
    for (size_t i = 0; i < n; ++i) {
        if (IsFile(plan.inputs[i])) in[i] = KeyOfPath(plan.inputs[i]);
        if (IsFile(plan.outputs[i])) out[i] = KeyOfPath(plan.outputs[i]);
    }
    for (size_t i = 0; i < n; ++i) {
        if (!IsFile(plan.outputs[i])) continue;
        if (plan.batch && IsSymbolicLink(plan.outputs[i])) {
            *error = "the output " + Quoted(plan.outputs[i]) + " of " + Quoted(plan.inputs[i]) + ": " +
                     kelvo::kLinkReason + " (an --out-dir run writes only inside its folder; remove the link)";
            return false;
        }
        for (size_t j = 0; plan.batch && j < n; ++j) {
            if (IsFile(plan.inputs[j]) && SameFile(out[i], in[j])) {
                *error = "the output " + Quoted(plan.outputs[i]) + " of " + Quoted(plan.inputs[i]) +
                         " would replace the input " + Quoted(plan.inputs[j]) + " (choose another --out-dir)";
                return false;
            }
        }
        for (size_t j = 0; j < i; ++j) {
            if (IsFile(plan.outputs[j]) && SameFile(out[i], out[j])) {
                *error = Quoted(plan.inputs[j]) + " and " + Quoted(plan.inputs[i]) + " would both be written as " +
                         Quoted(plan.outputs[j]) +
                         (plan.outputs[i] != plan.outputs[j] ? " and " + Quoted(plan.outputs[i]) + ", one file" : "");
                return false;
            }
        }
    }
    if (!IsFile(plan.settingsFile)) return true;
    const FileKey settings = KeyOfPath(plan.settingsFile);
    for (size_t i = 0; i < n; ++i) {
        const bool isInput = IsFile(plan.inputs[i]) && SameFile(settings, in[i]);
        if (isInput || (IsFile(plan.outputs[i]) && SameFile(settings, out[i]))) {
            *error = "the settings file " + Quoted(plan.settingsFile) + " would replace the " +
                     (isInput ? "input image " + Quoted(plan.inputs[i]) : "output image " + Quoted(plan.outputs[i]));
            return false;
        }
    }
    return true;
}

}  // namespace kelvo::cli
