// Properties of the wendle effect's per-bin maths and LFO, checked without building an effect.
#include "wendle/WendleDsp.h"
#include "engine/ByteOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

using namespace wendlefx;

namespace {
using Bins = std::array<float, kBins>;

Bins filled(float v) {
    Bins b;
    b.fill(v);
    return b;
}
} // namespace

TEST(WendleLearnCurve, LoudestBinIsZeroDbAndQuietestMinus48OnALogScale) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> logPower(-7.0f, -0.5f);
    Bins sums, db, lin;
    const int frames = 50;
    for (auto& s : sums)
        s = std::pow(10.0f, logPower(rng)) * frames;
    const Bins original = sums;
    learnCurve(sums.data(), frames, db.data(), lin.data());

    EXPECT_NEAR(*std::max_element(db.begin(), db.end()), 0.0f, 1e-4f);
    EXPECT_NEAR(*std::min_element(db.begin(), db.end()), -48.0f, 1e-3f);
    // Between the ends the level follows the log-average linearly, and linear = 10^(dB/20).
    const auto loud = std::max_element(original.begin(), original.end()) - original.begin();
    const double aLoud = std::log10(original[loud] / frames + 1e-6);
    const auto quiet = std::min_element(original.begin(), original.end()) - original.begin();
    const double aQuiet = std::log10(original[quiet] / frames + 1e-6);
    for (int k = 0; k < kBins; ++k) {
        const double a = std::log10(original[k] / frames + 1e-6);
        EXPECT_NEAR(db[k], 48.0 * (a - aLoud) / (aLoud - aQuiet), 1e-3) << k;
        EXPECT_NEAR(lin[k], std::pow(10.0, db[k] / 20.0), 1e-5 * std::max(1.0f, lin[k])) << k;
    }
}

TEST(WendleLearnCurve, NonFiniteSumsAreLearnedAsSilenceAndTheCurvesStayFinite) {
    const int frames = 10;
    Bins sums = filled(1e-2f * frames), db, lin; // a = −2 in every bin
    sums[10] = 1e-4f * frames;                   // a = −4
    sums[20] = std::nanf("");
    sums[30] = INFINITY;
    learnCurve(sums.data(), frames, db.data(), lin.data());
    // hi = a of the ordinary bins (about −2), lo = −6 (the two unusable bins).
    const double hi = std::log10(1e-2 + 1e-6), lo = -6.0;
    const double quiet = 48.0 * (std::log10(1e-4 + 1e-6) - hi) / (hi - lo); // about −24 dB
    struct Case {
        int bin;
        double expectedDb;
    };
    for (Case c : {Case{0, 0.0}, Case{10, quiet}, Case{20, -48.0}, Case{30, -48.0}})
        EXPECT_NEAR(db[c.bin], c.expectedDb, 1e-3) << c.bin;
    for (int k = 0; k < kBins; ++k)
        ASSERT_TRUE(std::isfinite(db[k]) && std::isfinite(lin[k])) << k;
}

TEST(WendleTilt, ZeroTiltIsExactlyUnity) {
    Bins offsets, tilt;
    makeTiltOffsets(offsets.data());
    tiltCurve(0.0f, offsets.data(), tilt.data());
    for (float t : tilt)
        EXPECT_EQ(t, 1.0f);
}

TEST(WendleApplyGains, ScalesRealAndImaginaryPartsOfEveryBin) {
    std::array<float, kFftSize> in, out;
    for (int i = 0; i < kFftSize; ++i)
        in[i] = static_cast<float>(i % 17) - 8.0f;
    Bins g;
    for (int k = 0; k < kBins; ++k)
        g[k] = 0.01f * static_cast<float>(k);
    applyGains(g.data(), in.data(), out.data());
    EXPECT_EQ(out[0], g[0] * in[0]);
    EXPECT_EQ(out[kHalfSize], g[kHalfSize] * in[kHalfSize]);
    for (int k = 1; k < kHalfSize; ++k) {
        EXPECT_EQ(out[k], g[k] * in[k]) << k;
        EXPECT_EQ(out[kFftSize - k], g[k] * in[kFftSize - k]) << k;
    }
    std::array<float, kFftSize> power;
    powerSpectrum(in.data(), power.data());
    EXPECT_EQ(power[0], in[0] * in[0]);
    EXPECT_EQ(power[3], in[3] * in[3] + in[kFftSize - 3] * in[kFftSize - 3]);
    EXPECT_EQ(power[kHalfSize], in[kHalfSize] * in[kHalfSize]);
}

TEST(WendleLfo, OneTwentyBpmDivisorOneReachesTheTopInHalfASecond) {
    LfoState lfo;
    LfoClock clock{1, true, 120.0f, 44100.0f, kHopSize};
    int hops = 0;
    while (lfo.direction > 0 && hops < 1000) {
        advanceLfo(lfo, clock);
        ++hops;
    }
    // 0.5 s is 86.13 hops: the turn happens on hop 87.
    EXPECT_EQ(hops, 87);
}

TEST(WendleLfo, StandsStillAtRateZeroAndStaysInRange) {
    LfoState lfo{0.3f, 0.0f, 1.0f};
    LfoClock clock;
    EXPECT_EQ(advanceLfo(lfo, clock), 0.0f);
    EXPECT_EQ(lfo.position, 0.3f);
    // A locked rate follows the sign of the rate it replaces.
    lfo.rate = -1.0f;
    clock.tempoLock = true;
    clock.hostTempo = 60.0f;
    advanceLfo(lfo, clock);
    EXPECT_EQ(lfo.rate, -1.0f);
    // Absurd tempi never push the position out of 0 … 1.
    clock.hostTempo = 1e7f;
    for (int h = 0; h < 100; ++h) {
        advanceLfo(lfo, clock);
        ASSERT_GE(lfo.position, 0.0f);
        ASSERT_LE(lfo.position, 1.0f);
    }
}

TEST(WendleBigEndian, MostSignificantByteFirstAndRoundTrip) {
    unsigned char b[4];
    storeBigEndianFloat(1.0f, b);
    EXPECT_EQ(b[0], 0x3F);
    EXPECT_EQ(b[1], 0x80);
    EXPECT_EQ(b[2], 0x00);
    EXPECT_EQ(b[3], 0x00);
    for (float v : {0.0f, -0.0f, 0.75f, -48.0f, 1e-30f, 3.4e38f}) {
        storeBigEndianFloat(v, b);
        EXPECT_EQ(std::bit_cast<uint32_t>(loadBigEndianFloat(b)), std::bit_cast<uint32_t>(v));
    }
}

TEST(WendleExp10, MatchesPowToAFewUlpsAndIsExactAtZero) {
    EXPECT_EQ(exp10Fast(0.0f), 1.0f);
    EXPECT_EQ(exp10Fast(-0.0f), 1.0f);
    double worst = 0;
    for (int i = -240000; i <= 240000; ++i) {
        const float x = static_cast<float>(i) * 0.00005f; // −12 … 12
        const double exact = std::pow(10.0, static_cast<double>(x));
        worst = std::max(worst, std::abs(exp10Fast(x) - exact) / exact);
    }
    EXPECT_LT(worst, 5e-7);
}

TEST(WendleDecibels, UnusableFactorsGiveTheFloorSoGainsStayFinite) {
    Bins lin = filled(1.0f), db, gains;
    lin[1] = 0.0f;
    lin[2] = -0.5f;
    lin[3] = std::nanf("");
    lin[4] = 0.01f;
    decibelsFromLinear(lin.data(), db.data());
    EXPECT_EQ(db[0], 0.0f);
    EXPECT_EQ(db[1], kFloorDb);
    EXPECT_EQ(db[2], kFloorDb);
    EXPECT_EQ(db[3], kFloorDb);
    EXPECT_NEAR(db[4], -40.0f, 1e-4f);
    const Bins flat = filled(0.0f);
    targetGains(db.data(), flat.data(), 0.0f, 0.0f, gains.data());
    for (float g : gains)
        EXPECT_EQ(g, 1.0f);
    Bins wild = filled(1e30f);
    wild[7] = -1e30f;
    targetGains(wild.data(), flat.data(), 0.0f, 2.0f, gains.data());
    for (float g : gains)
        EXPECT_TRUE(std::isfinite(g) && g > 0.0f);
}
