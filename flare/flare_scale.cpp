#include "flare_scale.h"

#include <climits>
#include <cmath>

namespace kelvo::flare {

int32_t PositionLandingOn(int64_t pixel, double workingScale, int32_t low, int32_t high) {
    const double product = static_cast<double>(pixel) * workingScale;
    const int64_t guess = !(product > low) ? low : product > high ? high : static_cast<int64_t>(std::round(product));
    int32_t best = static_cast<int32_t>(guess);
    int64_t bestMiss = INT64_MAX;
    for (int64_t candidate = guess - 1; candidate <= guess + 1; ++candidate) {
        if (candidate < low || candidate > high) continue;
        const int64_t lands = TruncToInt32(static_cast<double>(candidate) / workingScale);
        const int64_t miss = lands > pixel ? lands - pixel : pixel - lands;
        if (miss < bestMiss) {
            bestMiss = miss;
            best = static_cast<int32_t>(candidate);
        }
    }
    return best;
}

}  // namespace kelvo::flare
