// Every file a run reads and writes, judged together before anything is
// written: the input images, each output under the name it will be written
// as (after --out-dir and --format), and the --save-settings file.
#pragma once

#include <string>
#include <vector>

#include "cli_options.h"

namespace kelvo::cli {

struct RunPlan {
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;  // outputs[i] is inputs[i]'s; "" when it has no known format
    std::string settingsFile;          // --save-settings, or ""
    bool batch = false;                // an --out-dir run
};

// The output an --out-dir run writes for `input`: the folder joined with the
// input's file name, its extension changed to --format's when that is given.
std::string BatchOutputPath(const Options& options, const std::string& input);

RunPlan PlanRun(const Options& options);

// Refuses the plan, naming both paths, when an output would replace an input
// (one-image runs may write over their own input: that replace is safe), two
// outputs are one file, the settings file is an input or an output, or an
// --out-dir output is a symbolic link (the run writes only inside the
// folder). Files are compared as file_identity.h says; "-" (a standard
// stream) is no file.
bool CheckRunPlan(const RunPlan& plan, std::string* error);

}  // namespace kelvo::cli
