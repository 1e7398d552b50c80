#include "cli_settings.h"

#include <cstdio>

#include "settings_file.h"

namespace cli {
namespace {

// A bound or default as the user would type it: whole numbers without
// decimals, others as short as they can be written exactly enough.
std::string FormatNumber(const SettingField& field, double value) {
    char text[64];
    if (field.kind == SettingKind::Real)
        std::snprintf(text, sizeof text, "%g", value);
    else
        std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

const char* KindName(SettingKind kind) {
    switch (kind) {
        case SettingKind::Int32:
            return "integer";
        case SettingKind::WholeReal:
            return "whole";
        case SettingKind::Real:
            break;
    }
    return "real";
}

FilterChoice OtherFilter(FilterChoice filter) {
    return filter == FilterChoice::Flare ? FilterChoice::Glow : FilterChoice::Flare;
}

}  // namespace

const SettingsTable& SettingsTableFor(FilterChoice filter) {
    return filter == FilterChoice::Flare ? flare::kFlareSettings : glow::kGlowSettings;
}

const char* FilterName(FilterChoice filter) { return filter == FilterChoice::Flare ? "flare" : "glow"; }

void* SettingsRecord(FilterSettings* settings) {
    if (settings->filter == FilterChoice::Flare) return &settings->flare;
    return &settings->glow;
}

bool ApplyAssignment(FilterChoice filter, void* record, const SettingAssignment& assignment, std::string* error) {
    const SettingsTable& table = SettingsTableFor(filter);
    const SettingField* field = FindSetting(table, assignment.name.c_str());
    if (field == nullptr) {
        *error = "unknown " + std::string(FilterName(filter)) + " setting '" + assignment.name + "'";
        if (FindSetting(SettingsTableFor(OtherFilter(filter)), assignment.name.c_str()) != nullptr)
            *error += std::string(" (it is a ") + FilterName(OtherFilter(filter)) + " setting: add --filter " +
                      FilterName(OtherFilter(filter)) + ")";
        else
            *error += " (see --list)";
        return false;
    }
    double value = 0;
    if (!ParseSettingValue(*field, assignment.value.c_str(), &value)) {
        *error = "bad value '" + assignment.value + "' for " + assignment.name + ": expected " +
                 (field->kind == SettingKind::Real ? "a number" : "a whole number") + " from " +
                 FormatNumber(*field, field->typedLow) + " to " + FormatNumber(*field, field->typedHigh);
        return false;
    }
    WriteSetting(*field, record, value);
    return true;
}

namespace {

// Says what a settings file shorter than a whole record held.
std::string ShortFileWarning(const std::string& path, size_t recordBytes) {
    const SettingsTable& table = flare::kFlareSettings;
    const int held = SettingsWithin(table, recordBytes);
    char text[160];
    std::snprintf(text, sizeof text, "holds %d of the %d lens flare settings (%zu of %zu bytes); the others keep their values",
                  held, table.count, recordBytes + 1, flare::kSettingsFileSize);
    return "'" + path + "' " + text;
}

}  // namespace

ExitCode BuildSettings(const Options& options, FilterSettings* settings, std::string* error, std::string* warning) {
    *settings = FilterSettings{};
    settings->filter = options.filter;
    if (!options.settingsFile.empty()) {
        // The reader leaves the record untouched when it refuses the file.
        size_t recordBytes = 0;
        switch (flare::ReadSettingsFile(options.settingsFile.c_str(), &settings->flare, &recordBytes)) {
            case flare::SettingsFileRead::Loaded:
                if (recordBytes < sizeof(flare::FilterParameters) && warning != nullptr)
                    *warning = ShortFileWarning(options.settingsFile, recordBytes);
                break;
            case flare::SettingsFileRead::CannotOpen:
                *error = "cannot read settings file '" + options.settingsFile + "'";
                return kExitFailure;
            case flare::SettingsFileRead::NotSettingsFile:
                *error = "'" + options.settingsFile + "' is not a lens flare settings file (its first byte must be 1)";
                return kExitFailure;
        }
    }
    void* record = SettingsRecord(settings);
    for (const SettingAssignment& assignment : options.assignments)
        if (!ApplyAssignment(options.filter, record, assignment, error)) return kExitUsage;

    // A final render at full size, with no dialog.
    settings->flare.previewScale = 1.0;
    settings->flare.showDialog = 0;
    settings->glow.previewScale = 1;
    settings->glow.showDialog = 0;
    return kExitOk;
}

std::string ListSettings(FilterChoice filter) {
    const SettingsTable& table = SettingsTableFor(filter);
    std::string text = std::string("Settings of the ") + FilterName(filter) + " (--set NAME=VALUE):\n";
    char line[256];
    std::snprintf(line, sizeof line, "  %-18s %-8s %9s  %-16s %s\n", "NAME", "KIND", "DEFAULT", "RANGE", "DIALOG");
    text += line;
    for (int i = 0; i < table.count; ++i) {
        const SettingField& f = table.fields[i];
        const std::string range = FormatNumber(f, f.typedLow) + ".." + FormatNumber(f, f.typedHigh);
        std::snprintf(line, sizeof line, "  %-18s %-8s %9s  %-16s %s %s\n", f.name, KindName(f.kind),
                      FormatNumber(f, f.defaultValue).c_str(), range.c_str(), f.group, f.label);
        text += line;
    }
    return text;
}

}  // namespace cli
