// Per-bin passes over halfcomplex spectra.
#include "Spectrum.h"

namespace spectral {

void powerSpectrum(const float* x, float* power) {
    power[0] = x[0] * x[0];
    for (int k = 1; k < kHalfSize; ++k)
        power[k] = x[k] * x[k] + x[kFftSize - k] * x[kFftSize - k];
    power[kHalfSize] = x[kHalfSize] * x[kHalfSize];
}

void applyGains(const float* g, const float* in, float* out) {
    out[0] = g[0] * in[0];
    for (int k = 1; k < kHalfSize; ++k) {
        out[k] = g[k] * in[k];
        out[kFftSize - k] = g[k] * in[kFftSize - k];
    }
    out[kHalfSize] = g[kHalfSize] * in[kHalfSize];
}

} // namespace spectral
