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

// --scale-from W: the flare drawn width / W times larger (the command line
// takes it with the flare only). False when that factor is out of range.
bool ApplyScaleFrom(const FilterSettings& settings, int32_t width, FilterSettings* resolved, std::string* error) {
    if (settings.scaleFrom <= 0) return true;
    const double factor = static_cast<double>(width) / settings.scaleFrom;
    if (factor < kMinScale || factor > kMaxScale) {
        *error = "--scale-from " + std::to_string(settings.scaleFrom) + " asks this " + std::to_string(width) +
                 "-pixel-wide image for a flare " + std::to_string(factor) +
                 " times its size; the factor must lie from " + ScaleRange();
        return false;
    }
    resolved->flare.previewScale = 1.0 / factor;
    return true;
}

// What the renderer divides the record's pixel positions by: the flare's
// reduction factor, set by --scale and --scale-from; the other filters take
// positions in the image's own pixels.
double PositionScale(const FilterSettings& resolved) {
    return resolved.filter == FilterChoice::Flare ? flare::WorkingScale(resolved.flare) : 1.0;
}

// Writes every position setting given as a percentage as the position of
// this image's pixel, through the chosen filter's table.
void ResolvePercentages(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved) {
    const SettingsTable& table = SettingsTableFor(settings.filter);
    const double scale = PositionScale(*resolved);
    for (int i = 0; i < table.count; ++i) {
        const SettingField& field = table.fields[i];
        const RelativePosition* relative = RelativeOf(settings, field);
        if (relative == nullptr || !relative->given) continue;
        const int64_t pixel = PercentPixel(relative->percent, field.role == SettingRole::PositionX ? width : height);
        // With --scale F the renderer multiplies pixel positions by F: the
        // record gets the position whose product lands nearest the pixel.
        WriteSetting(field, SettingsRecord(resolved),
                     flare::PositionLandingOn(pixel, scale, kCliPositionLow, kCliPositionHigh));
    }
}

}  // namespace

bool SettingsForImage(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved,
                      std::string* error) {
    *resolved = settings;
    if (!ApplyScaleFrom(settings, width, resolved, error)) return false;
    ResolvePercentages(settings, width, height, resolved);
    return true;
}

}  // namespace kelvo::cli
