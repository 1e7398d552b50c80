#include "cli_placement.h"

#include <cmath>

#include "flare_pass.h"

namespace cli {
namespace {

int64_t ClampToPositions(double v) {
    if (!(v > kCliPositionLow)) return kCliPositionLow;
    if (v > kCliPositionHigh) return kCliPositionHigh;
    return static_cast<int64_t>(v);
}

// The pixel a percentage of a side names; the small allowance keeps 33.3% of
// 1000 at 333 where the product comes out a hair below.
int64_t PercentPixel(double percent, int32_t side) {
    return ClampToPositions(std::floor(percent / 100.0 * side + 1e-9));
}

// The record position whose centre lands nearest `pixel` once the renderer
// divides it by the working scale and truncates toward zero.
int32_t RecordPosition(int64_t pixel, double scale) {
    const int64_t guess = ClampToPositions(std::round(static_cast<double>(pixel) * scale));
    int32_t best = static_cast<int32_t>(guess);
    int64_t bestMiss = INT64_MAX;
    for (int64_t candidate = guess - 1; candidate <= guess + 1; ++candidate) {
        if (candidate < kCliPositionLow || candidate > kCliPositionHigh) continue;
        const int64_t lands = flare::TruncToInt32(static_cast<double>(candidate) / scale);
        const int64_t miss = lands > pixel ? lands - pixel : pixel - lands;
        if (miss < bestMiss) {
            bestMiss = miss;
            best = static_cast<int32_t>(candidate);
        }
    }
    return best;
}

}  // namespace

bool SettingsForImage(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved,
                      std::string* error) {
    *resolved = settings;
    if (settings.filter != FilterChoice::Flare) return true;
    if (settings.scaleFrom > 0) {
        const double factor = static_cast<double>(width) / settings.scaleFrom;
        if (factor < kMinScale || factor > kMaxScale) {
            *error = "--scale-from " + std::to_string(settings.scaleFrom) + " asks this " + std::to_string(width) +
                     "-pixel-wide image for a flare " + std::to_string(factor) +
                     " times its size; the factor must lie from 0.05 to 64";
            return false;
        }
        resolved->flare.previewScale = 1.0 / factor;
    }
    const double scale = flare::WorkingScale(resolved->flare);
    if (settings.relativeX.given)
        resolved->flare.positionX = RecordPosition(PercentPixel(settings.relativeX.percent, width), scale);
    if (settings.relativeY.given)
        resolved->flare.positionY = RecordPosition(PercentPixel(settings.relativeY.percent, height), scale);
    return true;
}

}  // namespace cli
