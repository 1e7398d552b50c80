// Recorded and played actions against a small host of descriptor procedures:
// every setting recorded under its table key, damaged descriptors and damaged
// procedure tables, and hosts that offer no descriptors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "flare_parameters.h"
#include "glow_parameters.h"
#include "script_parameters.h"

namespace kelvo::plugin {

namespace {

struct Item {
    DescriptorKeyID key;
    DescriptorTypeID type;
    DescriptorUnitID unit;
    double value;
};

// The host's side, one at a time: the played items, what the module wrote,
// and every handle it disposed of.
struct FakeHost {
    std::vector<Item> played;
    size_t next = 0;
    const Item* current = nullptr;
    std::vector<Item> written;
    bool writing = false;
    std::vector<Handle> disposed;
    int wrongReads = 0;  // a value read as another type than it has
    int playedHandle = 0, writtenHandle = 0;
} host;

int readToken = 0, writeToken = 0;

PIReadDescriptor OpenRead(PIDescriptorHandle h, DescriptorKeyID*) {
    host.next = 0;
    return h == &host.playedHandle ? &readToken : nullptr;
}
int16_t CloseRead(PIReadDescriptor) { return noErr; }
uint8_t GetKey(PIReadDescriptor, DescriptorKeyID* key, DescriptorTypeID* type, int32_t*) {
    if (host.next >= host.played.size()) return 0;
    host.current = &host.played[host.next++];
    *key = host.current->key;
    *type = host.current->type;
    return 1;
}
int16_t GetInteger(PIReadDescriptor, int32_t* v) {
    if (host.current->type != typeInteger) return ++host.wrongReads, -50;
    *v = static_cast<int32_t>(host.current->value);
    return noErr;
}
int16_t GetFloat(PIReadDescriptor, double* v) {
    if (host.current->type != typeFloat) return ++host.wrongReads, -50;
    *v = host.current->value;
    return noErr;
}
int16_t GetUnitFloat(PIReadDescriptor, DescriptorUnitID* unit, double* v) {
    if (host.current->type != typeUnitFloat) return ++host.wrongReads, -50;
    *unit = host.current->unit;
    *v = host.current->value;
    return noErr;
}
PIWriteDescriptor OpenWrite() {
    host.writing = true;
    return &writeToken;
}
int16_t CloseWrite(PIWriteDescriptor, PIDescriptorHandle* h) {
    host.writing = false;
    *h = &host.writtenHandle;
    return noErr;
}
int16_t PutInteger(PIWriteDescriptor, DescriptorKeyID key, int32_t v) {
    host.written.push_back({key, typeInteger, 0, static_cast<double>(v)});
    return noErr;
}
int16_t PutFloat(PIWriteDescriptor, DescriptorKeyID key, const double* v) {
    host.written.push_back({key, typeFloat, 0, *v});
    return noErr;
}
int16_t PutUnitFloat(PIWriteDescriptor, DescriptorKeyID key, DescriptorUnitID unit, const double* v) {
    host.written.push_back({key, typeUnitFloat, unit, *v});
    return noErr;
}
void Dispose(Handle h) { host.disposed.push_back(h); }

class ScriptParameters : public ::testing::Test {
protected:
    void SetUp() override {
        host = FakeHost{};
        read_ = ReadDescriptorProcs{};
        read_.readDescriptorProcsVersion = kCurrentReadDescriptorProcsVersion;
        read_.numReadDescriptorProcs = kCurrentReadDescriptorProcsCount;
        read_.openReadDescriptorProc = OpenRead;
        read_.closeReadDescriptorProc = CloseRead;
        read_.getKeyProc = GetKey;
        read_.getIntegerProc = GetInteger;
        read_.getFloatProc = GetFloat;
        read_.getUnitFloatProc = GetUnitFloat;
        write_ = WriteDescriptorProcs{};
        write_.writeDescriptorProcsVersion = kCurrentWriteDescriptorProcsVersion;
        write_.numWriteDescriptorProcs = kCurrentWriteDescriptorProcsCount;
        write_.openWriteDescriptorProc = OpenWrite;
        write_.closeWriteDescriptorProc = CloseWrite;
        write_.putIntegerProc = PutInteger;
        write_.putFloatProc = PutFloat;
        write_.putUnitFloatProc = PutUnitFloat;
        handles_ = HandleProcs{};
        handles_.handleProcsVersion = kCurrentHandleProcsVersion;
        handles_.numHandleProcs = 8;
        handles_.disposeProc = Dispose;
        parameters_ = {kCurrentDescriptorParametersVersion, plugInDialogDontDisplay, 0x7EEE, nullptr, &write_, &read_};
        std::memset(&record_, 0, sizeof record_);
        record_.descriptorParameters = &parameters_;
        record_.handleProcs = &handles_;
    }
    // Plays the items into a default flare record.
    PlayedAction Play(const std::vector<Item>& items, flare::FilterParameters* p) {
        host.played = items;
        parameters_.descriptor = &host.playedHandle;
        *p = flare::DefaultFlareParameters();
        return ReadScriptParameters(&record_, flare::kFlareSettings, p);
    }

    ReadDescriptorProcs read_{};
    WriteDescriptorProcs write_{};
    HandleProcs handles_{};
    PIDescriptorParameters parameters_{};
    FilterRecord record_{};
};

Item Unit(const char* key, DescriptorUnitID unit, double v) { return {ScriptKeyCode(key), typeUnitFloat, unit, v}; }
Item Real(const char* key, double v) { return {ScriptKeyCode(key), typeFloat, 0, v}; }
Item Whole(const char* key, double v) { return {ScriptKeyCode(key), typeInteger, 0, v}; }

TEST(ScriptKeys, EveryRowHasAFourCharacterKeyUniqueInItsTable) {
    for (const SettingsTable* table : {&flare::kFlareSettings, &glow::kGlowSettings}) {
        std::set<uint32_t> keys;
        for (int i = 0; i < table->count; ++i) {
            const SettingField& f = table->fields[i];
            ASSERT_NE(f.scriptKey, nullptr) << f.name;
            EXPECT_EQ(std::strlen(f.scriptKey), 4u) << f.name;
            EXPECT_TRUE(keys.insert(ScriptKeyCode(f.scriptKey)).second) << f.name << " repeats " << f.scriptKey;
            // Whole numbers travel as integers or pixels, never as plain reals.
            if (f.kind != SettingKind::Real) {
                EXPECT_NE(f.scriptType, ScriptType::Float) << f.name;
            }
            EXPECT_EQ(FindScriptKey(*table, ScriptKeyCode(f.scriptKey)), &f);
        }
    }
    EXPECT_EQ(ScriptKeyCode("posX"), FourCharCode("posX"));
}

TEST_F(ScriptParameters, RecordsEverySettingUnderItsKeyAndTypeInTableOrder) {
    glow::FilterParameters g = glow::DefaultGlowParameters();
    g.glowLevel = 27;
    ASSERT_TRUE(WriteScriptParameters(&record_, glow::kGlowSettings, &g));
    EXPECT_EQ(parameters_.descriptor, &host.writtenHandle);
    EXPECT_EQ(parameters_.recordInfo, plugInDialogOptional);
    ASSERT_EQ(host.written.size(), static_cast<size_t>(glow::kGlowSettings.count));
    for (int i = 0; i < glow::kGlowSettings.count; ++i) {
        const SettingField& f = glow::kGlowSettings.fields[i];
        EXPECT_EQ(host.written[i].key, ScriptKeyCode(f.scriptKey));
        EXPECT_EQ(host.written[i].type, ScriptDescriptorType(f.scriptType));
        EXPECT_EQ(host.written[i].value, ReadSetting(f, &g));
    }
    EXPECT_EQ(host.written.back().unit, unitPixels);

    // A descriptor left in the record (one the module did not dispose of) is
    // given back to the host before the new one takes its place.
    host.written.clear();
    parameters_.descriptor = &host.playedHandle;
    const flare::FilterParameters p = flare::DefaultFlareParameters();
    ASSERT_TRUE(WriteScriptParameters(&record_, flare::kFlareSettings, &p));
    ASSERT_EQ(host.disposed.size(), 1u);
    EXPECT_EQ(host.disposed[0], &host.playedHandle);
    EXPECT_EQ(host.written.size(), 22u);
}

TEST_F(ScriptParameters, PlayedValuesAreClampedAndTheDialogFollowsPlayInfo) {
    flare::FilterParameters p;
    EXPECT_EQ(Play({Unit("posX", unitPixels, 470.9), Unit("posY", unitPixels, -20000), Real("flSz", 250),
                    Whole("ryCt", 9), Unit("anRt", unitAngle, 45.5), Real("posA", 0.5)},
                   &p),
              PlayedAction::NoDialog);
    EXPECT_EQ(p.positionX, 470);    // pixels of a whole-number field, truncated
    EXPECT_EQ(p.positionY, -10000); // clamped to what the field can hold
    EXPECT_EQ(p.flareSize, 100);
    EXPECT_EQ(p.raysCount, 9);
    EXPECT_EQ(p.anamorphicRotate, 45.5);
    EXPECT_EQ(p.positionAspect, 0.5);
    EXPECT_EQ(p.haloSize, 10);  // not in the descriptor: as it was
    EXPECT_EQ(host.disposed, std::vector<Handle>{&host.playedHandle});
    EXPECT_EQ(parameters_.descriptor, nullptr);

    parameters_.playInfo = plugInDialogDisplay;
    EXPECT_EQ(Play({}, &p), PlayedAction::WithDialog);
    parameters_.playInfo = plugInDialogSilent;
    EXPECT_EQ(Play({}, &p), PlayedAction::NoDialog);
}

// One damaged value at a time: the record keeps every setting but the ones a
// valid value reached, the host is never asked for a value of another type.
TEST_F(ScriptParameters, DamagedDescriptorChangesOnlyItsValidValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* what;
        Item item;
    } cases[] = {
        {"unknown key", Real("zzzz", 5)},
        {"key of the other module", Whole("glLv", 5)},
        {"integer for a real", Whole("flSz", 5)},
        {"real for an integer", Real("ryCt", 5)},
        {"plain real for pixels", Real("posX", 5)},
        {"pixels for an angle", Unit("ryRt", unitPixels, 5)},
        {"angle for pixels", Unit("posY", unitAngle, 5)},
        {"NaN", Real("flBr", nan)},
        {"infinity", Real("hlBr", inf)},
        {"-infinity", Unit("anRt", unitAngle, -inf)},
        {"unknown type", {ScriptKeyCode("flHu"), FourCharCode("TEXT"), 0, 0.5}},
        {"null type", {ScriptKeyCode("flHu"), typeNull, 0, 0.5}},
        {"zero key", {0, typeFloat, 0, 5}},
    };
    const flare::FilterParameters defaults = flare::DefaultFlareParameters();
    for (const auto& c : cases) {
        flare::FilterParameters p;
        // The damaged value between two good ones.
        EXPECT_EQ(Play({Real("rfSz", 42), c.item, Real("rfBr", 43)}, &p), PlayedAction::NoDialog) << c.what;
        flare::FilterParameters expected = defaults;
        expected.reflectionsSize = 42;
        expected.reflectionsBright = 43;
        EXPECT_EQ(std::memcmp(&p, &expected, sizeof p), 0) << c.what;
        EXPECT_EQ(host.wrongReads, 0) << c.what;
    }
    // Out of range and negative zero are values, clamped as a settings file's.
    flare::FilterParameters p;
    Play({Real("flHu", -3), Real("hlHu", 7), Real("ryHu", -0.0), Whole("ryCt", 100000)}, &p);
    EXPECT_EQ(p.flareHue, 0);
    EXPECT_EQ(p.haloHue, 1);
    EXPECT_FALSE(std::signbit(p.raysHue));
    EXPECT_EQ(p.raysCount, 360);
}

// Hosts without descriptors, or with tables the module cannot use: nothing is
// read or written and the descriptor parameters stay as they were.
TEST_F(ScriptParameters, UnusableProcedureTablesAreLeftAlone) {
    using Damage = void (*)(FilterRecord*);
    const struct {
        const char* what;
        Damage damage;
    } cases[] = {
        {"no descriptor parameters", [](FilterRecord* r) { r->descriptorParameters = nullptr; }},
        {"later parameters version", [](FilterRecord* r) { r->descriptorParameters->descriptorParametersVersion = 1; }},
        {"no procedure tables",
         [](FilterRecord* r) {
             r->descriptorParameters->readDescriptorProcs = nullptr;
             r->descriptorParameters->writeDescriptorProcs = nullptr;
         }},
        {"later table versions",
         [](FilterRecord* r) {
             r->descriptorParameters->readDescriptorProcs->readDescriptorProcsVersion = 1;
             r->descriptorParameters->writeDescriptorProcs->writeDescriptorProcsVersion = 1;
         }},
        {"too few procedures",
         [](FilterRecord* r) {
             r->descriptorParameters->readDescriptorProcs->numReadDescriptorProcs = 5;
             r->descriptorParameters->writeDescriptorProcs->numWriteDescriptorProcs = 4;
         }},
        {"null procedures",
         [](FilterRecord* r) {
             r->descriptorParameters->readDescriptorProcs->getUnitFloatProc = nullptr;
             r->descriptorParameters->writeDescriptorProcs->putUnitFloatProc = nullptr;
         }},
    };
    for (const auto& c : cases) {
        SetUp();
        c.damage(&record_);
        const PIDescriptorParameters before = parameters_;
        flare::FilterParameters p;
        EXPECT_EQ(Play({Real("flSz", 50)}, &p), PlayedAction::None) << c.what;
        EXPECT_EQ(p.flareSize, 10) << c.what;
        EXPECT_FALSE(WriteScriptParameters(&record_, flare::kFlareSettings, &p)) << c.what;
        EXPECT_TRUE(host.written.empty() && !host.writing && host.disposed.empty()) << c.what;
        EXPECT_EQ(parameters_.recordInfo, before.recordInfo) << c.what;
    }
    // Without handle procedures the read descriptor is left to the host.
    SetUp();
    record_.handleProcs = nullptr;
    flare::FilterParameters p;
    EXPECT_EQ(Play({Real("flSz", 50)}, &p), PlayedAction::NoDialog);
    EXPECT_EQ(p.flareSize, 50);
    EXPECT_EQ(parameters_.descriptor, &host.playedHandle);
}

}  // namespace

}  // namespace kelvo::plugin
