#include "cli_placement.h"

#include <cmath>

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

// The enlargement of an image `width` pixels wide: --scale, or with
// --scale-from W its width / W. False when that factor is out of range.
bool ImageEnlargement(const FilterSettings& settings, int32_t width, double* factor, std::string* error) {
    *factor = settings.scale;
    if (settings.scaleFrom <= 0) return true;
    *factor = static_cast<double>(width) / settings.scaleFrom;
    if (*factor < kMinScale || *factor > kMaxScale) {
        *error = "--scale-from " + std::to_string(settings.scaleFrom) + " asks this " + std::to_string(width) +
                 "-pixel-wide image for a " + settings.filter->name + " " + std::to_string(*factor) +
                 " times its size; the factor must lie from " + ScaleRange();
        return false;
    }
    return true;
}

// Writes every position setting given as a percentage as the position of
// this image's pixel, through the chosen filter's table: with an enlargement
// F the renderer multiplies pixel positions by F, and the record gets the
// position whose product lands nearest the pixel.
void ResolvePercentages(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved) {
    const FilterDescription& filter = *settings.filter;
    void* record = SettingsRecord(resolved);
    for (int i = 0; i < filter.table->count; ++i) {
        const SettingField& field = filter.table->fields[i];
        const RelativePosition* relative = RelativeOf(settings, field);
        if (relative == nullptr || !relative->given) continue;
        const int64_t pixel = PercentPixel(relative->percent, field.role == SettingRole::PositionX ? width : height);
        WriteSetting(field, record,
                     filter.positionFor != nullptr
                         ? filter.positionFor(record, pixel, kCliPositionLow, kCliPositionHigh)
                         : static_cast<double>(pixel));
    }
}

}  // namespace

void EnlargeLook(const FilterDescription& filter, void* record, double factor) {
    if (factor == 1.0) return;
    (filter.enlargeLook != nullptr ? filter.enlargeLook : filter.enlarge)(record, factor);
}

bool SettingsForImage(const FilterSettings& settings, int32_t width, int32_t height, FilterSettings* resolved,
                      std::string* error) {
    *resolved = settings;
    double factor = 1.0;
    if (!ImageEnlargement(settings, width, &factor, error)) return false;
    EnlargeLook(*settings.filter, SettingsRecord(resolved), factor);
    ResolvePercentages(settings, width, height, resolved);
    return true;
}

}  // namespace kelvo::cli
