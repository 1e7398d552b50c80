#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "expected_defaults.h"
#include "flare_parameters.h"
#include "glow_parameters.h"

namespace kelvo {

TEST(FlareSettings, DefaultsAreTheShippedValues) {
    const flare::FilterParameters p = flare::DefaultFlareParameters();
    expected::ExpectFlareSettingsDefaults(p);
    EXPECT_EQ(p.previewScale, 0.0);
    EXPECT_EQ(p.showDialog, 1);
}

TEST(FlareSettings, TableCoversEveryUserSettingOnceInRecordOrder) {
    ASSERT_EQ(flare::kFlareSettings.count, 22);
    // Every byte of the 22 settings (offsets 0..167) is covered exactly once.
    int covered[168] = {};
    for (int i = 0; i < flare::kFlareSettings.count; ++i) {
        const SettingField& f = flare::kFlareSettings.fields[i];
        const int width = f.kind == SettingKind::Int32 ? 4 : 8;
        for (int b = 0; b < width; ++b) ++covered[f.offset + b];
        EXPECT_LE(f.typedLow, f.defaultValue) << f.name;
        EXPECT_GE(f.typedHigh, f.defaultValue) << f.name;
    }
    for (int b = 0; b < 168; ++b) EXPECT_EQ(covered[b], 1) << "byte " << b;
    // The aspect is typed up to 100 but shown and stepped only up to 10.
    const SettingField* aspect = FindSetting(flare::kFlareSettings, "positionAspect");
    ASSERT_NE(aspect, nullptr);
    EXPECT_EQ(aspect->typedHigh, 100);
    EXPECT_EQ(aspect->shownHigh, 10);
    EXPECT_EQ(aspect->spinStep, static_cast<double>(0.05f));
}

TEST(GlowSettings, DefaultsAndTable) {
    const glow::FilterParameters p = glow::DefaultGlowParameters();
    expected::ExpectGlowSettingsDefaults(p);
    EXPECT_EQ(p.previewScale, 0);
    EXPECT_EQ(p.showDialog, 1);
    EXPECT_EQ(glow::kGlowSettings.count, 7);
}

TEST(SettingsTable, ParseAcceptsOnlyWholeNumbersInTypedRange) {
    const SettingField* x = FindSetting(flare::kFlareSettings, "positionX");
    const SettingField* y = FindSetting(flare::kFlareSettings, "positionY");
    const SettingField* count = FindSetting(flare::kFlareSettings, "raysCount");
    const SettingField* hue = FindSetting(flare::kFlareSettings, "flareHue");
    ASSERT_TRUE(x && y && count && hue);
    double v = -1;
    EXPECT_TRUE(ParseSettingValue(*x, "9999", &v));
    EXPECT_EQ(v, 9999);
    EXPECT_FALSE(ParseSettingValue(*x, "10000", &v));
    EXPECT_FALSE(ParseSettingValue(*x, "12abc", &v));
    EXPECT_FALSE(ParseSettingValue(*x, "", &v));
    EXPECT_TRUE(ParseSettingValue(*y, "-1000", &v));
    EXPECT_FALSE(ParseSettingValue(*y, "1001", &v));
    EXPECT_TRUE(ParseSettingValue(*count, "360", &v));
    EXPECT_FALSE(ParseSettingValue(*count, "361", &v));
    EXPECT_FALSE(ParseSettingValue(*count, "2.5", &v));
    EXPECT_TRUE(ParseSettingValue(*hue, "0.25", &v));
    EXPECT_EQ(v, 0.25);
    EXPECT_FALSE(ParseSettingValue(*hue, "1.5", &v));
    EXPECT_FALSE(ParseSettingValue(*hue, "nan", &v));
    EXPECT_FALSE(ParseSettingValue(*hue, "inf", &v));
    EXPECT_EQ(FindSetting(flare::kFlareSettings, "noSuchField"), nullptr);
}

// Values as people and scripts write them: whole numbers with a decimal
// point, reals below the smallest normal double, blanks at either end.
TEST(SettingsTable, ParseTakesNumbersInEverySpellingTheSameWay) {
    const SettingField* x = FindSetting(flare::kFlareSettings, "positionX");
    const SettingField* count = FindSetting(flare::kFlareSettings, "raysCount");
    const SettingField* hue = FindSetting(flare::kFlareSettings, "flareHue");
    ASSERT_TRUE(x && count && hue);
    double v = -1;
    for (const char* text : {"5.0", "5.", "5e0", "+5", " 5", "5 ", "\t5.00\t", "  5  "}) {
        v = -1;
        EXPECT_TRUE(ParseSettingValue(*count, text, &v)) << "'" << text << "'";
        EXPECT_EQ(v, 5) << "'" << text << "'";
    }
    EXPECT_TRUE(ParseSettingValue(*x, "-9999.0", &v));
    EXPECT_EQ(v, -9999);
    EXPECT_FALSE(ParseSettingValue(*count, "5.5", &v));
    EXPECT_FALSE(ParseSettingValue(*x, "1e4", &v));  // whole, but out of range

    // Tiny reals are in range and kept as the nearest double.
    ASSERT_TRUE(ParseSettingValue(*hue, "1e-320", &v));
    EXPECT_EQ(v, 1e-320);
    EXPECT_GT(v, 0);
    ASSERT_TRUE(ParseSettingValue(*hue, "1e-400", &v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(ParseSettingValue(*hue, "-0", &v));
    EXPECT_FALSE(std::signbit(v));
    EXPECT_FALSE(ParseSettingValue(*hue, "-1e-320", &v));  // below the range

    for (const char* text : {" ", "\t", "5 5", "0x1", "1e999", "infinity", "5,0", "0.5 x"})
        EXPECT_FALSE(ParseSettingValue(*hue, text, &v)) << "'" << text << "'";
}

TEST(SettingsTable, WriteAndReadRoundTripThroughTheRecordBytes) {
    flare::FilterParameters p{};
    WriteSetting(*FindSetting(flare::kFlareSettings, "positionY"), &p, -37.9);
    WriteSetting(*FindSetting(flare::kFlareSettings, "haloHue"), &p, 0.35);
    EXPECT_EQ(p.positionY, -37);  // int32 fields truncate toward zero
    EXPECT_EQ(p.haloHue, 0.35);
    EXPECT_EQ(ReadSetting(*FindSetting(flare::kFlareSettings, "positionY"), &p), -37.0);

    glow::FilterParameters g{};
    WriteSetting(*FindSetting(glow::kGlowSettings, "glowLevel"), &g, 30);
    EXPECT_EQ(g.glowLevel, 30);
}

TEST(SettingsTables, EveryRowStandsWithoutTheDialog) {
    // Titles, units and descriptions appear where there is no group box (the
    // command line's --list, GIMP's flat list of sliders): each row has all
    // three, and no two rows of a filter share a title.
    for (const SettingsTable* table : {&flare::kFlareSettings, &glow::kGlowSettings}) {
        for (int i = 0; i < table->count; ++i) {
            const SettingField& f = table->fields[i];
            EXPECT_TRUE(f.title != nullptr && *f.title != '\0' && std::strchr(f.title, ':') == nullptr) << f.name;
            EXPECT_TRUE(*UnitText(f.unit) != '\0') << f.name;
            EXPECT_TRUE(f.description != nullptr && *f.description != '\0') << f.name;
            for (int j = 0; j < i; ++j) EXPECT_STRNE(f.title, table->fields[j].title) << f.name;
        }
    }
}

}  // namespace kelvo
