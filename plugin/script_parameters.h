// The settings of a recorded action: what a host that records and plays
// actions hands the module in FilterRecord.descriptorParameters. At start the
// module reads a played action's descriptor into its settings record; at the
// finish of a run that rendered it writes every setting into a new descriptor
// for the action being recorded. Each setting travels under the key and type
// of its settings-table row.
//
// Portable: everything goes through the host's procedure tables, which are
// checked before use. A host without them (every host but the one that
// records actions) is left alone, and a damaged descriptor changes only what
// it holds valid values for.
#pragma once

#include <cstdint>

#include "host_interface.h"
#include "settings_table.h"

namespace kelvo::plugin {

// The key's four characters as a descriptor key.
uint32_t ScriptKeyCode(const char* key);

// The descriptor type under which a setting of this type travels ('long',
// 'doub' or 'UntF'), and for unit floats its unit (0 otherwise).
DescriptorTypeID ScriptDescriptorType(ScriptType type);
DescriptorUnitID ScriptUnit(ScriptType type);

// The table row with the given descriptor key, or null.
const SettingField* FindScriptKey(const SettingsTable& table, DescriptorKeyID key);

// Stores a value read from a descriptor into the record as a settings file's
// value is taken: a finite number clamped to the range the field can hold
// (RecordLow..RecordHigh) and, for whole-number fields, truncated toward zero.
// NaN and infinities are refused (false, the record untouched).
bool TakeScriptValue(const SettingField& field, double value, void* record);

// What the start of a run found in the descriptor parameters.
enum class PlayedAction {
    None,        // no descriptor to play (or no usable read procedures)
    WithDialog,  // the descriptor was read and the host asks for the dialog
    NoDialog,    // the descriptor was read and the dialog stays closed
};

// Reads every key the host's descriptor holds into the record. Keys not in the
// table, values of another type or unit than the row's, and values the host
// fails to deliver are skipped; settings without a key keep their values.
// The read descriptor is disposed of through the host's handleProcs when it
// offers them, and `descriptor` is cleared, as hosts expect of a reader.
PlayedAction ReadScriptParameters(FilterRecord* record, const SettingsTable& table, void* settings);

// Writes every setting of the record into a new descriptor in
// descriptorParameters (disposing of the one there, when the host offers the
// handle procedures) and sets recordInfo to plugInDialogOptional. Returns
// false, and changes nothing, when the host offers no usable write procedures.
bool WriteScriptParameters(FilterRecord* record, const SettingsTable& table, const void* settings);

}  // namespace kelvo::plugin
