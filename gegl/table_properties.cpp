#include "table_properties.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gegl-paramspecs.h>
#include <gegl.h>

#include "property_names.h"

namespace kelvo::gegl {
namespace {

constexpr GParamFlags kFlags =
    static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_CONSTRUCT | GEGL_PARAM_PAD_INPUT | G_PARAM_STATIC_STRINGS);

// GEGL's unit hint for the table's unit, where GIMP has a widget for it.
const char* UnitKey(SettingUnit unit) {
    if (unit == SettingUnit::Degrees) return "degree";
    if (unit == SettingUnit::Pixels) return "pixel-distance";
    return nullptr;
}

// Rows in the order of their groups' first appearance, table order within a group.
std::vector<int> DialogOrder(const SettingsTable& table) {
    std::vector<int> order;
    for (int i = 0; i < table.count; ++i) {
        const char* group = table.fields[i].group;
        bool seen = false;
        for (int j = 0; j < i && !seen; ++j) seen = std::strcmp(table.fields[j].group, group) == 0;
        if (seen) continue;
        for (int j = i; j < table.count; ++j)
            if (std::strcmp(table.fields[j].group, group) == 0) order.push_back(j);
    }
    return order;
}

GParamSpec* SpecFor(const SettingField& field) {
    // GParamSpec keeps the name's pointer (static strings): one interned copy each.
    const char* name = g_intern_string(PropertyName(field.name).c_str());
    const double uiLow = std::max(field.typedLow, field.shownLow);
    const double uiHigh = std::min(field.typedHigh, field.shownHigh);
    const bool x = field.role == SettingRole::PositionX;
    if (x || field.role == SettingRole::PositionY) {
        GParamSpec* pspec = gegl_param_spec_int(name, field.title, field.description, kPositionLow, kPositionHigh,
                                               static_cast<int>(field.defaultValue), 0, 4096, 1.0, kFlags);
        gegl_param_spec_set_property_key(pspec, "unit", "pixel-coordinate");
        gegl_param_spec_set_property_key(pspec, "axis", x ? "x" : "y");
        return pspec;
    }
    GParamSpec* pspec;
    if (field.kind == SettingKind::Real) {
        pspec = gegl_param_spec_double(name, field.title, field.description, field.typedLow, field.typedHigh,
                                      field.defaultValue, uiLow, uiHigh, 1.0, kFlags);
        gegl_param_spec_double_set_steps(GEGL_PARAM_SPEC_DOUBLE(pspec), field.spinStep, field.spinStep * 10);
        gegl_param_spec_double_set_digits(GEGL_PARAM_SPEC_DOUBLE(pspec), 2);
    } else {
        pspec = gegl_param_spec_int(name, field.title, field.description, static_cast<int>(field.typedLow),
                                   static_cast<int>(field.typedHigh), static_cast<int>(field.defaultValue),
                                   static_cast<int>(uiLow), static_cast<int>(uiHigh), 1.0, kFlags);
        gegl_param_spec_int_set_steps(GEGL_PARAM_SPEC_INT(pspec), 1, 10);
    }
    if (const char* unit = UnitKey(field.unit)) gegl_param_spec_set_property_key(pspec, "unit", unit);
    return pspec;
}

}  // namespace

PropertyRows InstallTableProperties(GObjectClass* objectClass, const FilterDescription& description) {
    const SettingsTable& table = *description.table;
    PropertyRows rows{};
    for (int row : DialogOrder(table)) {
        if (rows.count == kMaxTableRows) break;
        rows.rows[rows.count++] = row;
        g_object_class_install_property(objectClass, static_cast<guint>(rows.count),
                                        SpecFor(table.fields[row]));
    }
    return rows;
}

const SettingField* TableField(const FilterDescription& description, const PropertyRows& rows, guint id) {
    if (id < 1 || id > static_cast<guint>(rows.count)) return nullptr;
    return &description.table->fields[rows.rows[id - 1]];
}

void SetTableProperty(const SettingField& field, void* record, const GValue* value) {
    WriteSetting(field, record, G_VALUE_HOLDS_INT(value) ? g_value_get_int(value) : g_value_get_double(value));
}

void GetTableProperty(const SettingField& field, const void* record, GValue* value) {
    const double v = ReadSetting(field, record);
    if (G_VALUE_HOLDS_INT(value))
        g_value_set_int(value, static_cast<int>(v));
    else
        g_value_set_double(value, v);
}

}  // namespace kelvo::gegl
