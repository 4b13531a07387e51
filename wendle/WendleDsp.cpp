// Per-bin maths of the wendle effect.
#include "WendleDsp.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace wendlefx {

void accumulate(const float* power, float* sum) {
    for (int k = 0; k < kBins; ++k)
        sum[k] += power[k];
}

void learnCurve(float* sums, int frames, float* decibels, float* linear) {
    float hi = -4.8f;
    float lo = 0.0f;
    for (int k = 0; k < kBins; ++k) {
        float a = static_cast<float>(std::log10(sums[k] / frames + 0.000001));
        // Non-finite input (a NaN or infinite sample while learning) must not leave a NaN in
        // the stored curves, where it would make every chunk holding them unloadable: such a
        // bin is learned as silence.
        if (!std::isfinite(a))
            a = -6.0f;
        sums[k] = a;
        if (a > hi)
            hi = a;
        if (a < lo)
            lo = a;
    }
    if (hi == lo) {
        // Every bin averaged exactly 1.0: nothing to normalise against, so the filter is flat.
        for (int k = 0; k < kBins; ++k) {
            decibels[k] = 0.0f;
            linear[k] = 1.0f;
        }
        return;
    }
    const double s = 2.4 / (hi - lo);
    for (int k = 0; k < kBins; ++k) {
        const float x = static_cast<float>((sums[k] - hi) * s);
        decibels[k] = 20.0f * x;
        linear[k] = static_cast<float>(std::pow(10.0, static_cast<double>(x)));
    }
}

namespace {
inline float exp10Core(float x) {
    // 10^x = 2^n·10^r with n = round(x·log2(10)) and r = x − n·log10(2), |r| ≤ log10(2)/2;
    // log10(2) is split so that n times its upper part is exact. 10^r = 2^f with f = r·log2(10)
    // comes from a polynomial; 2^n goes straight into the exponent bits.
    float x0 = x > -37.9f ? x : -37.9f; // NaN goes to the bottom
    x0 = x0 < 38.2f ? x0 : 38.2f;
    constexpr float kRound = 12582912.0f; // 1.5·2^23: adding and subtracting it rounds to whole
    const float n = (x0 * 3.32192809488736f + kRound) - kRound;
    const float r = (x0 - n * 0.301025390625f) - n * 4.605038981198e-6f;
    const float f = r * 3.32192809488736f;
    float p = 1.535336188319500e-4f;
    p = p * f + 1.339887440266574e-3f;
    p = p * f + 9.618437357674640e-3f;
    p = p * f + 5.550332471162809e-2f;
    p = p * f + 2.402264791363012e-1f;
    p = p * f + 6.931472028550421e-1f;
    p = p * f + 1.0f;
    const auto bits = static_cast<uint32_t>(static_cast<int32_t>(n) + 127) << 23;
    return p * std::bit_cast<float>(bits);
}
} // namespace

void decibelsFromLinear(const float* linear, float* decibels) {
    for (int k = 0; k < kBins; ++k)
        decibels[k] = linear[k] > 1e-12f ? 20.0f * std::log10(linear[k]) : kFloorDb;
}

float exp10Fast(float x) {
    return exp10Core(x);
}

namespace {
float tiltHalfRange() {
    const float l = std::log10(static_cast<float>(kHalfSize));
    return 20.0f * l * 0.5f;
}
} // namespace

void makeTiltOffsets(float* offsets) {
    const float h = tiltHalfRange();
    for (int k = 0; k < kBins; ++k)
        offsets[k] = 20.0f * std::log10(static_cast<float>(k + 1)) - h;
}

void tiltCurve(float tiltAmount, const float* offsets, float* out) {
    const float scale = tiltAmount / tiltHalfRange();
    constexpr float kLimit = -kFloorDb * 0.05f;
    for (int k = 0; k < kBins; ++k) {
        const float x = offsets[k] * scale;
        out[k] = std::pow(10.0f, x > -kLimit ? (x < kLimit ? x : kLimit) : -kLimit);
    }
}

void targetGains(const float* db0, const float* db1, float position, float depth, float* out) {
    const float keep = 1.0f - position;
    for (int k = 0; k < kBins; ++k) {
        float e = (db0[k] * keep + db1[k] * position) * depth;
        e = e > kFloorDb ? e : kFloorDb; // NaN goes to the floor
        e = e < -kFloorDb ? e : -kFloorDb;
        out[k] = exp10Core(0.05f * e);
    }
}

void glide(const float* target, const float* tilt, float* applied) {
    for (int k = 0; k < kBins; ++k)
        applied[k] = 0.4f * target[k] * tilt[k] + 0.6f * applied[k];
}

float advanceLfo(LfoState& lfo, const LfoClock& clock) {
    const float inv = 1.0f / static_cast<float>(clock.divisor);
    if (clock.tempoLock) {
        float locked = clock.hostTempo * (1.0f / 60.0f);
        if (lfo.rate < 0.0f)
            locked = -locked;
        if (lfo.rate != locked)
            lfo.rate = locked;
    }
    const double rate = clock.sampleRate > 0.0f ? clock.sampleRate : 44100.0;
    const float step = static_cast<float>(static_cast<double>(lfo.rate) * lfo.direction * inv *
                                          clock.hopSize / rate);
    float pos = lfo.position + step;
    if (pos > 1.0f) {
        pos = 2.0f - pos;
        lfo.direction = -1.0f;
    }
    if (pos < 0.0f) {
        pos = -pos;
        lfo.direction = 1.0f;
    }
    // A step longer than a whole sweep (absurd tempi) would still leave the range.
    if (pos > 1.0f)
        pos = 1.0f;
    lfo.position = pos;
    return step;
}

} // namespace wendlefx
