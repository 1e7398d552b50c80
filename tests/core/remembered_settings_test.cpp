// Remembered files: only settings within bounds come back, without run state.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "remembered_flare.h"
#include "remembered_glow.h"
#include "settings_file.h"

namespace kelvo {

TEST(RememberedSettings, OnlySettingsWithinBoundsComeBackWithoutRunState) {
    flare::FilterParameters p = flare::DefaultFlareParameters();
    p.positionAspect = 55;  // typed up to 100, shown only up to 10
    p.previewScale = 3;
    unsigned char file[flare::kSettingsFileSize];
    flare::EncodeRememberedFlare(p, file);
    flare::FilterParameters record{};
    ASSERT_TRUE(flare::TakeRememberedFlare(file, sizeof file, &record));
    EXPECT_EQ(record.positionAspect, 55);
    EXPECT_EQ(record.previewScale + record.showDialog, 0);
    // A NaN, a hue beyond 1, a fraction of a ray; the record stays as it was.
    const double values[] = {std::nan(""), 1.5, 7.5};
    const size_t at[] = {offsetof(flare::FilterParameters, flareSize), offsetof(flare::FilterParameters, haloHue),
                         offsetof(flare::FilterParameters, raysCount)};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(file + 1 + at[i], &values[i], sizeof(double));
        EXPECT_FALSE(flare::TakeRememberedFlare(file, sizeof file, &p)) << i;
    }
    EXPECT_EQ(p.flareSize, 10.0);

    glow::FilterParameters g = glow::DefaultGlowParameters();
    unsigned char glowFile[glow::kRememberedGlowSize];
    glow::EncodeRememberedGlow(g, glowFile);
    EXPECT_EQ(std::memcmp(glowFile, "EMBERLIT\x01\x00\xFF\x00", 12), 0);
    glowFile[8] = 2;  // a later version
    EXPECT_FALSE(glow::TakeRememberedGlow(glowFile, sizeof glowFile, &g));
}

}  // namespace kelvo
