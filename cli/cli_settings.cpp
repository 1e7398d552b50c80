#include "cli_settings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filter_list.h"
#include "nearest_name.h"
#include "settings_file.h"

namespace kelvo::cli {
namespace {

// A bound or default as the user would type it: whole numbers without
// decimals, others as short as they can be written exactly enough.
std::string FormatNumber(const SettingField& field, double value) {
    char text[64];
    if (field.kind == SettingKind::Real) {
        // The fewest digits that read back as the same value: 0.05, not
        // 0.050000000000000003, and no digit lost (--list feeds other tools).
        for (int digits = 6; digits <= 17; ++digits) {
            std::snprintf(text, sizeof text, "%.*g", digits, value);
            if (std::strtod(text, nullptr) == value) break;
        }
    } else
        std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

bool IsPosition(const SettingField& field) {
    return field.role == SettingRole::PositionX || field.role == SettingRole::PositionY;
}

// The field as the command line takes it: a position may be anywhere an
// image the tool reads has pixels, and as far outside.
SettingField CommandLineField(const SettingField& field) {
    SettingField wide = field;
    if (IsPosition(wide)) {
        wide.typedLow = kCliPositionLow;
        wide.typedHigh = kCliPositionHigh;
    }
    return wide;
}

std::string UnknownSetting(FilterChoice filter, const std::string& name) {
    std::string error = "unknown " + std::string(FilterName(filter)) + " setting '" + name + "'";
    for (int i = 0; i < AllFilters().count; ++i) {
        const auto other = static_cast<FilterChoice>(i);
        if (other != filter && FindSettingNoCase(other, name) != nullptr)
            return error + " (it is a " + FilterName(other) + " setting: add --filter " + FilterName(other) + ")";
    }
    const SettingsTable& table = SettingsTableFor(filter);
    std::vector<const char*> names;
    for (int i = 0; i < table.count; ++i) names.push_back(table.fields[i].name);
    const char* nearest = kelvo::NearestName(name.c_str(), names.data(), table.count);
    if (nearest != nullptr) return error + "; did you mean '" + nearest + "'?";
    return error + " (see --list)";
}

// "70%", "-5 %", "12.5%": the number before the percent sign, or false.
bool ParsePercent(const std::string& text, double* percent) {
    const size_t sign = text.find_last_not_of(" \t");
    if (sign == std::string::npos || text[sign] != '%') return false;
    const std::string number = text.substr(0, sign);
    const char* start = number.c_str();
    while (*start == ' ' || *start == '\t') ++start;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    while (end != nullptr && (*end == ' ' || *end == '\t')) ++end;
    if (end == start || end == nullptr || *end != '\0' || !std::isfinite(value) || std::fabs(value) > 1e6) return false;
    *percent = value;
    return true;
}

}  // namespace

const FilterDescription& ChosenFilter(FilterChoice filter) { return *AllFilters().filters[static_cast<int>(filter)]; }

const SettingsTable& SettingsTableFor(FilterChoice filter) { return *ChosenFilter(filter).table; }

const char* FilterName(FilterChoice filter) { return ChosenFilter(filter).name; }

const void* SettingsRecord(const FilterSettings& settings) {
    if (settings.filter == FilterChoice::Flare) return &settings.flare;
    return &settings.glow;
}

void* SettingsRecord(FilterSettings* settings) { return const_cast<void*>(SettingsRecord(*settings)); }

const RelativePosition* RelativeOf(const FilterSettings& settings, const SettingField& field) {
    if (field.role == SettingRole::PositionX) return &settings.relativeX;
    if (field.role == SettingRole::PositionY) return &settings.relativeY;
    return nullptr;
}

bool ApplyAssignment(FilterChoice filter, void* record, const SettingAssignment& assignment, std::string* error) {
    const SettingField* found = FindSettingNoCase(filter, assignment.name);
    if (found == nullptr) {
        *error = UnknownSetting(filter, assignment.name);
        return false;
    }
    const SettingField field = CommandLineField(*found);
    double value = 0;
    if (!ParseSettingValue(field, assignment.value.c_str(), &value)) {
        *error = "bad value '" + assignment.value + "' for " + field.name + ": expected " +
                 (field.kind == SettingKind::Real ? "a number" : "a whole number") + " from " +
                 FormatNumber(field, field.typedLow) + " to " + FormatNumber(field, field.typedHigh) +
                 (IsPosition(field) ? " (or a percentage of the image, such as 50%)" : "");
        return false;
    }
    WriteSetting(field, record, value);
    return true;
}

const SettingField* FindSettingNoCase(FilterChoice filter, const std::string& name) {
    const SettingsTable& table = SettingsTableFor(filter);
    for (int i = 0; i < table.count; ++i) {
        const char* candidate = table.fields[i].name;
        if (std::strlen(candidate) != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(candidate[k])) == std::tolower(static_cast<unsigned char>(name[k]));
        if (same) return &table.fields[i];
    }
    return nullptr;
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
    for (const SettingAssignment& assignment : options.assignments) {
        const SettingField* field = FindSettingNoCase(options.filter, assignment.name);
        double percent = 0;
        auto* relative = field != nullptr ? const_cast<RelativePosition*>(RelativeOf(*settings, *field)) : nullptr;
        if (relative != nullptr && ParsePercent(assignment.value, &percent)) {
            relative->given = true;
            relative->percent = percent;
            continue;
        }
        if (!ApplyAssignment(options.filter, record, assignment, error)) return kExitUsage;
        if (relative != nullptr) relative->given = false;  // the last one given counts
    }

    // A final render with no dialog, at full size or enlarged by --scale
    // through the renderer's own reduction factor.
    settings->flare.previewScale = 1.0 / options.scale;
    settings->scaleFrom = options.scaleFrom;
    settings->flare.showDialog = 0;
    settings->glow.previewScale = 1;
    settings->glow.showDialog = 0;
    return kExitOk;
}

std::string ListSettings(FilterChoice filter, const FilterSettings* given) {
    const SettingsTable& table = SettingsTableFor(filter);
    const void* record = given != nullptr ? SettingsRecord(*given) : nullptr;
    std::string text = std::string("Settings of the ") + FilterName(filter) +
                       (record != nullptr ? " as given" : "") + " (--set NAME=VALUE; names in any case):\n";
    char line[512];
    std::snprintf(line, sizeof line, "  %-18s %9s  %-14s %-10s %s\n", "NAME", record != nullptr ? "VALUE" : "DEFAULT",
                  "RANGE", "UNIT", "WHAT IT DOES");
    text += line;
    for (int i = 0; i < table.count; ++i) {
        const SettingField f = CommandLineField(table.fields[i]);
        std::string value = FormatNumber(f, record != nullptr ? ReadSetting(f, record) : f.defaultValue);
        const RelativePosition* relative = given != nullptr ? RelativeOf(*given, f) : nullptr;
        if (relative != nullptr && relative->given) {
            char percent[32];
            std::snprintf(percent, sizeof percent, "%g%%", relative->percent);
            value = percent;
        }
        const std::string range = FormatNumber(f, f.typedLow) + ".." + FormatNumber(f, f.typedHigh);
        std::snprintf(line, sizeof line, "  %-18s %9s  %-14s %-10s %s: %s%s\n", f.name, value.c_str(),
                      range.c_str(), UnitText(f.unit), f.title, f.description,
                      IsPosition(f) ? " (or N% of the image)" : "");
        text += line;
    }
    return text;
}

}  // namespace kelvo::cli
