// The list of filters and each description's wiring: names to look them up
// by, defaults from the filter's own table, and an entry that draws the
// filter itself.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "filter_list.h"
#include "flare_filter.h"
#include "glow_filter.h"
#include "glow_pass.h"
#include "render_flare.h"
#include "render_glow.h"

namespace kelvo {

TEST(FilterList, NamesEachFilterOnce) {
    std::set<std::string> names, titles;
    for (const FilterDescription* filter : AllFilters()) {
        EXPECT_TRUE(names.insert(filter->name).second) << filter->name;
        EXPECT_TRUE(titles.insert(filter->title).second) << filter->title;
        EXPECT_EQ(FindFilter(filter->name), filter);
        EXPECT_LE(filter->recordSize, kMaxSettingsRecordBytes);
    }
    EXPECT_EQ(FindFilter("Flare"), nullptr);  // names are matched exactly
    EXPECT_EQ(FilterNames(" or "), "flare or glow");
}

TEST(FilterList, DefaultsComeFromEachFiltersTable) {
    for (const FilterDescription* filter : AllFilters()) {
        alignas(8) unsigned char record[kMaxSettingsRecordBytes] = {};
        filter->writeDefaults(record);
        for (int i = 0; i < filter->table->count; ++i) {
            const SettingField& field = filter->table->fields[i];
            EXPECT_EQ(ReadSetting(field, record), field.defaultValue) << filter->name << " " << field.name;
        }
    }
}

// Only the flare has a point in the image: its centre, one row for each axis.
TEST(FilterList, PositionRolesAreTheFlareCentre) {
    for (const FilterDescription* filter : AllFilters()) {
        std::vector<std::string> roles;
        for (int i = 0; i < filter->table->count; ++i)
            if (filter->table->fields[i].role != SettingRole::None) roles.push_back(filter->table->fields[i].name);
        const std::vector<std::string> expected =
            filter == &flare::kFlareFilter ? std::vector<std::string>{"positionX", "positionY"} : std::vector<std::string>{};
        EXPECT_EQ(roles, expected) << filter->name;
    }
}

// Each description's entry, at the preview scale it stored, gives the bytes
// of its filter's typed entry.
TEST(FilterList, EntriesDrawTheirOwnFilter) {
    const int32_t w = 48, h = 36, planes = 3;
    std::vector<uint8_t> in(static_cast<size_t>(w) * h * planes);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i % 7 == 0 ? 252 : i * 13);
    const auto areaOver = [&](std::vector<uint8_t>& out) { return PackedArea(in.data(), out.data(), w, h, planes); };
    for (const FilterDescription* filter : AllFilters()) {
        alignas(8) unsigned char record[kMaxSettingsRecordBytes] = {};
        filter->writeDefaults(record);
        filter->setPreviewScale(record, 2);
        std::vector<uint8_t> viaList(in.size()), direct(in.size());
        EXPECT_TRUE(filter->render(areaOver(viaList), record, RenderCallbacks{}));
        if (filter == &flare::kFlareFilter) {
            flare::FilterParameters s = flare::DefaultFlareParameters();
            s.previewScale = 2;
            flare::RenderFlareArea(areaOver(direct), s, RenderCallbacks{});
        } else {
            glow::FilterParameters s = glow::DefaultGlowParameters();
            s.previewScale = 2;
            glow::RenderGlowArea(areaOver(direct), s, RenderCallbacks{});
        }
        EXPECT_EQ(viaList, direct) << filter->name;
        EXPECT_NE(viaList, in) << filter->name;
    }
}

// Enlarging by 1 leaves the record byte for byte; by 2 the flare's working
// scale halves around the same centre pixel and the glow's level doubles.
TEST(FilterList, EnlargeDrawsLargerAndLeavesFactorOneAlone) {
    for (const FilterDescription* filter : AllFilters()) {
        alignas(8) unsigned char record[kMaxSettingsRecordBytes] = {};
        filter->writeDefaults(record);
        filter->setPreviewScale(record, 1);
        alignas(8) unsigned char same[kMaxSettingsRecordBytes];
        std::memcpy(same, record, sizeof record);
        filter->enlarge(same, 1.0);
        EXPECT_EQ(std::memcmp(same, record, sizeof record), 0) << filter->name;
        EXPECT_NE(filter->scaleBlurb, nullptr);
        filter->enlarge(record, 2.0);
        if (filter == &flare::kFlareFilter) {
            const auto& p = *reinterpret_cast<const flare::FilterParameters*>(record);
            EXPECT_EQ(p.previewScale, 0.5);
            EXPECT_EQ(p.positionX, 50);
            EXPECT_EQ(p.positionY, 50);
        } else {
            EXPECT_EQ(reinterpret_cast<const glow::FilterParameters*>(record)->glowLevel,
                      2 * glow::DefaultGlowParameters().glowLevel);
        }
    }
}

// A host's record with a glow level past the dialog's draws at the dialog's
// widest, as earlier builds drew it; an enlargement then still reaches past it.
TEST(FilterList, StoredGlowLevelsDrawAtMostTheDialogsWidest) {
    glow::FilterParameters record = glow::DefaultGlowParameters();
    record.glowLevel = glow::kMaxDrawnGlowRadius;
    glow::kGlowFilter.setPreviewScale(&record, 1);
    EXPECT_EQ(record.glowLevel, glow::kMaxGlowRadius);
    glow::kGlowFilter.enlarge(&record, 4.0);
    EXPECT_EQ(record.glowLevel, glow::kMaxDrawnGlowRadius);
}

}  // namespace kelvo
