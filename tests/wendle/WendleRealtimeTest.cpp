// The wendle effect on the audio path: no heap traffic; and while the audio thread renders and
// takes MIDI, other threads set parameters, switch and rename programs, save and load chunks and
// curve chunks, run learn and reset and hand over drawn curves, leaving a state the calls could
// have made (under ThreadSanitizer this also proves that none of it races).
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"

#include "tests/support/ThreadRig.h"
#include "wendle/wendle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace wendlefx;

namespace {

struct Block {
    std::vector<float> in[2], out[2];
    float* ins[2];
    float* outs[2];
    explicit Block(int frames) {
        for (int c = 0; c < 2; ++c) {
            in[c].assign(static_cast<std::size_t>(frames), 0.0f);
            out[c].assign(static_cast<std::size_t>(frames), 0.0f);
            ins[c] = in[c].data();
            outs[c] = out[c].data();
        }
    }
    void fill(long long& t) {
        for (std::size_t i = 0; i < in[0].size(); ++i, ++t) {
            in[0][i] = 0.3f * std::sin(0.05f * static_cast<float>(t % 100000));
            in[1][i] = 0.2f * std::sin(0.21f * static_cast<float>(t % 100000));
        }
    }
};

void render(wendle& fx, threadrig::Block& block) {
    fx.processReplacing(block.ins, block.outs, threadrig::Block::kFrames);
}

std::vector<unsigned char> chunkOf(wendle& fx, bool preset) {
    void* data = nullptr;
    const VstInt32 size = fx.getChunk(&data, preset);
    return {static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size};
}

} // namespace

TEST(WendleRealtime, AudioPathNeitherAllocatesNorFrees) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    wendle fx(nullptr);
    fx.channelMode = 1;
    fx.setHostTempo(128.0f);
    fx.setParameter(kParamLfoTempo, 1.0f); // the LFO rebuilds the gains every hop
    fx.setParameter(kParamTilt, 0.9f);
    fx.setParameter(kParamAutoGain, 1.0f);
    fx.setParameter(kParamLearn, 1.0f);
    *fx.curveEditedFlag() = 1;
    Block block(333); // hop boundaries fall inside blocks
    long long t = 0;

    VstMidiEvent cc{};
    cc.type = kVstMidiType;
    cc.byteSize = sizeof cc;
    cc.midiData[0] = static_cast<char>(0xB0);
    cc.midiData[1] = 76;
    cc.midiData[2] = 100;
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&cc);

    alloccounter::Counts counts;
    for (int i = 0; i < 40; ++i) {
        block.fill(t);
        alloccounter::Scope scope;
        fx.processEvents(&events);
        fx.setParameter(kParamDepth, 0.01f * static_cast<float>(i)); // automation on this thread
        fx.processReplacing(block.ins, block.outs, 333);
        counts = scope.counts();
        ASSERT_EQ(counts.total(), 0) << "block " << i;
    }
}

TEST(WendleRealtime, StateAndSoundAreOnesTheCallsCouldHaveMadeWhileThreadsMeet) {
    wendle fx(nullptr);
    fx.channelMode = 1;
    fx.setHostTempo(120.0f);
    threadrig::Block block;
    threadrig::MidiBurst midi({{75, 100}, {77, 64}, {7, 70}, {78, 3}, {76, 30}});
    std::vector<float> drawn(kBins);
    for (int k = 0; k < kBins; ++k)
        drawn[k] = 0.25f + 0.7f * static_cast<float>(k % 40) / 40.0f;

    threadrig::runBeside(
        3000,
        [&](int b) {
            if (b % 5 == 0)
                fx.processEvents(midi.get());
            render(fx, block);
        },
        {
            [&](int round) { // automation, the program menu, names
                std::mt19937 rng(static_cast<unsigned>(round));
                const int index = kParamDepth + static_cast<int>(rng() % 12);
                if (index != kParamLearn && index != kParamReset)
                    fx.setParameter(index, static_cast<float>(rng() % 9) / 8.0f);
                fx.getParameter(kParamMakeupGain); // reads what automatic gain made of it
                if (round % 60 == 0)
                    fx.setProgram(static_cast<int>(rng() % 16));
                if (round % 25 == 0)
                    fx.setProgramName(const_cast<char*>(round % 50 ? "swept" : "Init"));
                char text[24] = {};
                fx.getProgramName(text);
                fx.getParameterDisplay(index, text);
            },
            [&](int round) { // the session: bank, preset and curve chunks
                const bool preset = round % 3 == 0;
                std::vector<unsigned char> chunk = chunkOf(fx, preset);
                if (round % 4 == 0) {
                    EXPECT_EQ(
                        fx.setChunk(chunk.data(), static_cast<VstInt32>(chunk.size()), preset),
                        static_cast<VstInt32>(chunk.size()));
                }
                unsigned char curve[4 * kBins];
                const int c = round % kNumCurves;
                ASSERT_TRUE(fx.getCurveBigEndian(c, curve, sizeof curve));
                ASSERT_TRUE(fx.setCurveBigEndian((c + 3) % kNumCurves, curve, sizeof curve));
                std::this_thread::yield();
            },
            [&](int round) { // learn, reset and the editor's drawing
                const int phase = round % 30;
                if (phase == 0)
                    fx.setParameter(kParamLearn, 1.0f);
                else if (phase == 20)
                    fx.setParameter(kParamLearn, 0.0f);
                else if (phase == 25)
                    fx.setParameter(kParamReset, round % 90 == 25 ? 1.0f : 0.0f);
                else if (phase == 10)
                    fx.setSelectedLinearCurve(round % 2, drawn.data());
                std::this_thread::yield();
            },
        });

    // The last changes: learning over, the reset button released (a momentary button, which a
    // restored session does not press again), the LFO and automatic gain stopped, so that what
    // sounds follows from the settings alone.
    fx.setParameter(kParamLearn, 0.0f);
    fx.setParameter(kParamReset, 0.0f);
    fx.setParameter(kParamLfoTempo, 0.0f);
    fx.setParameter(kParamLfoRate, 0.0f);
    fx.setParameter(kParamAutoGain, 0.0f);
    fx.setParameter(kParamMakeupGain, 0.625f);
    fx.setParameter(kParamFilterNumber, 0.375f);

    // The live values are the current program's: a fresh instance given the same bank and
    // program reads back every parameter alike and shows the same name.
    std::vector<unsigned char> bank = chunkOf(fx, false);
    wendle fresh(nullptr);
    fresh.channelMode = 1;
    ASSERT_EQ(fresh.setChunk(bank.data(), static_cast<VstInt32>(bank.size()), false),
              static_cast<VstInt32>(bank.size()));
    fresh.setProgram(fx.getProgram());
    for (int index = kParamDepth; index < kNumParams; ++index)
        if (index == kParamMakeupGain) // read back through the output factor
            EXPECT_NEAR(fx.getParameter(index), fresh.getParameter(index), 1e-6f);
        else
            EXPECT_EQ(fx.getParameter(index), fresh.getParameter(index)) << kParams[index].name;
    char name[24] = {}, freshName[24] = {};
    fx.getProgramName(name);
    fresh.getProgramName(freshName);
    EXPECT_STREQ(name, freshName);
    EXPECT_TRUE(std::strcmp(name, "swept") == 0 || std::strncmp(name, "Init ", 5) == 0) << name;

    // And it sounds the same once the gains have glided onto their targets (the glide
    // approaches them geometrically, hence the tolerance).
    threadrig::Block other;
    for (int b = 0; b < 200; ++b) {
        render(fx, block);
        render(fresh, other);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < threadrig::Block::kFrames; ++i)
            ASSERT_NEAR(block.out[c][i], other.out[c][i],
                        1e-5f * (1.0f + std::fabs(other.out[c][i])))
                << c << " " << i;
}
