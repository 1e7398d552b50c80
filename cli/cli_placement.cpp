#include "cli_placement.h"

#include <cmath>

#include "flare_scale.h"

namespace kelvo::cli {
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
                     " times its size; the factor must lie from " + ScaleRange();
            return false;
        }
        resolved->flare.previewScale = 1.0 / factor;
    }
    // With --scale F the renderer multiplies pixel positions by F: the record
    // gets the position whose product lands nearest the pixel.
    const double scale = flare::WorkingScale(resolved->flare);
    const auto land = [scale](int64_t pixel) {
        return flare::PositionLandingOn(pixel, scale, kCliPositionLow, kCliPositionHigh);
    };
    if (settings.relativeX.given) resolved->flare.positionX = land(PercentPixel(settings.relativeX.percent, width));
    if (settings.relativeY.given) resolved->flare.positionY = land(PercentPixel(settings.relativeY.percent, height));
    return true;
}

}  // namespace kelvo::cli
