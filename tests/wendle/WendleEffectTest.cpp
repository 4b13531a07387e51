// The wendle effect driven through its VST-style face: learning shapes from signals, filtering
// between them, depth, tilt, glide, gains, the LFO, programs, chunks and MIDI.
#include "engine/ByteOrder.h"
#include "wendle/wendle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

using namespace wendlefx;

namespace {

constexpr int kHop = 256;
constexpr float kRate = 44100.0f;

// Drives one effect hop by hop with a signal given per channel and sample index.
struct Rig {
    std::unique_ptr<wendle> fx = std::make_unique<wendle>(nullptr);
    std::vector<float> in[2], out[2];
    long long t = 0;
    std::vector<float> history; // output 1, all of it

    explicit Rig(int channelMode = 1) {
        fx->channelMode = channelMode;
        for (auto* v : {&in[0], &in[1], &out[0], &out[1]})
            v->assign(kHop, 0.0f);
    }

    void run(int hops, const std::function<float(int, long long)>& signal) {
        for (int h = 0; h < hops; ++h) {
            for (int i = 0; i < kHop; ++i)
                for (int c = 0; c < 2; ++c)
                    in[c][i] = signal(c, t + i);
            float* ins[2] = {in[0].data(), in[1].data()};
            float* outs[2] = {out[0].data(), out[1].data()};
            fx->processReplacing(ins, outs, kHop);
            history.insert(history.end(), out[0].begin(), out[0].end());
            t += kHop;
        }
    }
    void silence(int hops) {
        run(hops, [](int, long long) { return 0.0f; });
    }

    // Amplitude of the steady sine at bin k in the last 1024 output samples of channel 1.
    double amplitudeAtBin(int k) const {
        double re = 0, im = 0;
        const std::size_t start = history.size() - 1024;
        for (int n = 0; n < 1024; ++n) {
            const double w = 2 * std::numbers::pi * k * n / 1024;
            re += history[start + n] * std::cos(w);
            im += history[start + n] * std::sin(w);
        }
        return 2 * std::hypot(re, im) / 1024;
    }
};

// A sine at the centre of bin k.
float sineAtBin(int k, long long n, float amplitude = 0.5f) {
    return amplitude *
           static_cast<float>(std::sin(2 * std::numbers::pi * k * static_cast<double>(n) / 1024));
}

// Learns into the filter nearest `position`; the signal first fills the analysis frame so that
// nothing of what came before is learned.
void learn(Rig& rig, float position, int hops, const std::function<float(int, long long)>& s) {
    rig.fx->setParameter(kParamFilterNumber, position);
    rig.run(4, s);
    rig.fx->setParameter(kParamLearn, 1.0f);
    rig.run(hops, s);
    rig.fx->setParameter(kParamLearn, 0.0f);
}

double db(double x) {
    return 20 * std::log10(x);
}

std::vector<unsigned char> chunkOf(wendle& fx, bool preset) {
    void* data = nullptr;
    const int size = fx.getChunk(&data, preset);
    const auto* b = static_cast<unsigned char*>(data);
    return std::vector<unsigned char>(b, b + size);
}

} // namespace

TEST(WendleFilter, PositionZeroAppliesFilterZerosShapeAndOneFilterOnes) {
    Rig rig;
    const int low = 25, high = 250;
    learn(rig, 0.0f, 40, [&](int, long long n) { return sineAtBin(low, n); });
    learn(rig, 1.0f, 40, [&](int, long long n) { return sineAtBin(high, n); });
    const auto both = [&](int, long long n) { return sineAtBin(low, n) + sineAtBin(high, n); };

    struct Case {
        float position;
        int passed, cut;
    };
    // The learned peak is 0 dB at the sine's bin but its neighbours, lit by the window's main
    // lobe, are learned lower: the passed sine loses a little.
    for (Case c : {Case{0.0f, low, high}, Case{1.0f, high, low}}) {
        rig.fx->setParameter(kParamFilterNumber, c.position);
        rig.run(80, both); // glide converged, frames full of the new output
        EXPECT_NEAR(db(rig.amplitudeAtBin(c.passed) / 0.5), 0.0, 2.0) << c.position;
        EXPECT_LT(db(rig.amplitudeAtBin(c.cut) / 0.5), -40.0) << c.position;
    }
    // Half way both shapes count half: each sine is cut by about half of 48 dB.
    rig.fx->setParameter(kParamFilterNumber, 0.5f);
    rig.run(80, both);
    const double lowDb = db(rig.amplitudeAtBin(low) / 0.5);
    const double highDb = db(rig.amplitudeAtBin(high) / 0.5);
    EXPECT_NEAR(lowDb, highDb, 1.0);
    EXPECT_NEAR(lowDb, -25.0, 2.0);
}

TEST(WendleFilter, DepthScalesTheShapeInDecibelsAndGlidesThere) {
    Rig rig;
    learn(rig, 0.0f, 40, [](int, long long n) { return sineAtBin(25, n); });
    rig.run(60, [](int, long long) { return 0.0f; });
    const float* target = rig.fx->targetGain(0);
    const float* applied = rig.fx->appliedGain(0);
    const float learnedDb = rig.fx->programCurve(kFilterZeroLeftDb)[300];
    ASSERT_LT(learnedDb, -40.0f);
    EXPECT_NEAR(db(target[300]), learnedDb, 1e-3);

    struct Case {
        float normalised, depth;
    };
    for (Case c : {Case{0.5f, 0.0f}, Case{0.25f, -1.0f}, Case{1.0f, 2.0f}, Case{0.75f, 1.0f}}) {
        const float before = applied[300];
        rig.fx->setParameter(kParamDepth, c.normalised);
        rig.run(1, [](int, long long) { return 0.0f; });
        const float goal = target[300];
        EXPECT_NEAR(db(goal), learnedDb * c.depth, 1e-3) << c.depth;
        if (c.depth == 0.0f) {
            for (int k = 0; k < kBins; ++k)
                ASSERT_EQ(target[k], 1.0f) << k;
        }
        // 40 % of the way in the frame that saw the change, then 40 % of the rest per frame.
        EXPECT_NEAR(applied[300], 0.4f * goal + 0.6f * before, 1e-6f * goal);
        rig.run(9, [](int, long long) { return 0.0f; });
        EXPECT_NEAR(applied[300], goal + (before - goal) * std::pow(0.6, 10),
                    1e-5 * std::max(goal, before));
    }
}

TEST(WendleFilter, FreshProgramIsUnityAtAnyPositionAndDepth) {
    Rig rig;
    for (float position : {0.0f, 0.3f, 0.5f, 1.0f})
        for (float depth : {0.0f, 0.2f, 1.0f}) {
            rig.fx->setParameter(kParamFilterNumber, position);
            rig.fx->setParameter(kParamDepth, depth);
            rig.silence(1);
            for (int side = 0; side < 2; ++side)
                for (int k = 0; k < kBins; ++k)
                    ASSERT_EQ(rig.fx->targetGain(side)[k], 1.0f) << position << " " << depth;
        }
}

TEST(WendleFilter, TiltMultipliesTheAppliedGains) {
    Rig rig;
    rig.fx->setParameter(kParamTilt, 0.5f);
    rig.silence(2);
    for (int k = 0; k < kBins; ++k)
        ASSERT_EQ(rig.fx->tiltCurveData()[k], 1.0f);
    rig.fx->setParameter(kParamTilt, 2.0f / 3.0f); // tilt amount 1: a factor of 10 at the top
    rig.silence(60);
    const float* tilt = rig.fx->tiltCurveData();
    EXPECT_NEAR(std::log10(tilt[0]), -1.0f, 1e-4f);
    EXPECT_NEAR(std::log10(tilt[512]), 1.0f, 2e-3f);
    for (int k : {0, 21, 100, 512})
        EXPECT_NEAR(rig.fx->appliedGain(0)[k], tilt[k], 1e-5f * tilt[k]) << k;
}

TEST(WendleFilter, StereoLinkAboveHalfGivesTheRightChannelTheLeftGains) {
    Rig rig;
    learn(rig, 0.0f, 40,
          [](int c, long long n) { return c == 0 ? sineAtBin(25, n) : sineAtBin(250, n); });
    for (float link : {0.5f, 0.51f}) {
        rig.fx->setParameter(kParamStereoLink, link);
        rig.silence(1);
        const bool same =
            std::memcmp(rig.fx->targetGain(0), rig.fx->targetGain(1), sizeof(float) * kBins) == 0;
        EXPECT_EQ(same, link > 0.5f) << link;
    }
}

TEST(WendleFilter, OneChannelWritesOnlyTheLeftSpectrum) {
    Rig rig(0);
    std::fill(rig.fx->outSpect[1], rig.fx->outSpect[1] + 1024, 123.0f);
    rig.run(8, [](int, long long n) { return sineAtBin(40, n); });
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(rig.fx->outSpect[1][i], 123.0f) << i;
    EXPECT_GT(rig.amplitudeAtBin(40), 0.4);
}

TEST(WendleLearning, SummingStopsAfterFrame3001ButTheCurveWaitsForLearnOff) {
    Rig rig;
    rig.fx->setParameter(kParamLearn, 1.0f);
    rig.run(3000, [](int, long long n) { return sineAtBin(60, n); });
    EXPECT_EQ(rig.fx->getParameter(kParamLearn), 1.0f);
    rig.run(1, [](int, long long n) { return sineAtBin(60, n); });
    EXPECT_EQ(rig.fx->getParameter(kParamLearn), 0.0f);
    EXPECT_TRUE(rig.fx->isLearning());
    char text[32];
    rig.fx->getParameterDisplay(kParamLearn, text);
    EXPECT_STREQ(text, "on");
    // Nothing learned yet: the filter stays flat, whatever comes in now.
    rig.run(50, [](int, long long n) { return sineAtBin(300, n); });
    EXPECT_EQ(rig.fx->programCurve(kFilterZeroLeftDb)[60], 0.0f);
    rig.fx->setParameter(kParamLearn, 0.0f);
    EXPECT_FALSE(rig.fx->isLearning());
    const float* curve = rig.fx->programCurve(kFilterZeroLeftDb);
    EXPECT_NEAR(curve[60], 0.0f, 1e-4f); // learned from the first signal only
    EXPECT_LT(curve[300], -40.0f);
}

TEST(WendleLearning, LearnedCurveSpansZeroToMinus48AndSilenceGivesFlatMinus48) {
    Rig rig;
    learn(rig, 0.0f, 30,
          [](int, long long n) { return sineAtBin(30, n) + sineAtBin(200, n, 0.01f); });
    const float* dbCurve = rig.fx->programCurve(kFilterZeroLeftDb);
    const float* linCurve = rig.fx->programCurve(kFilterZeroLeftLinear);
    EXPECT_NEAR(*std::max_element(dbCurve, dbCurve + kBins), 0.0f, 1e-4f);
    EXPECT_NEAR(*std::min_element(dbCurve, dbCurve + kBins), -48.0f, 1e-3f);
    for (int k = 0; k < kBins; ++k)
        ASSERT_NEAR(linCurve[k], std::pow(10.0f, dbCurve[k] / 20.0f), 1e-6f) << k;

    learn(rig, 1.0f, 30, [](int, long long) { return 0.0f; });
    for (int c : {kFilterOneLeftDb, kFilterOneRightDb})
        for (int k = 0; k < kBins; ++k)
            ASSERT_NEAR(rig.fx->programCurve(c)[k], -48.0f, 1e-4f) << c << " " << k;
}

TEST(WendleLearning, ResetFlattensOnlyTheSelectedFilter) {
    Rig rig;
    learn(rig, 0.2f, 20, [](int, long long n) { return sineAtBin(30, n); });
    learn(rig, 0.8f, 20, [](int, long long n) { return sineAtBin(90, n); });
    const std::vector<float> zero(rig.fx->programCurve(kFilterZeroLeftDb),
                                  rig.fx->programCurve(kFilterZeroLeftDb) + kBins);
    rig.fx->setParameter(kParamReset, 1.0f);
    for (int c = kFilterOneLeftLinear; c <= kFilterOneRightDb; ++c)
        for (int k = 0; k < kBins; ++k)
            ASSERT_EQ(rig.fx->programCurve(c)[k], c < kFilterOneLeftDb ? 1.0f : 0.0f);
    EXPECT_EQ(
        std::memcmp(zero.data(), rig.fx->programCurve(kFilterZeroLeftDb), sizeof(float) * kBins),
        0);
    rig.silence(3);
    EXPECT_EQ(rig.fx->targetGain(0)[30], std::pow(10.0f, 0.05f * 0.2f * 0.0f)); // filter one flat
}

TEST(WendleLearning, EditedLinearCurveIsReDerivedInDecibels) {
    Rig rig;
    float* lin = rig.fx->selectedLinearCurve(0);
    ASSERT_EQ(lin, rig.fx->programCurve(kFilterZeroLeftLinear));
    lin[100] = 0.1f;
    *rig.fx->curveEditedFlag() = 1;
    rig.silence(1);
    EXPECT_NEAR(rig.fx->programCurve(kFilterZeroLeftDb)[100], -20.0f, 1e-4f);
    EXPECT_NEAR(rig.fx->targetGain(0)[100], 0.1f, 1e-6f);
    EXPECT_EQ(*rig.fx->curveEditedFlag(), 0);
}

TEST(WendleGain, MakeUpGainScalesTheOutput) {
    Rig rig;
    rig.fx->setParameter(kParamMakeupGain, 0.75f); // +30 dB
    rig.run(12, [](int, long long n) { return sineAtBin(50, n, 0.01f); });
    EXPECT_NEAR(db(rig.amplitudeAtBin(50) / 0.01), 30.0, 0.05);
}

TEST(WendleGain, AutoGainShowsUpAndIsStoredAsMakeUpGain) {
    Rig rig;
    rig.fx->setParameter(kParamAutoGain, 1.0f);
    rig.silence(200); // silent input: the factor settles at 0.5
    EXPECT_NEAR(rig.fx->autoGainFactor, 0.5f, 1e-4f);
    const float read = rig.fx->getParameter(kParamMakeupGain);
    EXPECT_NEAR(read, 20.0f * std::log10(0.5f) / 120.0f + 0.5f, 1e-5f);
    const auto preset = chunkOf(*rig.fx, true);
    EXPECT_EQ(loadBigEndianFloat(preset.data() + 4 * 6), read); // slot 6
}

// Reading changes nothing; what a save stores follows what plays: the setting as given while the
// factor is its own, the reading once automatic gain has moved the factor (also after it stops).
TEST(WendleGain, ReadingMakeUpGainStoresNothingAndASaveTakesWhatAutomaticGainReached) {
    Rig rig;
    rig.fx->setParameter(kParamMakeupGain, 0.3f);
    const auto before = chunkOf(*rig.fx, false);
    for (int i = 0; i < 3; ++i)
        rig.fx->getParameter(kParamMakeupGain);
    EXPECT_EQ(chunkOf(*rig.fx, false), before);
    EXPECT_EQ(loadBigEndianFloat(before.data() + 4 * 6), 0.3f);

    rig.fx->setParameter(kParamAutoGain, 1.0f);
    rig.silence(200);
    rig.fx->setParameter(kParamAutoGain, 0.0f); // the factor stays where automatic gain left it
    const float reached = 20.0f * std::log10(rig.fx->autoGainFactor.load()) / 120.0f + 0.5f;
    const auto after = chunkOf(*rig.fx, true);
    EXPECT_NEAR(loadBigEndianFloat(after.data() + 4 * 6), reached, 1e-6f);
    EXPECT_EQ(rig.fx->getParameter(kParamMakeupGain), loadBigEndianFloat(after.data() + 4 * 6));
    wendle fresh(nullptr); // and the save reopens at the level it played at
    auto copy = after;
    ASSERT_EQ(fresh.setChunk(copy.data(), static_cast<VstInt32>(copy.size()), true),
              static_cast<VstInt32>(copy.size()));
    EXPECT_NEAR(fresh.autoGainFactor.load(), rig.fx->autoGainFactor.load(), 1e-6f);
}

TEST(WendleMidi, ControllersMoveTheirParametersOnlyWhenFullyBuilt) {
    auto event = [](unsigned char status, unsigned char cc, unsigned char value) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(cc);
        e.midiData[2] = static_cast<char>(value);
        return e;
    };
    auto send = [](wendle& fx, VstMidiEvent& e) {
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&e);
        return fx.processEvents(&list);
    };
    struct Case {
        unsigned char status, cc, value;
        int param;
        float expected;
    };
    const Case cases[] = {
        {0xB0, 7, 127, kParamMakeupGain, 127.0f / 128.0f},
        {0xBF, 75, 64, kParamDepth, 0.5f},
        {0xB3, 76, 32, kParamTilt, 0.25f},
        {0xB0, 77, 96, kParamFilterNumber, 0.75f},
        {0xB0, 78, 16, kParamLfoRate, 0.125f},
    };
    for (const Case& c : cases) {
        wendle fx(nullptr);
        const float before = fx.getParameter(c.param);
        VstMidiEvent e = event(c.status, c.cc, c.value);
        fx.readyLevel = 1;
        EXPECT_EQ(send(fx, e), 1);
        EXPECT_EQ(fx.getParameter(c.param), before) << int(c.cc);
        fx.readyLevel = 2;
        EXPECT_EQ(send(fx, e), 1);
        EXPECT_NEAR(fx.getParameter(c.param), c.expected, 1e-5f) << int(c.cc);
    }
    wendle fx(nullptr);
    VstMidiEvent e = event(0xB0, 7, 127);
    send(fx, e);
    EXPECT_NEAR(db(fx.autoGainFactor), 59.0625, 1e-3);
    // A note-on with controller-like bytes and an unmapped controller change nothing.
    for (VstMidiEvent other : {event(0x90, 75, 0), event(0xB0, 74, 0)}) {
        wendle quiet(nullptr);
        send(quiet, other);
        EXPECT_EQ(quiet.getParameter(kParamDepth), 0.75f);
    }
}

TEST(WendleLfo, TempoLockedSweepMovesThePositionAndTheSelectedFilter) {
    Rig rig;
    rig.fx->setHostTempo(120.0f);
    rig.fx->setParameter(kParamLfoDivide, 0.0f); // divisor 1: a sweep per beat
    rig.fx->setParameter(kParamLfoTempo, 1.0f);
    const double step = 2.0 * kHop / kRate;
    rig.silence(40);
    EXPECT_NEAR(rig.fx->getParameter(kParamFilterNumber), 40 * step, 1e-4);
    EXPECT_NEAR(rig.fx->getParameter(kParamLfoRate), 0.2f, 1e-6f); // 2 Hz
    EXPECT_EQ(rig.fx->getSelectedFilter(), 0);
    rig.silence(10);
    EXPECT_EQ(rig.fx->getSelectedFilter(), 1);
    // The stored slot keeps the value last set; the read-back follows the LFO.
    EXPECT_EQ(loadBigEndianFloat(chunkOf(*rig.fx, true).data()), 0.0f);
    // Turning round at the top after 0.5 s (86.13 hops).
    rig.silence(40);
    EXPECT_NEAR(rig.fx->getParameter(kParamFilterNumber), 2.0 - 90 * step, 1e-4);
    // Setting the position by hand, or the lock off, stops it.
    rig.fx->setParameter(kParamFilterNumber, 0.3f);
    rig.fx->setParameter(kParamLfoTempo, 0.0f);
    rig.silence(5);
    EXPECT_EQ(rig.fx->getParameter(kParamFilterNumber), 0.3f);
}

TEST(WendleLfo, FreeRateCountsAgainstTheSampleRate) {
    for (float rate : {44100.0f, 48000.0f}) {
        Rig rig;
        rig.fx->setSampleRate(rate);
        rig.fx->setParameter(kParamLfoDivide, 0.1f); // divisor 2
        rig.fx->setParameter(kParamLfoRate, 0.1f);   // 1 Hz: a sweep in 2 s
        rig.silence(100);
        EXPECT_NEAR(rig.fx->getParameter(kParamFilterNumber), 100.0 * kHop / rate / 2, 1e-4)
            << rate;
    }
}

TEST(WendlePrograms, NamesReadAsInitNumberUntilRenamedAndKeep23Characters) {
    wendle fx(nullptr);
    char name[64];
    for (int p = 0; p < 16; ++p) {
        fx.setProgram(p);
        fx.getProgramName(name);
        EXPECT_EQ(std::string(name), "Init " + std::to_string(p + 1));
    }
    fx.setProgram(4);
    char shortName[] = "Vowels";
    fx.setProgramName(shortName);
    fx.getProgramName(name);
    EXPECT_STREQ(name, "Vowels");
    char longName[] = "A name much longer than the field holds";
    fx.setProgramName(longName);
    fx.getProgramName(name);
    EXPECT_EQ(std::string(name), std::string(longName).substr(0, 23));
    const auto preset = chunkOf(fx, true);
    EXPECT_EQ(preset[16464 + 23], 0);
    char init[] = "Init";
    fx.setProgramName(init);
    fx.getProgramName(name);
    EXPECT_STREQ(name, "Init 5");
    const auto renamed = chunkOf(fx, true);
    for (int i = 16464 + 4; i < 16488; ++i)
        EXPECT_EQ(renamed[i], 0) << i; // the rest of the field is zero-filled
    // A chunk's name keeps nothing after its end either.
    auto foreign = renamed;
    std::memcpy(&foreign[16464], "Hiss\0leftover", 14);
    ASSERT_EQ(fx.setChunk(foreign.data(), static_cast<VstInt32>(foreign.size()), true), 16488);
    const auto reread = chunkOf(fx, true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reread[16464])), "Hiss");
    for (int i = 16464 + 4; i < 16488; ++i)
        EXPECT_EQ(reread[i], 0) << i;
    fx.setProgram(16);
    fx.setProgram(-1);
    EXPECT_EQ(fx.getProgram(), 4);
}

TEST(WendlePrograms, SelectingAProgramFinishesLearningIntoTheFilterSelectedBefore) {
    Rig rig;
    rig.fx->setProgram(1);
    rig.fx->setParameter(kParamFilterNumber, 0.2f); // program 1 stores position 0.2
    rig.fx->setProgram(0);
    rig.fx->setParameter(kParamFilterNumber, 0.7f); // filter one selected in program 0
    rig.fx->setParameter(kParamLearn, 1.0f);
    rig.run(20, [](int, long long n) { return sineAtBin(30, n); });
    rig.fx->setProgram(1);
    EXPECT_FALSE(rig.fx->isLearning());
    EXPECT_EQ(rig.fx->getParameter(kParamFilterNumber), 0.2f);
    EXPECT_EQ(rig.fx->getSelectedFilter(), 0);
    // Learned into program 1's filter one; program 1's filter zero stays flat.
    EXPECT_LT(rig.fx->programCurve(kFilterOneLeftDb)[300], -40.0f);
    EXPECT_EQ(rig.fx->programCurve(kFilterZeroLeftDb)[300], 0.0f);
    rig.fx->setProgram(0);
    EXPECT_EQ(rig.fx->programCurve(kFilterOneLeftDb)[300], 0.0f); // flattened when learning began
}

TEST(WendleChunks, PresetAndBankRoundTripBitForBit) {
    Rig rig;
    learn(rig, 0.0f, 20, [](int, long long n) { return sineAtBin(30, n); });
    rig.fx->setParameter(kParamTilt, 0.8f);
    char name[] = "Bright";
    rig.fx->setProgramName(name);
    rig.fx->setProgram(3);
    rig.fx->setParameter(kParamDepth, 0.1f);
    learn(rig, 1.0f, 20, [](int, long long n) { return sineAtBin(80, n); });
    const auto bank = chunkOf(*rig.fx, false);
    ASSERT_EQ(bank.size(), 16u * 16488u + 8u);
    // Big-endian: program 0, slot 5 (tilt) holds 0.8; the trailer names program 3.
    EXPECT_EQ(loadBigEndianFloat(bank.data() + 4 * 5), 0.8f);
    EXPECT_EQ(loadBigEndian32(bank.data() + 16 * 16488),
              static_cast<uint32_t>(fourCharCode("cPrg")));
    EXPECT_EQ(loadBigEndian32(bank.data() + 16 * 16488 + 4), 3u);

    wendle copy(nullptr);
    auto bankIn = bank;
    EXPECT_EQ(copy.setChunk(bankIn.data(), static_cast<VstInt32>(bankIn.size()), false),
              16 * 16488 + 8);
    EXPECT_EQ(copy.getProgram(), 3);
    EXPECT_EQ(chunkOf(copy, false), bank);

    const auto preset = chunkOf(*rig.fx, true); // program 3
    wendle other(nullptr);
    other.setProgram(7);
    auto presetIn = preset;
    EXPECT_EQ(other.setChunk(presetIn.data(), 16488, true), 16488);
    EXPECT_EQ(other.getProgram(), 7);
    EXPECT_EQ(chunkOf(other, true), preset);
    EXPECT_NEAR(other.getParameter(kParamDepth), 0.1f, 1e-6f);
}

TEST(WendleChunks, LoadingABankSelectsItsSavedProgramAndFinishesLearning) {
    wendle source(nullptr);
    source.setProgram(2);
    source.setParameter(kParamDepth, 0.3f);
    const auto bank = chunkOf(source, false);
    // Banks saved before they carried their program: the records alone, or followed by bytes
    // that are no trailer; they keep the program the host selected. So does a trailer naming a
    // program that does not exist.
    const std::vector<unsigned char> records(bank.begin(), bank.end() - 8);
    auto foreign = records;
    foreign.insert(foreign.end(), {'a', 'b', 'c', 'd', 0, 0, 0, 2});
    auto noSuchProgram = bank;
    storeBigEndian32(16, noSuchProgram.data() + 16 * 16488 + 4);
    const struct {
        const char* what;
        std::vector<unsigned char> data;
        VstInt32 answer;
        VstInt32 program;
    } cases[] = {
        {"with trailer", bank, 16 * 16488 + 8, 2},
        {"records only", records, 16 * 16488, 5},
        {"foreign extra bytes", foreign, 16 * 16488, 5},
        {"trailer naming program 16", noSuchProgram, 16 * 16488 + 8, 5},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.fx->setProgram(5);
        rig.fx->setParameter(kParamLearn, 1.0f);
        rig.run(10, [](int, long long n) { return sineAtBin(30, n); });
        auto in = c.data;
        ASSERT_EQ(rig.fx->setChunk(in.data(), static_cast<VstInt32>(in.size()), false), c.answer)
            << c.what;
        EXPECT_EQ(rig.fx->getProgram(), c.program) << c.what;
        EXPECT_FALSE(rig.fx->isLearning()) << c.what;
        EXPECT_NEAR(rig.fx->getParameter(kParamDepth), c.program == 2 ? 0.3f : 0.75f, 1e-6f)
            << c.what;
    }
}

TEST(WendleChunks, BadChunksAnswerZeroAndChangeNothing) {
    wendle fx(nullptr);
    fx.setParameter(kParamDepth, 0.9f);
    const auto before = chunkOf(fx, false);

    wendle source(nullptr);
    source.setParameter(kParamDepth, 0.1f);
    const auto goodBank = chunkOf(source, false);
    const auto goodPreset = chunkOf(source, true);

    auto poisoned = [](std::vector<unsigned char> c, std::size_t at, float v) {
        storeBigEndianFloat(v, c.data() + at);
        return c;
    };
    struct Case {
        const char* what;
        std::vector<unsigned char> data;
        VstInt32 size;
        bool preset;
    };
    std::vector<Case> cases = {
        {"short preset", goodPreset, 16487, true},
        {"empty preset", goodPreset, 0, true},
        {"negative size", goodPreset, -5, true},
        {"short bank", goodBank, 15 * 16488, false},
        {"bank one byte short", goodBank, 16 * 16488 - 1, false},
        {"bank with a cut trailer", goodBank, 16 * 16488 + 7, false},
        {"preset NaN parameter", poisoned(goodPreset, 8, std::nanf("")), 16488, true},
        {"preset infinite curve", poisoned(goodPreset, 48 + 4 * 1000, INFINITY), 16488, true},
        {"bank NaN in last program", poisoned(goodBank, 15 * 16488 + 16460, -NAN), 16 * 16488,
         false},
        {"bank -inf parameter", poisoned(goodBank, 5 * 16488, -INFINITY), 16 * 16488, false},
    };
    for (Case& c : cases) {
        EXPECT_EQ(fx.setChunk(c.data.data(), c.size, c.preset), 0) << c.what;
        EXPECT_EQ(chunkOf(fx, false), before) << c.what;
    }
    EXPECT_EQ(fx.setChunk(nullptr, 16488, true), 0);
    EXPECT_EQ(chunkOf(fx, false), before);
}

TEST(WendleChunks, CurveChunksRoundTripAndRejectBadData) {
    wendle fx(nullptr);
    fx.channelMode = 1;
    std::vector<unsigned char> data(kBins * 4);
    for (int k = 0; k < kBins; ++k)
        storeBigEndianFloat(-0.1f * static_cast<float>(k), data.data() + 4 * k);
    EXPECT_TRUE(fx.setCurveBigEndian(kFilterOneRightDb, data.data(), data.size()));
    EXPECT_EQ(fx.programCurve(kFilterOneRightDb)[10], -1.0f);
    std::vector<unsigned char> back(kBins * 4);
    EXPECT_TRUE(fx.getCurveBigEndian(kFilterOneRightDb, back.data(), back.size()));
    EXPECT_EQ(back, data);
    // The gains follow at the next frame, without any parameter moving (filter one at depth 1).
    fx.setParameter(kParamFilterNumber, 1.0f);
    std::vector<float> in(256, 0.0f), out(256);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    fx.processReplacing(ins, outs, 256);
    EXPECT_NEAR(fx.targetGain(1)[200], 0.1f, 1e-6f); // −20 dB
    std::vector<unsigned char> deeper(kBins * 4);
    for (int k = 0; k < kBins; ++k)
        storeBigEndianFloat(-0.2f * static_cast<float>(k), deeper.data() + 4 * k);
    EXPECT_TRUE(fx.setCurveBigEndian(kFilterOneRightDb, deeper.data(), deeper.size()));
    fx.processReplacing(ins, outs, 256);
    EXPECT_NEAR(fx.targetGain(1)[200], 0.01f, 1e-7f); // −40 dB
    EXPECT_EQ(fx.targetGain(0)[200], 1.0f);

    storeBigEndianFloat(NAN, data.data() + 40);
    EXPECT_FALSE(fx.setCurveBigEndian(kFilterOneRightDb, data.data(), data.size()));
    EXPECT_FALSE(fx.setCurveBigEndian(kFilterOneRightDb, back.data(), back.size() - 1));
    EXPECT_FALSE(fx.setCurveBigEndian(8, back.data(), back.size()));
    EXPECT_FALSE(fx.getCurveBigEndian(-1, back.data(), back.size()));
    EXPECT_EQ(fx.programCurve(kFilterOneRightDb)[10], -2.0f);
}

TEST(WendleIdentity, NamesAndIdentifier) {
    wendle fx(nullptr);
    char text[64];
    ASSERT_TRUE(fx.getEffectName(text));
    EXPECT_STREQ(text, "+wendle");
    ASSERT_TRUE(fx.getVendorString(text));
    EXPECT_STREQ(text, "Mirelow");
    ASSERT_TRUE(fx.getProductString(text));
    EXPECT_STREQ(text, "Mirelow Wendle");
    EXPECT_EQ(fx.getAeffect()->uniqueID, 0x2B776478); // '+wdx'
    EXPECT_TRUE(fx.getAeffect()->flags & effFlagsProgramChunks);
    EXPECT_EQ(fx.getAeffect()->numPrograms, 16);
    EXPECT_EQ(fx.getAeffect()->numParams, 14);
    EXPECT_EQ(fx.readyLevel, 2);
    EXPECT_EQ(*fx.displayFactor(0), 1.0f);
    EXPECT_EQ(*fx.displayFactor(1), 1.0f);
}
