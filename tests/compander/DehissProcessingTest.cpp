// The compander's per-frame processing: static law, attack and release, tilt, learning, reset,
// stereo link, mono operation and inversion.
#include "CompanderFixture.h"

#include "compander/CompanderProgram.h"

#include <cmath>
#include <limits>
#include <random>

using namespace comptest;
using compander::Param;

namespace {
struct SlopeCase {
    const char* what;
    float ratioValue;
    float lowDb, highDb; // two input levels on the same side of the -60 dB threshold
    float slope;         // output dB per input dB
};
} // namespace

TEST_F(CompanderTest, LawSlopesMeasuredOnTheSignal) {
    // Levels half-way between table entries, so the table's 1 dB steps cancel in the slope.
    const SlopeCase cases[] = {
        {"1:1.5 expansion below", expansionValue(1.5f), -90.5f, -70.5f, 1.5f},
        {"1:3 expansion below", expansionValue(3.0f), -90.5f, -70.5f, 3.0f},
        {"1:5 expansion below", expansionValue(5.0f), -80.5f, -70.5f, 5.0f},
        {"1:3 expansion above", expansionValue(3.0f), -50.5f, -30.5f, 1.0f},
        {"1.5:1 compression above", compressionValue(1.5f), -50.5f, -20.5f, 0.5f},
        {"2:1 compression above", compressionValue(2.0f), -50.5f, -20.5f, 0.0f},
        {"3:1 compression above", compressionValue(3.0f), -50.5f, -20.5f, -1.0f},
        {"3:1 compression below", compressionValue(3.0f), -90.5f, -70.5f, 1.0f},
    };
    for (const SlopeCase& c : cases) {
        fx = std::make_unique<dehiss>(nullptr);
        fx->channelMode = 0;
        instant();
        fx->setParameter(Param::kThreshold, thresholdValue(-60.0f));
        fx->setParameter(Param::kRatio, c.ratioValue);
        float out[2];
        const float in[2] = {c.lowDb, c.highDb};
        for (int i = 0; i < 2; ++i) {
            setFlat(0, in[i]);
            frames(8);
            out[i] = outPowerDb(0, 100);
        }
        EXPECT_NEAR((out[1] - out[0]) / (in[1] - in[0]), c.slope, 2e-3f) << c.what;
    }
}

TEST_F(CompanderTest, AttackAndReleaseTakeTheirTimes) {
    // 1:3 below -60 dB: -80.5 dB aims at a gain of 0.01 (-40 dB).
    fx->channelMode = 0;
    fx->setParameter(Param::kThreshold, thresholdValue(-60.0f));
    fx->setParameter(Param::kRatio, expansionValue(3.0f));
    fx->setParameter(Param::kRelease, 0.2f);
    fx->setParameter(Param::kAttack, 0.5f);
    const float framesPerSecond = 44100.0f / 256.0f;

    // Release: 20 dB per 0.2 s, so the 40 dB fall takes 0.4 s.
    setFlat(0, -80.5f);
    const float target = fx->gainTable()[40];
    EXPECT_NEAR(target, 0.01f, 1e-6f);
    int n = 0;
    while (fx->binGain[0][100] > target && n < 1000) {
        fx->processSpect();
        ++n;
    }
    EXPECT_NEAR(n, 0.4f * framesPerSecond, 1.0f);
    frames(3);
    EXPECT_EQ(fx->binGain[0][100], target); // held at the law's target

    // Attack: 20 dB per 0.5 s, so the 40 dB rise back to 1 takes 1 s.
    setFlat(0, -40.0f);
    n = 0;
    while (fx->binGain[0][100] < 1.0f && n < 1000) {
        fx->processSpect();
        ++n;
    }
    EXPECT_NEAR(n, 1.0f * framesPerSecond, 1.0f);
    EXPECT_EQ(fx->binGain[0][100], 1.0f);
}

TEST_F(CompanderTest, SampleRateChangeRecomputesTheCoefficients) {
    fx->setParameter(Param::kAttack, 0.5f);
    fx->setParameter(Param::kRelease, 0.2f);
    for (float rate : {48000.0f, 96000.0f, 44100.0f}) {
        fx->dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
        EXPECT_EQ(fx->attackCoef.load(), compander::attackCoefficient(0.5f, rate));
        EXPECT_EQ(fx->releaseCoef.load(), compander::releaseCoefficient(0.2f, rate));
    }
    fx->dispatcher(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f);
    EXPECT_EQ(fx->attackCoef.load(), compander::attackCoefficient(0.5f, 96000.0f));
    for (float bad : {0.0f, -48000.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        fx->dispatcher(effSetSampleRate, 0, 0, nullptr, bad);
        EXPECT_EQ(fx->getSampleRate(), 96000.0f);
        EXPECT_EQ(fx->attackCoef.load(), compander::attackCoefficient(0.5f, 96000.0f));
    }
}

TEST_F(CompanderTest, LevelsAboveTheTableTakeTheTopEntry) {
    // 3:1 compression at -60 dB: bin 1 is quiet (its own target), bin 2 at +6 dB lies above every
    // table entry and must get the top entry's target, not bin 1's.
    fx->channelMode = 0;
    instant();
    fx->setParameter(Param::kThreshold, thresholdValue(-60.0f));
    fx->setParameter(Param::kRatio, compressionValue(3.0f));
    setInput(0, [](int k) { return k == 1 ? dbPower(-30.5f) : k == 2 ? dbPower(6.0f) : 0.0f; });
    frames(6);
    const float* table = fx->gainTable();
    EXPECT_EQ(fx->binGain[0][1], table[90]);
    EXPECT_EQ(fx->binGain[0][2], table[119]);
    EXPECT_EQ(fx->lastTableGain[0], table[119]);
}

TEST_F(CompanderTest, TiltMovesTheThresholdPerBin) {
    // +6 "dB" tilt weights bin 512 by 10^6: at -80 dB it meets the -60 dB threshold and opens,
    // while bin 8 (below sqrt(512)) is weighted down and stays closed.
    fx->channelMode = 0;
    instant();
    fx->setParameter(Param::kThreshold, thresholdValue(-60.0f));
    fx->setParameter(Param::kRatio, expansionValue(3.0f));
    fx->setParameter(Param::kTilt, 1.0f);
    setFlat(0, -80.0f);
    frames(4);
    EXPECT_EQ(fx->binGain[0][512], 1.0f);
    EXPECT_LT(fx->binGain[0][8], 0.02f);
}

TEST_F(CompanderTest, RatioOneToOnePassesTheSpectrumUnchanged) {
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    fx->setParameter(Param::kRatio, 0.5f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kN; ++i)
            fx->inSpect[c][i] = noise(rng);
    frames(3);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kN; ++i)
            ASSERT_EQ(fx->outSpect[c][i], fx->inSpect[c][i]) << c << " " << i;
}

TEST_F(CompanderTest, InvertPassesWhatTheGainRemoves) {
    dehiss inverted(nullptr);
    inverted.channelMode = 1;
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0.0f, 0.001f);
    for (dehiss* e : {fx.get(), &inverted}) {
        e->setParameter(Param::kThreshold, thresholdValue(-40.0f));
        e->setParameter(Param::kRatio, expansionValue(2.0f));
        e->setParameter(Param::kAttack, 0.0f);
        e->setParameter(Param::kRelease, 0.0f);
    }
    inverted.setParameter(Param::kInvert, 1.0f);
    for (int f = 0; f < 20; ++f) {
        for (int i = 0; i < kN; ++i)
            fx->inSpect[0][i] = inverted.inSpect[0][i] = noise(rng);
        fx->processSpect();
        inverted.processSpect();
    }
    int attenuated = 0;
    for (int i = 0; i < kN; ++i) {
        ASSERT_NEAR(fx->outSpect[0][i] + inverted.outSpect[0][i], fx->inSpect[0][i], 1e-7f) << i;
        attenuated += std::abs(fx->outSpect[0][i]) < 0.5f * std::abs(fx->inSpect[0][i]);
    }
    EXPECT_GT(attenuated, 100); // the test means something: the law was at work

    // With 1:1 every gain is 1 and the inverted output is silent.
    inverted.setParameter(Param::kRatio, 0.5f);
    inverted.setParameter(Param::kAttack, 0.0f);
    for (int f = 0; f < 3; ++f)
        inverted.processSpect();
    for (int i = 0; i < kN; ++i)
        ASSERT_EQ(inverted.outSpect[0][i], 0.0f) << i;
}

TEST_F(CompanderTest, MonoLeavesChannelTwoUntouched) {
    for (int mode : {0, 2}) {
        fx = std::make_unique<dehiss>(nullptr);
        fx->channelMode = mode;
        fx->setParameter(Param::kReset, 1.0f);
        fx->setParameter(Param::kLearnAverage, 1.0f);
        setFlat(0, -70.0f);
        setFlat(1, -70.0f);
        for (int i = 0; i < kN; ++i)
            fx->outSpect[1][i] = 12345.0f;
        frames(50);
        for (int k = 0; k < kBins; ++k) {
            ASSERT_EQ(fx->binGain[1][k], 1.0f) << mode;
            ASSERT_EQ(fx->learnAccum[1][k], 0.0f) << mode;
            ASSERT_EQ(fx->binPower[1][k], 0.0f) << mode;
        }
        for (int i = 0; i < kN; ++i)
            ASSERT_EQ(fx->outSpect[1][i], 12345.0f) << mode;
        EXPECT_GT(fx->learnAccum[0][10], 0.0f);
    }
}

namespace {
// A spectrum with structure and some empty bins.
float shapedPower(int k) {
    return k % 50 == 7 ? 0.0f : 1e-6f * static_cast<float>(1 + k % 13);
}
} // namespace

TEST_F(CompanderTest, AveragePassLearnsFortyOneFramesIntoTheShape) {
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kReset, 0.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, shapedPower);
    setInput(1, [](int k) { return shapedPower(512 - k); });
    frames(40);
    EXPECT_EQ(fx->learning.load(), 1);
    frames(1);
    EXPECT_EQ(fx->learning.load(), 0); // the pass stops itself after 41 frames
    EXPECT_EQ(fx->learnFrames.load(), 41);
    const auto accum = fx->learnAccum;
    frames(5);
    EXPECT_EQ(fx->learnAccum, accum); // nothing more is gathered
    for (int k = 0; k < kBins; ++k)
        EXPECT_NEAR(accum[0][k], 0.05f * 41 * fx->binPower[0][k], 1e-5f * accum[0][k]) << k;

    fx->setParameter(Param::kLearnAverage, 0.0f);
    for (int c = 0; c < 2; ++c) {
        float mean = 0.0f;
        for (float a : accum[c])
            mean += a;
        mean /= kBins;
        const float* shape = fx->thresholdShape(c);
        for (int k = 0; k < kBins; ++k) {
            if (accum[c][k] == 0.0f)
                EXPECT_EQ(shape[k], 1.0f) << c << " " << k; // nothing gathered: neutral
            else
                EXPECT_NEAR(shape[k] * accum[c][k], mean, 1e-5f * mean) << c << " " << k;
        }
    }
    EXPECT_EQ(fx->learnFrames.load(), 0);

    // A pass over silence (zero mean) leaves neutral shapes.
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, [](int) { return 0.0f; });
    frames(41);
    fx->setParameter(Param::kLearnAverage, 0.0f);
    for (int k = 0; k < kBins; ++k)
        ASSERT_EQ(fx->thresholdShape(0)[k], 1.0f) << k;
}

TEST_F(CompanderTest, PeakPassKeepsTheLoudestFrame) {
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kLearnPeak, 1.0f);
    std::array<float, kBins> peak{};
    for (int f = 0; f < 41; ++f) {
        const float scale = static_cast<float>(1 + (f * 5) % 7);
        setInput(0, [scale](int k) { return scale * shapedPower(k); });
        fx->processSpect();
        for (int k = 0; k < kBins; ++k)
            peak[k] = std::max(peak[k], fx->binPower[0][k]);
    }
    EXPECT_EQ(fx->learning.load(), 0);
    EXPECT_EQ(fx->learnAccum[0], peak);
}

TEST_F(CompanderTest, NewPassAfterAnUnfinishedOneKeepsItsShapeAndRunsInFull) {
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, shapedPower);
    frames(41); // stops itself; the parameter never fell
    const auto firstAccum = fx->learnAccum[0];
    EXPECT_EQ(fx->thresholdShape(0)[3], 1.0f);

    fx->setParameter(Param::kLearnAverage, 1.0f); // a new start
    float mean = 0.0f;
    for (float a : firstAccum)
        mean += a;
    mean /= kBins;
    EXPECT_NEAR(fx->thresholdShape(0)[3] * firstAccum[3], mean, 1e-5f * mean);
    EXPECT_EQ(fx->learnFrames.load(), 0);
    EXPECT_EQ(fx->learning.load(), 1);
    frames(40);
    EXPECT_EQ(fx->learning.load(), 1); // a full pass, not one frame
    frames(1);
    EXPECT_EQ(fx->learning.load(), 0);
}

TEST_F(CompanderTest, ProgramSwitchDuringAPassFinishesIntoTheNewProgram) {
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, shapedPower);
    frames(10);
    fx->setProgram(4);
    EXPECT_EQ(fx->learning.load(), 0);
    EXPECT_NE(fx->program(4).shape1[3], 1.0f);
    EXPECT_EQ(fx->program(3).shape1[3], 1.0f);
}

TEST_F(CompanderTest, ResetFlattensShapesAndClearsAccumulators) {
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, shapedPower);
    frames(41);
    fx->setParameter(Param::kLearnAverage, 0.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    frames(3);                             // a pass in progress
    fx->setParameter(Param::kReset, 0.5f); // not above 0.5: nothing
    EXPECT_NE(fx->thresholdShape(0)[3], 1.0f);
    fx->setParameter(Param::kReset, 1.0f);
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < kBins; ++k) {
            ASSERT_EQ(fx->thresholdShape(c)[k], 1.0f);
            ASSERT_EQ(fx->learnAccum[c][k], 0.0f);
        }
    EXPECT_EQ(fx->learning.load(), 1); // the pass goes on
    EXPECT_EQ(fx->learnFrames.load(), 3);
}

TEST_F(CompanderTest, StereoLinkGivesChannelTwoTheFirstShape) {
    // Channel 1 learns a flat spectrum, channel 2 one with a loud band, so their shapes differ.
    fx->setParameter(Param::kReset, 1.0f);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setFlat(0, -60.0f);
    setInput(1, [](int k) { return dbPower(k >= 100 && k < 200 ? -40.0f : -60.0f); });
    frames(41);
    fx->setParameter(Param::kLearnAverage, 0.0f);
    instant();
    fx->setParameter(Param::kThreshold, thresholdValue(-62.0f));
    fx->setParameter(Param::kRatio, expansionValue(3.0f));
    setFlat(0, -58.0f);
    setFlat(1, -58.0f);
    auto channelsAgree = [&] {
        for (int i = 0; i < kN; ++i)
            if (fx->outSpect[0][i] != fx->outSpect[1][i])
                return false;
        return true;
    };
    frames(8);
    EXPECT_FALSE(channelsAgree());
    fx->setParameter(Param::kStereoLink, 1.0f);
    frames(8);
    EXPECT_TRUE(channelsAgree());
    EXPECT_NE(fx->thresholdShape(1)[150], fx->thresholdShape(0)[150]); // both shapes kept
}

namespace {
// The per-frame algorithm written out plainly, bin by bin, with the linear table scan: the
// optimised hook must agree with it bit for bit.
struct PlainCompander {
    std::array<float, kBins> gain;
    float lastTableGain = 1.0f;

    void frame(const dehiss& fx, const float* x, const float* shape, float* y) {
        const auto levels = compander::makeLevelTable();
        const float* table = fx.gainTable();
        const float* weight = fx.tiltWeight();
        const float threshold = fx.thresholdPower.load();
        const float ratio = fx.ratioValue.load();
        for (int k = 0; k < kBins; ++k) {
            const float im = k > 0 && k < 512 ? x[kN - k] : 0.0f;
            const float power = k > 0 && k < 512 ? x[k] * x[k] + im * im : x[k] * x[k];
            const float p = power * shape[k];
            const float m = p * (weight[k] * weight[k]);
            const bool falls = ratio >= 1.0f ? threshold > m : threshold < m;
            if (falls) {
                gain[k] *= fx.releaseCoef.load();
                const int i = compander::LevelLookup::findLinear(levels, p);
                lastTableGain = table[i < compander::kLevels ? i : compander::kLevels - 1];
                if (lastTableGain > gain[k])
                    gain[k] = lastTableGain;
            } else {
                gain[k] *= fx.attackCoef.load();
                if (gain[k] > 1.0f)
                    gain[k] = 1.0f;
            }
            const float g = fx.invertOn.load() ? 1.0f - gain[k] : gain[k];
            y[k] = g * x[k];
            if (k > 0 && k < 512)
                y[kN - k] = g * x[kN - k];
        }
    }
};
} // namespace

TEST_F(CompanderTest, HookMatchesThePlainAlgorithmBitForBit) {
    struct Setting {
        int param;
        float value;
    };
    // Each row changes one parameter; frames run between rows, so the gains carry over.
    const Setting settings[] = {
        {Param::kThreshold, 0.75f}, {Param::kRatio, 0.65f},     {Param::kRelease, 0.2f},
        {Param::kAttack, 0.0f},     {Param::kTilt, 0.8f},       {Param::kRatio, 0.3f},
        {Param::kInvert, 1.0f},     {Param::kAttack, 0.05f},    {Param::kThreshold, 0.55f},
        {Param::kTilt, 0.1f},       {Param::kRelease, 0.0f},    {Param::kRatio, 1.0f},
        {Param::kInvert, 0.0f},     {Param::kStereoLink, 1.0f},
    };
    // Learned shapes that differ per channel and per bin.
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, [](int k) { return 1e-5f * static_cast<float>(1 + k % 11); });
    setInput(1, [](int k) { return 1e-4f * static_cast<float>(1 + k % 7); });
    frames(41);
    fx->setParameter(Param::kLearnAverage, 0.0f);

    std::array<PlainCompander, 2> plain;
    for (int c = 0; c < 2; ++c) {
        plain[c].gain = fx->binGain[c];
        plain[c].lastTableGain = fx->lastTableGain[c];
    }
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> db(-140.0f, 10.0f);
    std::uniform_real_distribution<float> phase(0.0f, 6.2831853f);
    float expected[2][kN];
    for (const Setting& s : settings) {
        fx->setParameter(s.param, s.value);
        for (int f = 0; f < 12; ++f) {
            const float loudness = f % 4 == 0 ? 30.0f : 0.0f; // now and then a loud frame
            for (int c = 0; c < 2; ++c)
                for (int k = 0; k < kBins; ++k) {
                    const float a = std::pow(10.0f, (db(rng) + loudness) * 0.05f);
                    const float ph = phase(rng);
                    fx->inSpect[c][k] = a * std::cos(ph);
                    if (k > 0 && k < 512)
                        fx->inSpect[c][kN - k] = a * std::sin(ph);
                }
            const bool linked = fx->getParameter(Param::kStereoLink) > 0.5f;
            for (int c = 0; c < 2; ++c)
                plain[c].frame(*fx, fx->inSpect[c], fx->thresholdShape(c == 1 && !linked ? 1 : 0),
                               expected[c]);
            fx->processSpect();
            for (int c = 0; c < 2; ++c) {
                ASSERT_EQ(fx->binGain[c], plain[c].gain) << s.param << " " << f << " " << c;
                ASSERT_EQ(fx->lastTableGain[c], plain[c].lastTableGain) << s.param << " " << f;
                for (int i = 0; i < kN; ++i)
                    ASSERT_EQ(fx->outSpect[c][i], expected[c][i])
                        << s.param << " " << f << " " << i;
            }
        }
    }
}
