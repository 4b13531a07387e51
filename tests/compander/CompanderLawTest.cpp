// The compander's derived values and table lookup, checked as pure functions.
#include "compander/CompanderLaw.h"
#include "engine/TablePublisher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <thread>

using namespace compander;

namespace {
std::array<float, kLevels> gainTable(float thresholdValue, float ratioValue) {
    const float db = thresholdDbFromValue(thresholdValue);
    std::array<float, kLevels> table{};
    buildGainTable(db, dbToAmplitude(db), ratioFromValue(ratioValue), table);
    return table;
}

float fromBits(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}
} // namespace

TEST(CompanderLaw, CoefficientsAt44100) {
    EXPECT_NEAR(attackCoefficient(0.5f, 44100.f), 1.02709f, 1e-5f);
    EXPECT_NEAR(releaseCoefficient(0.2f, 44100.f), 0.93535f, 1e-5f);
    EXPECT_EQ(attackCoefficient(0.0f, 44100.f), std::nextafter(1000.0f, 0.0f));
    EXPECT_EQ(releaseCoefficient(0.0f, 44100.f), 0.001f);
    // 20 dB per `seconds`, whatever the rate.
    for (float rate : {44100.f, 48000.f, 96000.f}) {
        const float framesPerSecond = rate / kHopSize;
        EXPECT_NEAR(std::log10(attackCoefficient(0.3f, rate)) * 0.3f * framesPerSecond, 1.0, 1e-4);
        EXPECT_NEAR(std::log10(releaseCoefficient(0.3f, rate)) * 0.3f * framesPerSecond, -1.0,
                    1e-4);
    }
}

TEST(CompanderLaw, GainTableTargets) {
    // Threshold -60 dB, 1:3 expansion: -80 dB (entry 40) is pulled down 40 dB to -120 dB.
    EXPECT_NEAR(gainTable(0.5f, 0.75f)[40], 0.01f, 1e-7f);
    // Threshold -60 dB, 3:1 compression: -40 dB (entry 80) is pulled down 40 dB.
    EXPECT_NEAR(gainTable(0.5f, 0.25f)[80], 0.01f, 1e-7f);
    // 1:1 leaves everything; a threshold of -120 dB leaves every level alone when expanding.
    for (float g : gainTable(0.5f, 0.5f))
        EXPECT_EQ(g, 1.0f);
    for (float g : gainTable(0.0f, 1.0f))
        EXPECT_EQ(g, 1.0f);
    // Expansion attenuates only below the threshold, compression only above it.
    const auto expand = gainTable(0.5f, 1.0f);
    const auto compress = gainTable(0.5f, 0.0f);
    for (int i = 0; i < kLevels; ++i) {
        EXPECT_EQ(expand[i] < 1.0f, i < 60) << i;
        EXPECT_EQ(compress[i]<1.0f, i> 60) << i;
    }
}

TEST(CompanderLaw, TiltWeights) {
    std::array<float, kBins> w{};
    buildTiltWeights(tiltDbFromValue(1.0f), w);
    EXPECT_NEAR(w[512] / 1e6f, 1.0f, 1e-4f);
    EXPECT_NEAR(w[1] / 1e-6f, 1.0f, 1e-4f);
    buildTiltWeights(tiltDbFromValue(0.5f), w);
    for (int k = 1; k < kBins; ++k)
        EXPECT_EQ(w[k], 1.0f) << k;
    // Bin 0 has no log frequency: it takes bin 1's weight, finite and positive for every tilt.
    for (float v = -0.5f; v <= 1.5f; v += 1.0f / 64) {
        buildTiltWeights(tiltDbFromValue(v), w);
        EXPECT_EQ(w[0], w[1]) << v;
        EXPECT_TRUE(std::isfinite(w[0]) && w[0] > 0.0f) << v;
    }
}

TEST(CompanderLaw, LookupOnAndBetweenTableLevels) {
    const LevelLookup lookup;
    const auto level = [](float db) { return std::pow(10.0f, db * 0.1f); };
    EXPECT_EQ(lookup.find(level(-80.5f)), 40);       // the -80 dB entry, the first level above
    EXPECT_EQ(lookup.find(lookup.levels()[40]), 41); // exactly -80 dB: the -79 dB entry
    EXPECT_EQ(lookup.find(level(-40.5f)), 80);
    EXPECT_EQ(lookup.find(0.0f), 0);
    EXPECT_EQ(lookup.find(1.0f), kLevels); // at or above -1 dB: no entry
}

TEST(CompanderLaw, FastLookupsMatchTheLinearScan) {
    const LevelLookup lookup;
    const auto& levels = lookup.levels();
    // Targets that name their entry, so a target found from the wrong entry shows.
    std::array<float, kLevels + 1> gains{};
    for (int i = 0; i <= kLevels; ++i)
        gains[i] = 0.5f + static_cast<float>(i);
    auto targets = std::make_unique<TargetLookup>();
    targets->build(lookup, gains);
    // Every level through both lookups: one at a time, and a frame's worth at a time (the loop
    // the hook runs, which the compiler vectorises).
    std::vector<float> found;
    const auto check = [&](const std::vector<float>& xs) {
        found.resize(xs.size());
        targets->findAll(xs.data(), found.data(), static_cast<int>(xs.size()));
        for (std::size_t j = 0; j < xs.size(); ++j) {
            const int i = LevelLookup::findLinear(levels, xs[j]);
            ASSERT_EQ(lookup.find(xs[j]), i) << xs[j];
            ASSERT_EQ(targets->find(xs[j]), gains[i]) << xs[j];
            ASSERT_EQ(found[j], gains[i]) << xs[j];
        }
    };
    std::vector<float> special = {0.0f,
                                  -0.0f,
                                  std::numeric_limits<float>::denorm_min(),
                                  std::numeric_limits<float>::min(),
                                  std::numeric_limits<float>::max(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  std::numeric_limits<float>::quiet_NaN(),
                                  -std::numeric_limits<float>::quiet_NaN(),
                                  fromBits(0x7f800001u),
                                  fromBits(0xff800001u),
                                  -1.0f,
                                  1e-30f};
    for (float l : levels)
        for (float x : {l, std::nextafter(l, 0.0f), std::nextafter(l, 2.0f)})
            special.push_back(x);
    check(special);

    std::mt19937 rng(1234);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    std::uniform_real_distribution<float> db(-130.0f, 10.0f);
    std::vector<float> xs(513);
    for (int frame = 0; frame < 4000; ++frame) {
        for (std::size_t j = 0; j < xs.size(); ++j)
            xs[j] = j % 2 ? fromBits(anyBits(rng)) : std::pow(10.0f, db(rng) * 0.1f);
        check(xs);
        if (HasFatalFailure())
            return;
    }
}

TEST(TablePublisher, ReaderNeverSeesAHalfBuiltTable) {
    struct Table {
        std::array<int, 512> v;
    };
    TablePublisher<Table> publisher;
    publisher.update([](Table& t) { t.v.fill(0); });
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const Table& t = publisher.acquire();
            for (int x : t.v)
                if (x != t.v[0])
                    torn.fetch_add(1);
            reads.fetch_add(1);
        }
    });
    // The writers start once the reader is reading, so that its reads overlap their builds.
    while (reads.load() == 0)
        std::this_thread::yield();
    std::atomic<int> next{1};
    auto writer = [&] {
        for (int i = 0; i < 20000; ++i) {
            const int value = next.fetch_add(1);
            publisher.update([value](Table& t) { t.v.fill(value); });
        }
    };
    std::thread w1(writer), w2(writer);
    w1.join();
    w2.join();
    // The last change always lands, even when it arrived while another thread was building.
    publisher.update([&](Table& t) { t.v.fill(-1); });
    stop.store(true);
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(publisher.latest().v[0], -1);
}
