// build/wendle-vst.so through the host harness: what the VST build adds to the effect (the
// host's pins and tempo) and what a host keeps of it (learned curves in the bank chunk). The
// answers it shares with tidemill are checked for both plug-ins in the VST plug-in tests.
#include "tests/support/Signals.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using testsignals::noise;
using testsignals::Signal;
using vsthost::Plugin;

namespace {

const std::string kPlugin = std::string(MIRELOW_BUILD_DIR) + "/wendle-vst.so";
constexpr int kLatency = 1024;
constexpr int kHop = 256;
constexpr VstInt32 kFilterDepth = 2, kFilterNumber = 4, kLearn = 5, kLfoTempo = 11, kLfoDivide = 12;

// Noise with its top octaves only: a first difference taken twice.
Signal bright(size_t n, unsigned seed) {
    Signal s = noise(n + 2, seed);
    Signal out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = 0.25f * (s[i + 2] - 2 * s[i + 1] + s[i]);
    return out;
}

double maxDifference(const Signal& a, const Signal& b, size_t from) {
    double d = 0;
    for (size_t i = from; i < a.size() && i < b.size(); ++i)
        d = std::max(d, std::fabs(double(a[i]) - b[i]));
    return d;
}

} // namespace

TEST(WendleVst, FreshProgramIsTransparentAfterTheLatencyInStereoAndMono) {
    const Signal a = noise(20000, 1), b = noise(20000, 2);
    for (const bool mono : {false, true}) {
        Plugin p(kPlugin);
        p.answers().inputConnected[1] = !mono; // mono: one input, sent to both outputs
        const auto out = p.render({a, b}, 512);
        for (int c = 0; c < 2; ++c) {
            const Signal& in = mono || c == 0 ? a : b;
            double worst = 0;
            for (size_t t = kLatency; t < in.size(); ++t)
                worst = std::max(worst, std::fabs(double(out[c][t]) - in[t - kLatency]));
            // What is left is the rounding of the transform pair and the overlap-add.
            EXPECT_LT(worst, 1e-5) << (mono ? "mono" : "stereo") << " channel " << c;
        }
    }
}

TEST(WendleVst, HostTempoDrivesTheTempoLockedLfo) {
    // Locked to the tempo with divisor 1, the position climbs tempo/60 per second of hops.
    const struct {
        bool tempoValid;
        double tempo;
        double expected; // after 20 hops at 44.1 kHz
    } cases[] = {
        {true, 60.0, 20 * kHop / 44100.0},
        {true, 240.0, 4 * 20 * kHop / 44100.0},
        {false, 240.0, 0.0}, // no tempo from the host: the LFO has none to lock to
    };
    for (const auto& c : cases) {
        Plugin p(kPlugin);
        p.answers().timeInfoValid = true;
        p.answers().timeInfo.tempo = c.tempo;
        p.answers().timeInfo.flags = c.tempoValid ? kVstTempoValid : 0;
        p.setParameter(kLfoTempo, 1.0f);
        p.setParameter(kLfoDivide, 0.0f);
        p.render({noise(20 * kHop, 3)}, 512);
        EXPECT_NEAR(p.getParameter(kFilterNumber), c.expected, 1e-4) << c.tempo;
    }
}

TEST(WendleVst, LearnedCurveSurvivesABankChunkRoundTrip) {
    constexpr VstInt32 kProgram = 3;
    // Whole hops, so that the original meets the test signal at the reopened one's hop phase.
    const Signal learnFrom = bright(172 * kHop, 4);
    const Signal test = noise(2 * 44100, 5);

    Plugin original(kPlugin);
    original.dispatch(effSetProgram, 0, kProgram);
    original.setParameter(kFilterNumber, 1.0f);
    original.setParameter(kFilterDepth, 0.9f);
    original.setParameter(kLearn, 1.0f);
    original.render({learnFrom, learnFrom}, 512);
    original.setParameter(kLearn, 0.0f);
    const auto bank = original.getChunk(false);
    const auto program = original.getChunk(true);

    Plugin reopened(kPlugin);
    ASSERT_EQ(reopened.setChunk(bank, false), static_cast<VstIntPtr>(bank.size()));
    EXPECT_EQ(reopened.dispatch(effGetProgram), kProgram); // the bank names its program
    EXPECT_EQ(reopened.getChunk(true), program);           // values, name and all eight curves

    // Once the gains have glided to their targets, both sound alike; and the curve is heard.
    Plugin fresh(kPlugin);
    const auto a = original.render({test, test}, 512);
    const auto b = reopened.render({test, test}, 512);
    const auto f = fresh.render({test, test}, 512);
    for (int c = 0; c < 2; ++c) {
        EXPECT_LT(maxDifference(a[c], b[c], 44100), 1e-6) << c;
        EXPECT_GT(maxDifference(b[c], f[c], 44100), 0.05) << c;
    }
}

TEST(WendleVst, MidiControllersReachTheEffect) {
    Plugin p(kPlugin);
    VstMidiEvent cc{};
    cc.type = kVstMidiType;
    cc.byteSize = sizeof cc;
    cc.midiData[0] = static_cast<char>(0xB3); // control change, channel 4
    cc.midiData[1] = 75;                      // filter depth
    cc.midiData[2] = 32;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&cc);
    EXPECT_EQ(p.dispatch(effProcessEvents, 0, 0, &events), 1);
    EXPECT_FLOAT_EQ(p.getParameter(kFilterDepth), 32 / 128.0f);
}

TEST(WendleVst, EditorOpensClosesAndAnswersItsSize) {
    Plugin p(kPlugin);
    EXPECT_NE(p.flags() & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    ASSERT_EQ(p.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 440);
    EXPECT_EQ(rect->bottom - rect->top, 370);
    // Without a parent window the editor draws into memory; opened and closed again and again,
    // it keeps working, and the audio runs on beside it.
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(p.dispatch(effEditOpen), 1) << round;
        for (int i = 0; i < 3; ++i) {
            p.render({noise(512, 6), noise(512, 7)}, 512);
            p.dispatch(effEditIdle);
        }
        p.dispatch(effEditClose);
        p.dispatch(effEditIdle); // idle while closed does nothing
    }
    EXPECT_EQ(p.close(), 1); // closing the effect takes the editor with it
}

TEST(WendleVst, OnOffParametersAreSwitches) {
    Plugin p(kPlugin);
    for (VstInt32 i = 0; i < p.numParams(); ++i) {
        VstParameterProperties props{};
        const bool isSwitch = i == 5 || i == 6 || i == 7 || i == 9 || i == 10 || i == 11;
        EXPECT_EQ(p.dispatch(effGetParameterProperties, i, 0, &props), isSwitch ? 1 : 0) << i;
        if (isSwitch) {
            EXPECT_EQ(props.flags, kVstParameterIsSwitch) << i;
            EXPECT_EQ(props.label, p.paramName(i)) << i;
        }
    }
}
