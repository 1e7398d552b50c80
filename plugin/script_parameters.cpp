#include "script_parameters.h"

#include <cmath>
#include <cstring>

#include "dialog_values.h"

namespace kelvo::plugin {

namespace {

constexpr int kMaxScriptKeys = 64;  // more than either table holds

const PIDescriptorParameters* Parameters(const FilterRecord* record) {
    if (record == nullptr) return nullptr;
    const PIDescriptorParameters* p = record->descriptorParameters;
    if (p == nullptr || p->descriptorParametersVersion != kCurrentDescriptorParametersVersion) return nullptr;
    return p;
}

// The read procedures when the host offers every one the module calls.
const ReadDescriptorProcs* ReadProcs(const PIDescriptorParameters* p) {
    const ReadDescriptorProcs* r = p != nullptr ? p->readDescriptorProcs : nullptr;
    if (r == nullptr || r->readDescriptorProcsVersion != kCurrentReadDescriptorProcsVersion ||
        r->numReadDescriptorProcs < 6)
        return nullptr;
    if (r->openReadDescriptorProc == nullptr || r->closeReadDescriptorProc == nullptr || r->getKeyProc == nullptr ||
        r->getIntegerProc == nullptr || r->getFloatProc == nullptr || r->getUnitFloatProc == nullptr)
        return nullptr;
    return r;
}

const WriteDescriptorProcs* WriteProcs(const PIDescriptorParameters* p) {
    const WriteDescriptorProcs* w = p != nullptr ? p->writeDescriptorProcs : nullptr;
    if (w == nullptr || w->writeDescriptorProcsVersion != kCurrentWriteDescriptorProcsVersion ||
        w->numWriteDescriptorProcs < 5)
        return nullptr;
    if (w->openWriteDescriptorProc == nullptr || w->closeWriteDescriptorProc == nullptr ||
        w->putIntegerProc == nullptr || w->putFloatProc == nullptr || w->putUnitFloatProc == nullptr)
        return nullptr;
    return w;
}

// Disposes of a host handle when the host offers the procedure; false when it
// does not (the handle is then left to the host).
bool DisposeHostHandle(const FilterRecord* record, Handle handle) {
    const HandleProcs* h = record->handleProcs;
    if (h == nullptr || h->handleProcsVersion != kCurrentHandleProcsVersion || h->numHandleProcs < 2 ||
        h->disposeProc == nullptr)
        return false;
    h->disposeProc(handle);
    return true;
}

// One value of the key the reader stands on, as a double; false when the
// host's type or unit is not the row's or the host cannot deliver it.
bool ReadValue(const ReadDescriptorProcs* r, PIReadDescriptor token, const SettingField& field, DescriptorTypeID type,
               double* value) {
    if (type != ScriptDescriptorType(field.scriptType)) return false;
    if (type == typeInteger) {
        int32_t v = 0;
        if (r->getIntegerProc(token, &v) != noErr) return false;
        *value = v;
        return true;
    }
    if (type == typeFloat) return r->getFloatProc(token, value) == noErr;
    DescriptorUnitID unit = 0;
    if (r->getUnitFloatProc(token, &unit, value) != noErr) return false;
    return unit == ScriptUnit(field.scriptType);
}

}  // namespace

uint32_t ScriptKeyCode(const char* key) {
    uint32_t code = 0;
    for (int i = 0; i < 4; ++i) code = (code << 8) | static_cast<uint8_t>(key != nullptr && key[0] ? key[i] : 0);
    return code;
}

DescriptorTypeID ScriptDescriptorType(ScriptType type) {
    switch (type) {
        case ScriptType::Integer: return typeInteger;
        case ScriptType::Float: return typeFloat;
        case ScriptType::Angle:
        case ScriptType::Pixels: return typeUnitFloat;
    }
    return typeNull;
}

DescriptorUnitID ScriptUnit(ScriptType type) {
    if (type == ScriptType::Angle) return unitAngle;
    if (type == ScriptType::Pixels) return unitPixels;
    return 0;
}

const SettingField* FindScriptKey(const SettingsTable& table, DescriptorKeyID key) {
    for (int i = 0; i < table.count; ++i)
        if (ScriptKeyCode(table.fields[i].scriptKey) == key) return &table.fields[i];
    return nullptr;
}

bool TakeScriptValue(const SettingField& field, double value, void* record) {
    if (!std::isfinite(value)) return false;
    double v = std::fmin(std::fmax(value, RecordLow(field)), RecordHigh(field));
    if (field.kind != SettingKind::Real) v = std::trunc(v);
    if (v == 0) v = 0;  // -0 is stored as 0
    WriteSetting(field, record, v);
    return true;
}

PlayedAction ReadScriptParameters(FilterRecord* record, const SettingsTable& table, void* settings) {
    PIDescriptorParameters* p = record != nullptr ? record->descriptorParameters : nullptr;
    const ReadDescriptorProcs* r = ReadProcs(Parameters(record));
    if (r == nullptr || p->descriptor == nullptr || settings == nullptr) return PlayedAction::None;

    // The keys the module knows, zero-terminated: hosts mark the ones they
    // deliver. Nothing is required, so the marks are not looked at. (Fixed
    // room: nothing inside a host call allocates.)
    DescriptorKeyID expected[kMaxScriptKeys + 1] = {};
    for (int i = 0; i < table.count && i < kMaxScriptKeys; ++i) expected[i] = ScriptKeyCode(table.fields[i].scriptKey);
    PIReadDescriptor token = r->openReadDescriptorProc(p->descriptor, expected);
    if (token == nullptr) return PlayedAction::None;

    // A host that repeats keys for ever cannot hold the run: no descriptor of
    // ours has more than a few keys per setting.
    const int maxKeys = 16 * (table.count + 4);
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32_t flags = 0;
    for (int n = 0; n < maxKeys && r->getKeyProc(token, &key, &type, &flags) != 0; ++n) {
        const SettingField* field = FindScriptKey(table, key);
        double value = 0;
        if (field != nullptr && ReadValue(r, token, *field, type, &value)) TakeScriptValue(*field, value, settings);
    }
    // A reader's errors (a value it had to coerce, say) change nothing here:
    // every value was checked on the way in.
    r->closeReadDescriptorProc(token);
    if (DisposeHostHandle(record, p->descriptor)) p->descriptor = nullptr;
    return p->playInfo == plugInDialogDisplay ? PlayedAction::WithDialog : PlayedAction::NoDialog;
}

bool WriteScriptParameters(FilterRecord* record, const SettingsTable& table, const void* settings) {
    PIDescriptorParameters* p = record != nullptr ? record->descriptorParameters : nullptr;
    const WriteDescriptorProcs* w = WriteProcs(Parameters(record));
    if (w == nullptr || settings == nullptr) return false;
    PIWriteDescriptor token = w->openWriteDescriptorProc();
    if (token == nullptr) return false;
    for (int i = 0; i < table.count; ++i) {
        const SettingField& field = table.fields[i];
        const DescriptorKeyID key = ScriptKeyCode(field.scriptKey);
        const double value = ReadSetting(field, settings);
        switch (field.scriptType) {
            case ScriptType::Integer: w->putIntegerProc(token, key, TruncateToInt32(value)); break;
            case ScriptType::Float: w->putFloatProc(token, key, &value); break;
            case ScriptType::Angle:
            case ScriptType::Pixels: w->putUnitFloatProc(token, key, ScriptUnit(field.scriptType), &value); break;
        }
    }
    PIDescriptorHandle written = nullptr;
    const int16_t closed = w->closeWriteDescriptorProc(token, &written);
    if (closed != noErr || written == nullptr) return false;
    if (p->descriptor != nullptr) DisposeHostHandle(record, p->descriptor);
    p->descriptor = written;
    p->recordInfo = plugInDialogOptional;
    return true;
}

}  // namespace kelvo::plugin
