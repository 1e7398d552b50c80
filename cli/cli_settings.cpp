#include "cli_settings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "filter_list.h"
#include "nearest_name.h"

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

std::string UnknownSetting(const FilterDescription& filter, const std::string& name) {
    std::string error = "unknown " + std::string(filter.name) + " setting '" + name + "'";
    for (const FilterDescription* other : AllFilters()) {
        if (other != &filter && FindSettingNoCase(*other, name) != nullptr)
            return error + " (it is a " + other->name + " setting: add --filter " + other->name + ")";
    }
    const SettingsTable& table = *filter.table;
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

FilterSettings SettingsFor(const FilterDescription& filter) {
    FilterSettings settings;
    settings.filter = &filter;
    filter.writeDefaults(settings.record);
    return settings;
}

const void* SettingsRecord(const FilterSettings& settings) { return settings.record; }

void* SettingsRecord(FilterSettings* settings) { return settings->record; }

void SetFinalRunState(const FilterDescription& filter, void* record) {
    filter.setPreviewScale(record, 1);
    const int16_t noDialog = 0;
    std::memcpy(static_cast<unsigned char*>(record) + filter.showDialogOffset, &noDialog, sizeof noDialog);
}

const RelativePosition* RelativeOf(const FilterSettings& settings, const SettingField& field) {
    if (field.role == SettingRole::PositionX) return &settings.relativeX;
    if (field.role == SettingRole::PositionY) return &settings.relativeY;
    return nullptr;
}

bool ApplyAssignment(const FilterDescription& filter, void* record, const SettingAssignment& assignment,
                     std::string* error) {
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

const SettingField* FindSettingNoCase(const FilterDescription& filter, const std::string& name) {
    const SettingsTable& table = *filter.table;
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
std::string ShortFileWarning(const FilterDescription& filter, const std::string& path, size_t recordBytes) {
    const SettingsFileFormat& format = *filter.settingsFile;
    const int held = SettingsWithin(*filter.table, recordBytes);
    char text[160];
    std::snprintf(text, sizeof text, "holds %d of the %d %s (%zu of %zu bytes); the others keep their values", held,
                  filter.table->count, format.settingsWords, format.headerBytes + recordBytes,
                  format.headerBytes + filter.recordSize);
    return "'" + path + "' " + text;
}

// Reads the filter's settings file over the record. The reader leaves the
// record untouched when it refuses the file.
ExitCode ReadSettingsFile(const FilterDescription& filter, const std::string& path, void* record,
                          std::string* error, std::string* warning) {
    const SettingsFileFormat& format = *filter.settingsFile;
    size_t recordBytes = 0;
    switch (format.read(path.c_str(), record, &recordBytes)) {
        case SettingsFileRead::Loaded:
            if (recordBytes < filter.recordSize && warning != nullptr)
                *warning = ShortFileWarning(filter, path, recordBytes);
            return kExitOk;
        case SettingsFileRead::CannotOpen:
            *error = "cannot read settings file '" + path + "'";
            return kExitFailure;
        case SettingsFileRead::NotSettingsFile:
            break;
    }
    *error = "'" + path + "' is not a " + format.fileWords + " (" + format.markerRule + ")";
    return kExitFailure;
}

}  // namespace

ExitCode BuildSettings(const Options& options, FilterSettings* settings, std::string* error, std::string* warning) {
    const FilterDescription& filter = *options.filter;
    *settings = SettingsFor(filter);
    void* record = SettingsRecord(settings);
    if (!options.settingsFile.empty()) {
        const ExitCode read = ReadSettingsFile(filter, options.settingsFile, record, error, warning);
        if (read != kExitOk) return read;
    }
    for (const SettingAssignment& assignment : options.assignments) {
        const SettingField* field = FindSettingNoCase(filter, assignment.name);
        double percent = 0;
        auto* relative = field != nullptr ? const_cast<RelativePosition*>(RelativeOf(*settings, *field)) : nullptr;
        if (relative != nullptr && ParsePercent(assignment.value, &percent)) {
            relative->given = true;
            relative->percent = percent;
            continue;
        }
        if (!ApplyAssignment(filter, record, assignment, error)) return kExitUsage;
        if (relative != nullptr) relative->given = false;  // the last one given counts
    }

    // A final render with no dialog, at full size; each image is enlarged
    // by --scale or --scale-from when its settings are made.
    SetFinalRunState(filter, record);
    settings->scale = options.scale;
    settings->scaleFrom = options.scaleFrom;
    return kExitOk;
}

std::string ListSettings(const FilterDescription& filter, const FilterSettings* given) {
    const SettingsTable& table = *filter.table;
    const void* record = given != nullptr ? SettingsRecord(*given) : nullptr;
    std::string text = std::string("Settings of the ") + filter.name +
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
