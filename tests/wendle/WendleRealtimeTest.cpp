// The wendle effect on the audio path: no heap traffic, and sound output while other threads
// change parameters, programs and chunks.
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"

#include "wendle/wendle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
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

TEST(WendleRealtime, OutputStaysFiniteWhileOtherThreadsChangeEverything) {
    wendle fx(nullptr);
    fx.channelMode = 1;
    fx.setHostTempo(100.0f);
    std::atomic<bool> done{false};

    std::thread host([&] {
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        std::uniform_int_distribution<int> param(2, 13);
        std::vector<unsigned char> bank;
        while (!done.load()) {
            const int p = param(rng);
            fx.setParameter(p, unit(rng));
            fx.getParameter(p);
            if (unit(rng) < 0.01f) {
                void* data = nullptr;
                const int size = fx.getChunk(&data, false);
                bank.assign(static_cast<unsigned char*>(data),
                            static_cast<unsigned char*>(data) + size);
                fx.setChunk(bank.data(), size, false);
            }
            if (unit(rng) < 0.01f)
                fx.setProgram(static_cast<int>(unit(rng) * 15.99f));
        }
    });
    std::thread editor([&] {
        while (!done.load()) {
            float* curve = fx.selectedLinearCurve(0);
            curve[50] = 0.5f;
            *fx.curveEditedFlag() = 1;
            std::this_thread::yield();
        }
    });

    Block block(256);
    long long t = 0;
    for (int hop = 0; hop < 3000; ++hop) {
        block.fill(t);
        fx.processReplacing(block.ins, block.outs, 256);
        for (int c = 0; c < 2; ++c)
            for (float v : block.out[c])
                ASSERT_TRUE(std::isfinite(v)) << "hop " << hop;
    }
    done = true;
    host.join();
    editor.join();
}
