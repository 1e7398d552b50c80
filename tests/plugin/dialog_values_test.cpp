// What the dialogs' fields accept, show and step to, through the modules'
// settings tables.
#include "dialog_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "flare_parameters.h"
#include "glow_parameters.h"

namespace kelvo::plugin {

namespace {

const SettingField& Flare(const char* name) { return *FindSetting(flare::kFlareSettings, name); }
const SettingField& Glow(const char* name) { return *FindSetting(glow::kGlowSettings, name); }

std::string Fill(const SettingField& f, const void* record, IntegerText form = IntegerText::Signed) {
    char text[kFieldTextSize];
    FieldFillText(f, record, form, text);
    return text;
}

std::string Step(const SettingField& f, const void* record, int delta, IntegerText form = IntegerText::Signed) {
    char text[kFieldTextSize];
    FieldStepText(f, record, delta, form, text);
    return text;
}

}  // namespace

TEST(StepValue, ClampsOnlyTowardsTheOutside) {
    EXPECT_EQ(StepValue(255, 0, 255, +1), 255);
    EXPECT_EQ(StepValue(0, 0, 255, -1), 0);
    EXPECT_EQ(StepValue(-10000, -10000, 10000, -1), -10000);
    EXPECT_EQ(StepValue(25, 0, 20, +1), 20);
    EXPECT_EQ(StepValue(25, 0, 20, -1), 24);
    EXPECT_EQ(StepValue(-5, 0, 20, +1), -4);
    EXPECT_EQ(StepValue(9999, -10000, 10000, +1), 10000);
}

TEST(TypedText, RealsReadAsAtofAndClamped) {
    EXPECT_EQ(ReadRealText("  12.5abc", 0, 100), 12.5);
    EXPECT_EQ(ReadRealText("letters", 0, 100), 0);
    EXPECT_EQ(ReadRealText("", 0, 1), 0);
    EXPECT_EQ(ReadRealText("150", 0, 100), 100);
    EXPECT_EQ(ReadRealText("-3", 0, 1), 0);
    EXPECT_EQ(ReadRealText("nan", 0, 100), 0);
    EXPECT_EQ(ReadRealText("inf", 0, 360), 360);
    EXPECT_EQ(ReadRealText("1e400", 0, 360), 360);
    // Only 31 characters are read: the digit after them is not.
    EXPECT_EQ(ReadRealText((std::string(30, ' ') + "7" + "5").c_str(), 0, 100), 7);
}

TEST(TypedText, IntegersNeedTheWholeTextInRange) {
    int32_t v = -1;
    EXPECT_TRUE(ParseWholeText("", 0, 255, &v));
    EXPECT_EQ(v, 0) << "an empty field stores 0";
    EXPECT_TRUE(ParseWholeText(" 12", 0, 255, &v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(ParseWholeText("+7", 0, 255, &v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseWholeText("-0", 0, 255, &v));
    EXPECT_EQ(v, 0);
    v = 99;
    for (const char* refused : {"12 ", "1a", "-1", "256", "-", " ", "0x10", "99999999999999999999"})
        EXPECT_FALSE(ParseWholeText(refused, 0, 255, &v)) << '"' << refused << '"';
    EXPECT_EQ(v, 99);
    EXPECT_TRUE(ParseWholeText("255", 0, 255, &v));
    EXPECT_TRUE(ParseWholeText("-9999", -9999, 9999, &v));
    EXPECT_FALSE(ParseWholeText("-10000", -9999, 9999, &v));
}

TEST(ShownText, RealsInSinglePrecisionWithTwoDecimals) {
    char text[kFieldTextSize];
    FormatShownReal(10.0, 0, 100, text);
    EXPECT_STREQ(text, "10.00");
    FormatShownReal(500.0, 0, 100, text);
    EXPECT_STREQ(text, "100.00");
    FormatShownReal(-1.0, 0, 1, text);
    EXPECT_STREQ(text, "0.00");
    FormatShownReal(std::numeric_limits<double>::quiet_NaN(), 0, 1, text);
    EXPECT_STREQ(text, "0.00");
    FormatShownReal(1e300, 0, 360, text);
    EXPECT_STREQ(text, "360.00");
    FormatShownReal(0.05, 0, 1, text);
    EXPECT_STREQ(text, "0.05");
    FormatShownReal(0.123456, 0, 1, text);
    EXPECT_STREQ(text, "0.12");
}

TEST(TruncateToInt32, SaturatesAndMapsNaNToZero) {
    EXPECT_EQ(TruncateToInt32(22.7), 22);
    EXPECT_EQ(TruncateToInt32(-22.7), -22);
    EXPECT_EQ(TruncateToInt32(1e10), INT32_MAX);
    EXPECT_EQ(TruncateToInt32(-1e10), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
}

TEST(FlareFields, PositionIsSteppedBeyondWhatCanBeStored) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    const SettingField& x = Flare("positionX");
    const SettingField& y = Flare("positionY");
    p.positionX = 9999;
    EXPECT_EQ(Step(x, &p, +1), "10000");
    EXPECT_FALSE(StoreFieldText(x, &p, "10000"));
    EXPECT_EQ(p.positionX, 9999);
    EXPECT_TRUE(StoreFieldText(x, &p, "9999"));
    p.positionY = 1000;
    EXPECT_EQ(Step(y, &p, +1), "1001");
    EXPECT_FALSE(StoreFieldText(y, &p, "1001"));
    EXPECT_TRUE(StoreFieldText(y, &p, "1000"));
    EXPECT_FALSE(StoreFieldText(x, &p, "12abc"));
    EXPECT_TRUE(StoreFieldText(x, &p, " 12"));
    EXPECT_EQ(p.positionX, 12);
    p.positionX = -10000;  // from a settings file
    EXPECT_EQ(Step(x, &p, -1), "-10000");
    p.positionX = 20000;
    EXPECT_EQ(Fill(x, &p), "20000");
    EXPECT_FALSE(StoreFieldText(x, &p, "20000"));
    EXPECT_EQ(p.positionX, 20000) << "stays as loaded";
}

TEST(FlareFields, CountIsAWholeNumberStoredAsADouble) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    const SettingField& count = Flare("raysCount");
    p.raysCount = 22.7;
    EXPECT_EQ(Fill(count, &p), "22");
    EXPECT_TRUE(StoreFieldText(count, &p, "22"));
    EXPECT_EQ(p.raysCount, 22.0);
    EXPECT_FALSE(StoreFieldText(count, &p, "361"));
    EXPECT_TRUE(StoreFieldText(count, &p, "360"));
    EXPECT_EQ(p.raysCount, 360.0);
    p.raysCount = 0;
    EXPECT_EQ(Step(count, &p, -1), "0");
    p.raysCount = std::nan("");
    EXPECT_EQ(Fill(count, &p), "0");
}

TEST(FlareFields, RealsStepInSinglePrecisionWithinTheShownBounds) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    EXPECT_EQ(Step(Flare("flareSize"), &p, +1), "10.50");
    EXPECT_TRUE(StoreFieldText(Flare("flareSize"), &p, "10.50"));
    EXPECT_EQ(p.flareSize, 10.5);
    EXPECT_EQ(Step(Flare("flareHue"), &p, +1), "0.10");
    p.raysRotate = 360;
    EXPECT_EQ(Step(Flare("raysRotate"), &p, +1), "360.00");
    p.flareHue = 0;
    EXPECT_EQ(Step(Flare("flareHue"), &p, -1), "0.00");
    p.positionAspect = 10;
    EXPECT_EQ(Step(Flare("positionAspect"), &p, +1), "10.00");
}

TEST(FlareFields, TypedRealsAreClampedToTheTypedBounds) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    StoreFieldText(Flare("flareSize"), &p, "150");
    EXPECT_EQ(p.flareSize, 100);
    StoreFieldText(Flare("flareHue"), &p, "-3");
    EXPECT_EQ(p.flareHue, 0);
    StoreFieldText(Flare("haloSize"), &p, "abc");
    EXPECT_EQ(p.haloSize, 0);
    // Aspect is typed up to 100 but shown up to 10: the next fill stores 10.
    const SettingField& aspect = Flare("positionAspect");
    StoreFieldText(aspect, &p, "50");
    EXPECT_EQ(p.positionAspect, 50);
    const std::string shown = Fill(aspect, &p);
    EXPECT_EQ(shown, "10.00");
    StoreFieldText(aspect, &p, shown.c_str());
    EXPECT_EQ(p.positionAspect, 10);
}

TEST(FlareFields, AFillStoresEveryRealClampedAndRounded) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.flareSize = 500;
    p.raysRNoise = 0.123456;
    p.anamorphicRotate = -4;
    for (int i = 0; i < flare::kFlareSettings.count; ++i) {
        const SettingField& f = flare::kFlareSettings.fields[i];
        StoreFieldText(f, &p, Fill(f, &p).c_str());
    }
    EXPECT_EQ(p.flareSize, 100);
    EXPECT_EQ(p.raysRNoise, 0.12);
    EXPECT_EQ(p.anamorphicRotate, 0);
    flare::FilterParameters defaults = flare::DefaultFlareParameters();
    EXPECT_EQ(p.flareBright, defaults.flareBright);
    EXPECT_EQ(p.raysSNoise, defaults.raysSNoise);
    EXPECT_EQ(p.positionX, defaults.positionX);
}

TEST(GlowFields, LevelStepsWithinTwentyWhileThirtyCanBeTyped) {
    glow::FilterParameters p = glow::DefaultGlowParameters();
    const SettingField& level = Glow("glowLevel");
    EXPECT_TRUE(StoreFieldText(level, &p, "30"));
    EXPECT_FALSE(StoreFieldText(level, &p, "31"));
    p.glowLevel = 25;
    EXPECT_EQ(Step(level, &p, +1, IntegerText::Unsigned), "20");
    p.glowLevel = 20;
    EXPECT_EQ(Step(level, &p, +1, IntegerText::Unsigned), "20");
    const SettingField& redUpper = Glow("redUpper");
    EXPECT_EQ(Step(redUpper, &p, +1, IntegerText::Unsigned), "255");
    p.redLower = 0;
    EXPECT_EQ(Step(Glow("redLower"), &p, -1, IntegerText::Unsigned), "0");
    EXPECT_FALSE(StoreFieldText(redUpper, &p, "256"));
    EXPECT_EQ(p.redUpper, 255);
    // Emberlit shows its integers unsigned.
    p.blueLower = -1;
    EXPECT_EQ(Fill(Glow("blueLower"), &p, IntegerText::Unsigned), "4294967295");
}

TEST(SettingsTables, EveryEditAndSpinIdFindsItsRow) {
    for (const SettingsTable* table : {&flare::kFlareSettings, &glow::kGlowSettings}) {
        for (int i = 0; i < table->count; ++i) {
            const SettingField& f = table->fields[i];
            EXPECT_EQ(FieldByEditId(*table, f.editId), &f) << f.name;
            EXPECT_EQ(FieldBySpinId(*table, f.spinId), &f) << f.name;
        }
        EXPECT_EQ(FieldByEditId(*table, 101), nullptr) << "the preview is no field";
        EXPECT_EQ(FieldByEditId(*table, 1), nullptr);
    }
}

}  // namespace kelvo::plugin
