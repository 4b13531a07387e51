// Derived values of the compander, in single precision throughout: each power of ten is taken of
// a float exponent and stored as a float.
#include "CompanderLaw.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif
#include <cstring>
#include <limits>

namespace compander {

float thresholdDbFromValue(float v) {
    return (1.0f - v) * -120.0f;
}

float dbToAmplitude(float db) {
    return std::pow(10.0f, db * 0.05f);
}

float ratioFromValue(float v) {
    if (v >= 0.5f)
        return (v - 0.5f) * 8.0f + 1.0f;
    return 1.0f / ((0.5f - v) * 8.0f + 1.0f);
}

std::array<float, kLevels> makeLevelTable() {
    std::array<float, kLevels> levels{};
    for (int i = 0; i < kLevels; ++i)
        levels[i] = std::pow(10.0f, static_cast<float>(i - 120) * 0.1f);
    return levels;
}

void buildGainTable(float thresholdDb, float thresholdAmp, float ratio,
                    std::span<float, kLevels> table) {
    for (int i = 0; i < kLevels; ++i) {
        const float level = static_cast<float>(i - 120);
        const float amp = std::pow(10.0f, level * 0.05f);
        float gain = 1.0f;
        if (ratio >= 1.0f) {
            if (thresholdAmp > amp)
                gain = std::pow(10.0f, (level - thresholdDb) * (ratio - 1.0f) * 0.05f);
        } else if (thresholdAmp < amp) {
            gain = std::pow(10.0f, (thresholdDb - level) * (1.0f / ratio - 1.0f) * 0.05f);
        }
        table[i] = gain;
    }
}

float attackCoefficient(float seconds, float sampleRate) {
    if (seconds == 0.0f)
        return 999.99994f; // the float just below 1000
    return std::pow(10.0f, static_cast<float>(kHopSize) / (seconds * sampleRate));
}

float releaseCoefficient(float seconds, float sampleRate) {
    if (seconds == 0.0f)
        return 0.001f;
    return std::pow(0.1f, static_cast<float>(kHopSize) / (seconds * sampleRate));
}

float tiltDbFromValue(float v) {
    return v * 12.0f - 6.0f;
}

void buildTiltWeights(float tiltDb, std::span<float, kBins> weights) {
    const float c = std::log10(static_cast<float>(kHalfSize)) * 20.0f * 0.5f;
    for (int k = 1; k < kBins; ++k) {
        const float db = 20.0f * std::log10(static_cast<float>(k));
        weights[k] = std::pow(10.0f, (db - c) * tiltDb / c);
    }
    weights[0] = weights[1];
}

LevelLookup::LevelLookup() : levels_(makeLevelTable()) {
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr auto kNone = static_cast<std::int16_t>(kLevels);
    for (std::uint32_t b = 0; b < buckets_.size(); ++b) {
        Bucket& bucket = buckets_[b];
        if (b < 0x7f8) { // zero, denormals and finite positive levels
            const std::uint32_t bits = b << 20;
            float low;
            std::memcpy(&low, &bits, sizeof low);
            const int start = findLinear(levels_, low);
            bucket.below = static_cast<std::int16_t>(start);
            bucket.bound = start < kLevels ? levels_[start] : kNan;
            bucket.step = start < kLevels ? 1 : 0;
        } else if (b < 0x800) { // +inf and NaN: above every entry
            bucket = {kNan, kNone, 0};
        } else if (b < 0xff8) { // -0 and finite negative levels: below every entry
            bucket = {kInf, 0, 0};
        } else if (b == 0xff8) { // -inf is below every entry, the NaNs sharing its bucket above
            bucket = {-kInf, kNone, -kNone};
        } else {
            bucket = {kNan, kNone, 0};
        }
    }
}

void TargetLookup::build(const LevelLookup& lookup, std::span<const float, kLevels + 1> gains) {
    for (std::uint32_t i = 0; i < buckets_.size(); ++i) {
        const LevelLookup::Bucket& b = lookup.bucket(i);
        Bucket& t = buckets_[i];
        t.bound = b.bound;
        t.under = gains[b.below];
        t.over = gains[b.below + b.step];
        t.unused = 0.0f;
    }
}

void TargetLookup::findAll(const float* __restrict levels, float* __restrict targets,
                           int count) const {
    int k = 0;
#if defined(__SSE2__)
    // Four levels at a time: each lane's whole bucket is one 16-byte load, and a transpose turns
    // the four buckets into the lanes' bounds and targets. The same comparison as find(), so the
    // same answers.
    static_assert(sizeof(Bucket) == 4 * sizeof(float));
    for (; k + 4 <= count; k += 4) {
        const __m128 p = _mm_loadu_ps(levels + k);
        const __m128i index = _mm_srli_epi32(_mm_castps_si128(p), 20);
        alignas(16) std::uint32_t lane[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lane), index);
        __m128 bound = _mm_loadu_ps(&buckets_[lane[0]].bound);
        __m128 under = _mm_loadu_ps(&buckets_[lane[1]].bound);
        __m128 over = _mm_loadu_ps(&buckets_[lane[2]].bound);
        __m128 unused = _mm_loadu_ps(&buckets_[lane[3]].bound);
        _MM_TRANSPOSE4_PS(bound, under, over, unused);
        const __m128 atOrOver = _mm_cmpge_ps(p, bound);
        _mm_storeu_ps(targets + k,
                      _mm_or_ps(_mm_and_ps(atOrOver, over), _mm_andnot_ps(atOrOver, under)));
    }
#endif
    for (; k < count; ++k)
        targets[k] = find(levels[k]);
}

int LevelLookup::findLinear(const std::array<float, kLevels>& levels, float power) {
    for (int i = 0; i < kLevels; ++i)
        if (power < levels[i])
            return i;
    return kLevels;
}

} // namespace compander
