// The compander's static law and the values derived from its parameters: threshold, ratio, the
// level and gain tables, attack and release coefficients, tilt weights. Pure functions in single
// precision, so each can be checked without building the plug-in.
#pragma once

#include "engine/Spectrum.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace compander {

using spectral::kBins;
using spectral::kFftSize;
using spectral::kHalfSize;
using spectral::kHopSize;
inline constexpr int kLevels = 120; // levelTable/gainTable: -120 dB … -1 dB in 1 dB steps

// Threshold in dB from the raw value: (1 - v) * -120, so -120 … 0 dB.
float thresholdDbFromValue(float v);
// 10^(dB / 20) as a float.
float dbToAmplitude(float db);
// Ratio from the raw value: v >= 0.5 gives 1 … 5 (downward expansion 1:R), v < 0.5 gives
// 1/5 … 1 (compression R:1).
float ratioFromValue(float v);

// levelTable[i] = 10^((i - 120) / 10): bin powers from -120 dB to -1 dB.
std::array<float, kLevels> makeLevelTable();

// Target gain for every levelTable entry. Below the threshold a ratio >= 1 expands downwards
// (a level L leaves at T + R (L - T) dB); above the threshold a ratio < 1 pulls the level down by
// (1/R - 1)(L - T) dB, so 2:1 holds everything at the threshold.
void buildGainTable(float thresholdDb, float thresholdAmp, float ratio,
                    std::span<float, kLevels> table);

// Per-frame gain multipliers for a gain rising by 20 dB per `seconds` (attack) or falling by
// 20 dB per `seconds` (release); 0 s means as fast as the law allows (x999.99994 or x0.001).
float attackCoefficient(float seconds, float sampleRate);
float releaseCoefficient(float seconds, float sampleRate);

// Tilt in dB from the raw value: 12 v - 6.
float tiltDbFromValue(float v);
// Amplitude weight per bin: 1 at bin sqrt(512), 10^tiltDb at bin 512. Bin 0 has no log
// frequency; it takes bin 1's weight, which keeps it finite and positive for every tilt.
void buildTiltWeights(float tiltDb, std::span<float, kBins> weights);

// On/off from a raw value: on strictly above 0.5.
inline bool switchOn(float v) {
    return v > 0.5f;
}

// The index of the first levelTable entry that `power` lies below, or kLevels when there is none
// (power at or above -1 dB, +inf or NaN). Same answer as the plain scan over the table, in a
// handful of instructions and no branch: the float's sign, exponent and top three mantissa bits
// pick a bucket no wider than 0.52 dB, which holds at most one table boundary, so one comparison
// with that boundary settles the entry.
class LevelLookup {
  public:
    LevelLookup();

    int find(float power) const {
        const Bucket& b = buckets_[bucketOf(power)];
        // Arithmetic rather than a choice: with noisy input the comparison is a coin toss, and a
        // branch on it would be mispredicted half the time.
        return b.below + (b.step & -static_cast<int>(power >= b.bound));
    }

    // The plain scan, for reference.
    static int findLinear(const std::array<float, kLevels>& levels, float power);

    const std::array<float, kLevels>& levels() const { return levels_; }

    struct Bucket {
        float bound;        // the one table boundary inside the bucket (NaN or ±inf: none)
        std::int16_t below; // entry for levels under the boundary
        std::int16_t step;  // entry for levels at or over it, minus `below`
    };
    static constexpr int kBuckets = 4096;
    // The bucket a level falls in: its float's sign, exponent and top three mantissa bits.
    static std::uint32_t bucketOf(float power) { return std::bit_cast<std::uint32_t>(power) >> 20; }
    const Bucket& bucket(std::uint32_t index) const { return buckets_[index]; }

  private:
    std::array<float, kLevels> levels_;
    std::array<Bucket, kBuckets> buckets_;
};

// The law's target for a level in one step: the buckets of LevelLookup with the gain table folded
// in, each holding the targets under and over its boundary. A level meets one comparison and no
// second, dependent load; the answer is exactly gains[LevelLookup::find(power)]. Rebuilt whenever
// the gain table is.
class TargetLookup {
  public:
    // `gains` holds one target per levelTable entry plus the one for levels above every entry
    // (kLevels + 1 values).
    void build(const LevelLookup& lookup, std::span<const float, kLevels + 1> gains);

    float find(float power) const {
        const Bucket& b = buckets_[LevelLookup::bucketOf(power)];
        // Both targets are loaded and the comparison picks one, which compiles to a select
        // rather than a branch: with noisy input the comparison is a coin toss.
        return power >= b.bound ? b.over : b.under;
    }

    // find() for every level of a frame; compiled with the library, where the loop is
    // vectorised. Audio thread.
    void findAll(const float* levels, float* targets, int count) const;

    struct Bucket {
        float bound;
        float under;  // the target under the boundary
        float over;   // the target at or over it
        float unused; // a bucket of 16 bytes is found with a shift
    };

  private:
    std::array<Bucket, LevelLookup::kBuckets> buckets_;
};

} // namespace compander
