// The shipped defaults of both settings records, written out once for every
// test that checks a record: the native tests of the defaults themselves and
// the Wine tests of the records the modules make. Run state (previewScale,
// showDialog) is left to the caller, since it differs over a run.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>

#include "flare_parameters.h"
#include "glow_parameters.h"

namespace kelvo::expected {

inline void ExpectFlareSettingsDefaults(const flare::FilterParameters& p) {
    EXPECT_EQ(p.positionX, 100);
    EXPECT_EQ(p.positionY, 100);
    // flareSize .. positionAspect, in record order.
    const double doubles[] = {10.0, 21.0, 10.0, 0.05, 10.0, 30.0, 0.05, 10.0, 20.0, 22.0,
                              11.0, 0.0,  100.0, 0.7, 0.05, 0.0, 30.0, 0.0, 0.7, 1.0};
    const double* actual = &p.flareSize;
    for (size_t i = 0; i < sizeof doubles / sizeof doubles[0]; ++i) EXPECT_EQ(actual[i], doubles[i]) << "double " << i;
    for (uint8_t b : p.reserved) EXPECT_EQ(b, 0);
}

inline void ExpectGlowSettingsDefaults(const glow::FilterParameters& p) {
    EXPECT_EQ(p.redUpper, 255);
    EXPECT_EQ(p.greenUpper, 255);
    EXPECT_EQ(p.blueUpper, 255);
    EXPECT_EQ(p.redLower, 250);
    EXPECT_EQ(p.greenLower, 250);
    EXPECT_EQ(p.blueLower, 250);
    EXPECT_EQ(p.glowLevel, 10);
}

}  // namespace kelvo::expected
