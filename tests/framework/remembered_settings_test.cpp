// The remembered files: only settings within their bounds are taken back, the
// record keeps its run state, and Emberlit's file has its marker and version.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "remembered_flare.h"
#include "remembered_glow.h"
#include "settings_file.h"

TEST(RememberedFlare, TakesOnlySettingsWithinBoundsAndKeepsTheRecordsRunState) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.positionX = -40;
    p.positionAspect = 55;  // typed up to 100, shown only up to 10
    p.previewScale = 3;
    unsigned char file[flare::kSettingsFileSize];
    flare::EncodeRememberedFlare(p, file);
    flare::FilterParameters record = flare::DefaultFlareParameters();
    record.showDialog = 0;
    ASSERT_TRUE(flare::TakeRememberedFlare(file, sizeof file, &record));
    EXPECT_EQ(record.positionX, -40);
    EXPECT_EQ(record.positionAspect, 55);
    EXPECT_EQ(record.previewScale, 0);
    EXPECT_EQ(record.showDialog, 0);

    // A NaN, a hue beyond 1, a fraction of a ray: the record stays as it was.
    const size_t at[] = {offsetof(flare::FilterParameters, flareSize), offsetof(flare::FilterParameters, haloHue),
                         offsetof(flare::FilterParameters, raysCount)};
    const double values[] = {std::nan(""), 1.5, 7.5};
    for (int i = 0; i < 3; ++i) {
        unsigned char bad[sizeof file];
        std::memcpy(bad, file, sizeof bad);
        std::memcpy(bad + 1 + at[i], &values[i], sizeof(double));
        record.positionX = 5;
        EXPECT_FALSE(flare::TakeRememberedFlare(bad, sizeof bad, &record)) << i;
        EXPECT_EQ(record.positionX, 5) << i;
    }
}

TEST(RememberedGlow, MarkerVersionAndLittleEndianSettings) {
    glow::FilterParameters p = glow::DefaultGlowParameters();
    p.redLower = 200;
    unsigned char file[glow::kRememberedGlowSize];
    glow::EncodeRememberedGlow(p, file);
    EXPECT_EQ(std::memcmp(file, "EMBERLIT\x01\x00", 10), 0);
    EXPECT_EQ(std::memcmp(file + 10 + 3 * 4, "\xC8\x00\x00\x00", 4), 0);  // redLower
    glow::FilterParameters record = glow::DefaultGlowParameters();
    ASSERT_TRUE(glow::TakeRememberedGlow(file, sizeof file, &record));
    EXPECT_EQ(record.redLower, 200);
    file[8] = 2;  // a later version
    EXPECT_FALSE(glow::TakeRememberedGlow(file, sizeof file, &record));
}
