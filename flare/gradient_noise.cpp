#include "gradient_noise.h"

namespace flare {

int32_t noisePerm[256];
double noiseGrad[256];
bool noiseTablesBuilt = false;
uint32_t noiseState = kNoiseSeed;

void EnsureNoiseTables() {
    if (noiseTablesBuilt) return;
    for (int32_t i = 0; i < 256; ++i) {
        noisePerm[i] = i;
        noiseGrad[i] = static_cast<double>((NoiseDraw(&noiseState) % 512) - 256) / 256.0;
        // Five more draws per lattice point, unused.
        for (int n = 0; n < 5; ++n) NoiseDraw(&noiseState);
    }
    for (int32_t i = 255; i > 0; --i) {
        const int32_t j = NoiseDraw(&noiseState) % 256;
        const int32_t k = noisePerm[i];
        noisePerm[i] = noisePerm[j];
        noisePerm[j] = k;
    }
    noiseTablesBuilt = true;
}

double GradientNoise(double x) {
    EnsureNoiseTables();
    return GradientNoiseBuilt(x);
}

}  // namespace flare
