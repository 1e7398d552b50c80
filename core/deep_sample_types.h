// The per-type arithmetic of the deep renderers: how a sample reads as light
// (1.0 = white, in the encoding the light is added in), how it reduces to the
// 8 bits the glow's windows are tested on, how much light it can still take,
// and how light is added to it. The renderers are templates over these two;
// DrawWithSamples picks the one of an area.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "deep_area.h"
#include "srgb_transfer.h"

namespace kelvo {

// Integer samples, 0..white. Light is added in the image's own scale and the
// sum rounded once to the nearest whole sample, saturating at 0 and white.
struct U16Samples {
    uint32_t white;
    double whiteReal;
    double inverse;

    explicit U16Samples(uint32_t w) : white(w), whiteReal(w), inverse(1.0 / w) {}

    static uint16_t Load(const uint8_t* p) {
        uint16_t s;
        std::memcpy(&s, p, sizeof s);
        return s;
    }
    double Level(const uint8_t* p) const { return Load(p) * inverse; }
    uint8_t Reduce8(const uint8_t* p) const {
        uint32_t v = Load(p);
        if (v > white) v = white;
        return static_cast<uint8_t>((v * 255u + white / 2) / white);
    }
    // The light the sample can take before it reaches white, and the light
    // (negative) that takes it to 0.
    double Headroom(const uint8_t* p) const {
        const double r = (whiteReal - Load(p)) * inverse;
        return r > 0.0 ? r : 0.0;
    }
    double Footroom(const uint8_t* p) const { return -Load(p) * inverse; }
    void AddLight(uint8_t* p, double light) const {
        if (!(light != 0.0)) return;
        // Rounded to the nearest whole sample; truncation is the floor here,
        // where the sum is positive.
        const double v = Load(p) + light * whiteReal + 0.5;
        uint16_t s;
        if (!(v >= 1.0)) {
            s = 0;
        } else if (v >= whiteReal) {
            s = static_cast<uint16_t>(white);
        } else {
            s = static_cast<uint16_t>(static_cast<uint32_t>(v));
        }
        std::memcpy(p, &s, sizeof s);
    }
};

// IEEE single-precision samples, 1.0 = white, values above kept. With
// `linear` the samples hold linear light and the light is added to their
// sRGB encoding. NaN and infinite samples are never changed; no finite sample
// becomes one (sums beyond the float range stop at its largest value).
struct F32Samples {
    bool linear;

    // The largest level a sample stands for as a source of light.
    static constexpr double kMaxLevel = 1e6;

    static float Load(const uint8_t* p) {
        float s;
        std::memcpy(&s, p, sizeof s);
        return s;
    }
    double Level(const uint8_t* p) const {
        const float s = Load(p);
        if (!std::isfinite(s)) return 0.0;  // NaN and infinities give no light
        const double l = linear ? SrgbEncode(s) : s;
        return l > kMaxLevel ? kMaxLevel : (l < -kMaxLevel ? -kMaxLevel : l);
    }
    uint8_t Reduce8(const uint8_t* p) const {
        const double l = Level(p);
        if (!(l > 0.0)) return 0;
        if (l >= 1.0) return 255;
        return static_cast<uint8_t>(l * 255.0 + 0.5);
    }
    // A pixel holds at most white's worth of light, whatever its picture:
    // a black one saturates as in 8 bits, an HDR one grows past 1.
    double Headroom(const uint8_t*) const { return 1.0; }
    double Footroom(const uint8_t*) const { return -1.0; }
    void AddLight(uint8_t* p, double light) const {
        if (!(light != 0.0)) return;
        const float s = Load(p);
        if (!std::isfinite(s)) return;
        double v = s + light;
        if (linear) {
            const double e = SrgbEncode(s);
            if (e + light == e) return;  // too little to show in the encoding
            v = SrgbDecode(e + light);
        }
        if (v != v) return;
        if (v > FLT_MAX) v = FLT_MAX;
        if (v < -FLT_MAX) v = -FLT_MAX;
        const float r = static_cast<float>(v);
        // Light too small to change the value leaves its bits (a zero's
        // sign included) as they were.
        if (r == s) return;
        std::memcpy(p, &r, sizeof r);
    }
};

// The start of every deep entry: an area that cannot be drawn is left alone
// (Done); any other is drawn by draw(samples), with the arithmetic of its
// samples (integers up to its white, floats linear or not).
template <typename Draw>
RenderEnd DrawWithSamples(const DeepArea& area, Draw draw) {
    if (!DeepAreaUsable(area)) return RenderEnd::Done;
    if (area.samples == DeepSamples::U16) return draw(U16Samples(area.white));
    return draw(F32Samples{area.linear});
}

}  // namespace kelvo
