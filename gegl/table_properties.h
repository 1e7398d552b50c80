// The GEGL properties of a settings table: one per row, named in GEGL's style
// (property_names.h), with the row's title as label and its description as
// tooltip, the typed range, and UI ranges and steps from the dialog's. They
// are listed by the dialog's groups, in the order each group first appears in
// the table, so GIMP's flat list reads as the dialog does (GObject lists
// properties by id: ids count from 1 in that order).
#pragma once

#include <glib-object.h>

#include "table_operation.h"

namespace kelvo::gegl {

// The most rows a table may have.
constexpr int kMaxTableRows = 32;

// Which table row each property id stands for: rows[id - 1].
struct PropertyRows {
    int rows[kMaxTableRows];
    int count;
};

// Installs the properties; returns the rows behind their ids.
PropertyRows InstallTableProperties(GObjectClass* objectClass, const FilterDescription& description);

// The row behind a property id, or null.
const SettingField* TableField(const FilterDescription& description, const PropertyRows& rows, guint id);

// A property's value from or into the record.
void SetTableProperty(const SettingField& field, void* record, const GValue* value);
void GetTableProperty(const SettingField& field, const void* record, GValue* value);

}  // namespace kelvo::gegl
