// The settings records the command-line renderer hands to the filters, built
// from the defaults, a settings file and --set options. Every name, type and
// range comes from the module's settings table.
#pragma once

#include <string>

#include "cli_options.h"
#include "filter_description.h"
#include "settings_table.h"

namespace kelvo::cli {

// The widest pixel coordinate the command line takes for a position setting
// (SettingRole::PositionX/Y, such as the flare centre): any pixel of an image the
// tool reads, and as far outside it. The dialog keeps the narrower ranges of
// the settings table.
constexpr int32_t kCliPositionLow = kPositionLow;
constexpr int32_t kCliPositionHigh = kPositionHigh;

// A position setting given as a percentage of each image's side
// ("positionX=70%"), resolved per image by SettingsForImage (cli_placement.h).
struct RelativePosition {
    bool given = false;
    double percent = 0.0;
};

struct FilterSettings {
    const FilterDescription* filter = nullptr;  // the chosen filter (SettingsFor)
    // Its settings record, in place.
    alignas(kSettingsRecordAlignment) unsigned char record[kMaxSettingsRecordBytes] = {};
    RelativePosition relativeX, relativeY;  // for the settings of role PositionX and PositionY
    double scale = 1.0;                     // --scale: every image's enlargement
    int32_t scaleFrom = 0;                  // --scale-from: the width the filter's sizes are meant for
};

// Settings for the filter, holding its defaults.
FilterSettings SettingsFor(const FilterDescription& filter);

// The chosen filter's record inside the settings.
void* SettingsRecord(FilterSettings* settings);
const void* SettingsRecord(const FilterSettings& settings);

// The run state of a final render, at full size with no dialog: what every
// record kelvo-render renders carries.
void SetFinalRunState(const FilterDescription& filter, void* record);

// Where the settings keep a percentage given for a field of a position role
// (relativeX or relativeY), or null for the other fields.
const RelativePosition* RelativeOf(const FilterSettings& settings, const SettingField& field);

// The filter's setting of that name, compared without case, or null.
const SettingField* FindSettingNoCase(const FilterDescription& filter, const std::string& name);

// Stores one NAME=VALUE into the filter's record; the name is compared
// without case. Returns false, with the record unchanged and a message, for a
// name that is not one of the filter's settings (with the nearest name as a
// suggestion) or a value that is not a number of the field's kind inside its
// typed range (positionX and positionY: kCliPositionLow..kCliPositionHigh).
bool ApplyAssignment(const FilterDescription& filter, void* record, const SettingAssignment& assignment,
                     std::string* error);

// Builds the settings for a run of options as ParseCommandLine checked them:
// the filter's defaults, then its settings file if one is named, then the
// --set options in order (positionX and positionY also as "N%", see
// RelativePosition); finally the run state of a final render
// (SetFinalRunState), with --scale and --scale-from kept for each image
// (SettingsForImage). Returns kExitOk, or the exit code with a message:
// kExitFailure for a settings file that cannot be read or is not of the
// filter's format, kExitUsage for a bad --set. A settings file shorter than a
// whole record is used (it replaces the leading settings) and, when `warning`
// is not null, described there: how many settings it held.
ExitCode BuildSettings(const Options& options, FilterSettings* settings, std::string* error,
                       std::string* warning = nullptr);

// The table of the filter's settings that --list prints: name, value (from
// `given`, percentages included, or the defaults when it is null), accepted
// range, unit, and the title and description of each.
std::string ListSettings(const FilterDescription& filter, const FilterSettings* given = nullptr);

}  // namespace kelvo::cli
