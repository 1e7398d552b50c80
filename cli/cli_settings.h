// The settings records the command-line renderer hands to the filters, built
// from the defaults, a settings file and --set options. Every name, type and
// range comes from the module's settings table.
#pragma once

#include <string>

#include "cli_options.h"
#include "flare_parameters.h"
#include "glow_parameters.h"
#include "settings_table.h"

namespace cli {

struct FilterSettings {
    FilterChoice filter = FilterChoice::Flare;
    flare::FilterParameters flare = flare::DefaultFlareParameters();
    glow::FilterParameters glow = glow::DefaultGlowParameters();
};

const SettingsTable& SettingsTableFor(FilterChoice filter);
const char* FilterName(FilterChoice filter);

// The chosen filter's record inside the settings.
void* SettingsRecord(FilterSettings* settings);

// Stores one NAME=VALUE into the filter's record. Returns false, with the
// record unchanged and a message, for a name that is not one of the filter's
// settings or a value that is not a number of the field's kind inside its
// typed range.
bool ApplyAssignment(FilterChoice filter, void* record, const SettingAssignment& assignment, std::string* error);

// Builds the settings for a run: the filter's defaults, then the settings file
// if one is named, then the --set options in order; finally the run state of a
// final render (previewScale 1, showDialog 0). Returns kExitOk, or the exit
// code with a message: kExitFailure for a settings file that cannot be read or
// does not start with the marker byte, kExitUsage for a bad --set. A settings
// file shorter than a whole record is used (it replaces the leading settings)
// and, when `warning` is not null, described there: how many settings it held.
ExitCode BuildSettings(const Options& options, FilterSettings* settings, std::string* error,
                       std::string* warning = nullptr);

// The table of the filter's settings that --list prints: name, kind, default,
// accepted range and the dialog label.
std::string ListSettings(FilterChoice filter);

}  // namespace cli
