// The host that records and plays actions: descriptor parameters with read
// and write procedures, and the handle procedures for the descriptors'
// handles. Every call is checked: a token or handle the host did not hand
// out, a value read as another type than it has, a key written twice, and a
// handle disposed of twice are filed as problems and answered with an error.
#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "host_internal.h"

namespace kelvo::host {

namespace {

constexpr int16_t kParamErr = -50;

// A handle the host made: plain bytes, or a descriptor.
struct HostHandle {
    std::vector<uint8_t> bytes;
    bool isDescriptor = false;
    Descriptor descriptor;
};

struct ReadToken {
    Descriptor items;
    size_t next = 0;
    const DescriptorItem* current = nullptr;
};

struct WriteToken {
    Descriptor items;
};

}  // namespace

struct DescriptorHost {
    PIDescriptorParameters parameters{};
    ReadDescriptorProcs readProcs{};
    WriteDescriptorProcs writeProcs{};
    HandleProcs handleProcs{};
    std::set<HostHandle*> handles;
    std::set<ReadToken*> readers;
    std::set<WriteToken*> writers;
    HostHandle* played = nullptr;    // the run's played descriptor, while the module has not disposed of it
    bool playedDisposed = false;
};

namespace {

DescriptorHost* Host() { return g_session != nullptr ? g_session->descriptors : nullptr; }

void Problem(const std::string& what) {
    if (g_session == nullptr) return;
    ReportLock lock(g_session);
    g_session->report.problems.push_back("descriptors: " + what);
}

HostHandle* Live(Handle h) {
    DescriptorHost* d = Host();
    auto* handle = static_cast<HostHandle*>(h);
    if (d == nullptr || d->handles.count(handle) == 0) return nullptr;
    return handle;
}

HostHandle* NewHandle(DescriptorHost* d) {
    auto* h = new HostHandle;
    d->handles.insert(h);
    return h;
}

// A handle holding a descriptor.
HostHandle* NewDescriptorHandle(DescriptorHost* d, const Descriptor& items) {
    HostHandle* h = NewHandle(d);
    h->isDescriptor = true;
    h->descriptor = items;
    return h;
}

void DeleteHandle(DescriptorHost* d, HostHandle* h) {
    if (d->played == h) {
        d->played = nullptr;
        d->playedDisposed = true;
    }
    d->handles.erase(h);
    delete h;
}

// ---- Handle procedures ------------------------------------------------------------------
Handle KELVO_CDECL NewHandleProc(int32_t size) {
    DescriptorHost* d = Host();
    if (d == nullptr || size < 0) return nullptr;
    HostHandle* h = NewHandle(d);
    h->bytes.assign(static_cast<size_t>(size), 0);
    return h;
}

void KELVO_CDECL DisposeHandleProc(Handle h) {
    if (h == nullptr) return;
    HostHandle* handle = Live(h);
    if (handle == nullptr) return Problem("disposeProc on a handle the host does not hold");
    DeleteHandle(Host(), handle);
}

int32_t KELVO_CDECL GetHandleSizeProc(Handle h) {
    HostHandle* handle = Live(h);
    return handle != nullptr ? static_cast<int32_t>(handle->bytes.size()) : 0;
}

int16_t KELVO_CDECL SetHandleSizeProc(Handle h, int32_t size) {
    HostHandle* handle = Live(h);
    if (handle == nullptr || size < 0) return kParamErr;
    handle->bytes.resize(static_cast<size_t>(size));
    return noErr;
}

void* KELVO_CDECL LockHandleProc(Handle h, uint8_t) {
    HostHandle* handle = Live(h);
    return handle != nullptr ? handle->bytes.data() : nullptr;
}

void KELVO_CDECL UnlockHandleProc(Handle) {}
void KELVO_CDECL RecoverSpace(int32_t) {}
void KELVO_CDECL DisposeRegularHandleProc(Handle) { Problem("disposeRegularHandleProc called"); }

// ---- Read procedures ---------------------------------------------------------------------
PIReadDescriptor KELVO_CDECL OpenReader(PIDescriptorHandle descriptor, DescriptorKeyID* expected) {
    DescriptorHost* d = Host();
    HostHandle* h = Live(descriptor);
    if (d == nullptr || h == nullptr || !h->isDescriptor) {
        Problem("openReadDescriptorProc on a handle that is not a descriptor");
        return nullptr;
    }
    auto* token = new ReadToken;
    token->items = h->descriptor;
    d->readers.insert(token);
    // The expected keys the descriptor holds are marked as delivered.
    for (DescriptorKeyID* key = expected; key != nullptr && *key != 0; ++key)
        for (const DescriptorItem& item : token->items)
            if (item.key == *key) {
                *key = typeNull;
                break;
            }
    return token;
}

// The read or write token a procedure was given, when the host handed it out
// and holds it in `held`.
template <typename Token>
Token* HeldToken(std::set<Token*> DescriptorHost::*held, void* token, const char* proc) {
    DescriptorHost* d = Host();
    auto* t = static_cast<Token*>(token);
    if (d == nullptr || (d->*held).count(t) == 0) {
        Problem(std::string(proc) + " with a token the host did not hand out");
        return nullptr;
    }
    return t;
}

ReadToken* Reader(PIReadDescriptor token, const char* proc) {
    return HeldToken(&DescriptorHost::readers, token, proc);
}
WriteToken* Writer(PIWriteDescriptor token, const char* proc) {
    return HeldToken(&DescriptorHost::writers, token, proc);
}

int16_t KELVO_CDECL CloseReader(PIReadDescriptor token) {
    ReadToken* t = Reader(token, "closeReadDescriptorProc");
    if (t == nullptr) return kParamErr;
    Host()->readers.erase(t);
    delete t;
    return noErr;
}

uint8_t KELVO_CDECL GetKey(PIReadDescriptor token, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    ReadToken* t = Reader(token, "getKeyProc");
    if (t == nullptr || t->next >= t->items.size()) return 0;
    t->current = &t->items[t->next++];
    if (key != nullptr) *key = t->current->key;
    if (type != nullptr) *type = t->current->type;
    if (flags != nullptr) *flags = 0;
    return 1;
}

// The value the reader stands on, when it has the type asked for.
const DescriptorItem* Current(PIReadDescriptor token, DescriptorTypeID type, const char* proc) {
    ReadToken* t = Reader(token, proc);
    if (t == nullptr) return nullptr;
    if (t->current == nullptr || t->current->type != type) {
        Problem(std::string(proc) + " on a value of another type");
        return nullptr;
    }
    return t->current;
}

// Every get procedure: the current value's `field` into *value, and its unit
// into *unit when asked, once the value has the procedure's type.
template <typename T>
int16_t GetValue(PIReadDescriptor token, DescriptorTypeID type, const char* proc, T DescriptorItem::*field, T* value,
                 DescriptorUnitID* unit = nullptr) {
    const DescriptorItem* item = Current(token, type, proc);
    if (item == nullptr || value == nullptr) return kParamErr;
    if (unit != nullptr) *unit = item->unit;
    *value = item->*field;
    return noErr;
}

int16_t KELVO_CDECL GetInteger(PIReadDescriptor token, int32_t* value) {
    return GetValue(token, typeInteger, "getIntegerProc", &DescriptorItem::integer, value);
}

int16_t KELVO_CDECL GetFloat(PIReadDescriptor token, double* value) {
    return GetValue(token, typeFloat, "getFloatProc", &DescriptorItem::number, value);
}

int16_t KELVO_CDECL GetUnitFloat(PIReadDescriptor token, DescriptorUnitID* unit, double* value) {
    return GetValue(token, typeUnitFloat, "getUnitFloatProc", &DescriptorItem::number, value, unit);
}

// ---- Write procedures --------------------------------------------------------------------
PIWriteDescriptor KELVO_CDECL OpenWriter() {
    DescriptorHost* d = Host();
    if (d == nullptr) return nullptr;
    auto* token = new WriteToken;
    d->writers.insert(token);
    return token;
}

int16_t Put(PIWriteDescriptor token, const DescriptorItem& item, const char* proc) {
    WriteToken* t = Writer(token, proc);
    if (t == nullptr) return kParamErr;
    for (const DescriptorItem& held : t->items)
        if (held.key == item.key) Problem(std::string(proc) + " writes key '" + pipl::FourCCText(item.key) + "' twice");
    t->items.push_back(item);
    return noErr;
}

// Every put procedure: *value as the key's `field`, of the procedure's type
// (and unit).
template <typename T>
int16_t PutValue(PIWriteDescriptor token, DescriptorKeyID key, DescriptorTypeID type, const char* proc,
                 T DescriptorItem::*field, const T* value, DescriptorUnitID unit = 0) {
    if (value == nullptr) return kParamErr;
    DescriptorItem item;
    item.key = key;
    item.type = type;
    item.unit = unit;
    item.*field = *value;
    return Put(token, item, proc);
}

int16_t KELVO_CDECL PutInteger(PIWriteDescriptor token, DescriptorKeyID key, int32_t value) {
    return PutValue(token, key, typeInteger, "putIntegerProc", &DescriptorItem::integer, &value);
}

int16_t KELVO_CDECL PutFloat(PIWriteDescriptor token, DescriptorKeyID key, const double* value) {
    return PutValue(token, key, typeFloat, "putFloatProc", &DescriptorItem::number, value);
}

int16_t KELVO_CDECL PutUnitFloat(PIWriteDescriptor token, DescriptorKeyID key, DescriptorUnitID unit,
                                 const double* value) {
    return PutValue(token, key, typeUnitFloat, "putUnitFloatProc", &DescriptorItem::number, value, unit);
}

int16_t KELVO_CDECL CloseWriter(PIWriteDescriptor token, PIDescriptorHandle* descriptor) {
    // Without a place for the handle, the token is refused as one not handed out.
    WriteToken* t = Writer(descriptor != nullptr ? token : nullptr, "closeWriteDescriptorProc");
    if (t == nullptr) return kParamErr;
    DescriptorHost* d = Host();
    *descriptor = NewDescriptorHandle(d, t->items);
    d->writers.erase(t);
    delete t;
    return noErr;
}

void FreeAll(DescriptorHost* d) {
    for (HostHandle* h : d->handles) delete h;
    for (ReadToken* t : d->readers) delete t;
    for (WriteToken* t : d->writers) delete t;
    d->handles.clear();
    d->readers.clear();
    d->writers.clear();
    d->played = nullptr;
}

}  // namespace

void OfferDescriptors(HostSession* s) {
    if (!s->options.offerDescriptors) return;
    if (s->descriptors == nullptr) s->descriptors = new DescriptorHost;
    DescriptorHost* d = s->descriptors;
    d->readProcs = ReadDescriptorProcs{};
    d->readProcs.readDescriptorProcsVersion = kCurrentReadDescriptorProcsVersion;
    d->readProcs.numReadDescriptorProcs = kCurrentReadDescriptorProcsCount;
    d->readProcs.openReadDescriptorProc = OpenReader;
    d->readProcs.closeReadDescriptorProc = CloseReader;
    d->readProcs.getKeyProc = GetKey;
    d->readProcs.getIntegerProc = GetInteger;
    d->readProcs.getFloatProc = GetFloat;
    d->readProcs.getUnitFloatProc = GetUnitFloat;
    d->writeProcs = WriteDescriptorProcs{};
    d->writeProcs.writeDescriptorProcsVersion = kCurrentWriteDescriptorProcsVersion;
    d->writeProcs.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
    d->writeProcs.openWriteDescriptorProc = OpenWriter;
    d->writeProcs.closeWriteDescriptorProc = CloseWriter;
    d->writeProcs.putIntegerProc = PutInteger;
    d->writeProcs.putFloatProc = PutFloat;
    d->writeProcs.putUnitFloatProc = PutUnitFloat;
    d->handleProcs = HandleProcs{};
    d->handleProcs.handleProcsVersion = kCurrentHandleProcsVersion;
    d->handleProcs.numHandleProcs = 8;
    d->handleProcs.newProc = NewHandleProc;
    d->handleProcs.disposeProc = DisposeHandleProc;
    d->handleProcs.getSizeProc = GetHandleSizeProc;
    d->handleProcs.setSizeProc = SetHandleSizeProc;
    d->handleProcs.lockProc = LockHandleProc;
    d->handleProcs.unlockProc = UnlockHandleProc;
    d->handleProcs.recoverSpaceProc = RecoverSpace;
    d->handleProcs.disposeRegularHandleProc = DisposeRegularHandleProc;

    FreeAll(d);
    d->playedDisposed = false;
    d->parameters = PIDescriptorParameters{};
    d->parameters.descriptorParametersVersion = kCurrentDescriptorParametersVersion;
    d->parameters.playInfo = plugInDialogDisplay;
    d->parameters.recordInfo = kRecordInfoUnset;
    d->parameters.readDescriptorProcs = &d->readProcs;
    d->parameters.writeDescriptorProcs = &d->writeProcs;
    s->record->descriptorParameters = &d->parameters;
    s->record->handleProcs = &d->handleProcs;
}

void PlayDescriptor(HostSession* s, const Descriptor& played, int16_t playInfo) {
    DescriptorHost* d = s->descriptors;
    if (d == nullptr) return;
    HostHandle* h = NewDescriptorHandle(d, played);
    d->played = h;
    d->parameters.descriptor = h;
    d->parameters.playInfo = playInfo;
}

void CollectDescriptors(HostSession* s) {
    DescriptorHost* d = s->descriptors;
    if (d == nullptr || !s->options.offerDescriptors) return;
    RunReport& rep = s->report;
    rep.recordInfo = d->parameters.recordInfo;
    rep.playedDescriptorDisposed = d->playedDisposed;
    HostHandle* h = Live(d->parameters.descriptor);
    if (d->parameters.descriptor != nullptr && h == nullptr)
        rep.problems.push_back("descriptors: the record's descriptor is not a handle the host made");
    if (h != nullptr && h->isDescriptor && h != d->played) {
        rep.recordedAction = true;
        rep.recorded = h->descriptor;
    }
    if (!d->readers.empty() || !d->writers.empty())
        rep.problems.push_back("descriptors: a read or write token was left open");
    FreeAll(d);
    d->parameters.descriptor = nullptr;
}

void FreeDescriptorHost(HostSession* s) {
    if (s->descriptors == nullptr) return;
    FreeAll(s->descriptors);
    delete s->descriptors;
    s->descriptors = nullptr;
}

}  // namespace kelvo::host
