// dehiss driven from several threads at once, as hosts do: the audio thread renders and takes
// MIDI while others set parameters, switch programs, rename them, read and load chunks and run
// the learn buttons. Under ThreadSanitizer this also proves that none of it races.
#include "compander/dehiss.h"
#include "engine/ByteOrder.h"
#include "tests/support/ThreadRig.h"
#include "vst/MidiControllers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>

using namespace compander;

namespace {

constexpr const char* kNames[] = {"alpha", "a rather long program name that is cut", "Init", ""};

float storedValue(const unsigned char* record, int slot) {
    return loadBigEndianFloat(record + 4 * slot);
}

void render(dehiss& fx, threadrig::Block& block) {
    fx.processReplacing(block.ins, block.outs, threadrig::Block::kFrames);
}

} // namespace

TEST(DehissThreads, StateAndSoundAreOnesTheCallsCouldHaveMade) {
    dehiss fx(nullptr);
    threadrig::Block block;
    threadrig::MidiBurst midi({{75, 40}, {76, 100}, {7, 64}, {72, 20}, {73, 0}, {77, 90}});
    std::set<float> written; // every value a host thread or MIDI may have set
    for (int i = 0; i <= 8; ++i)
        written.insert(static_cast<float>(i) / 8.0f);
    for (int v : {40, 100, 64, 20, 0, 90})
        written.insert(vst::controllerValue(v));
    for (const CompanderProgram& p : builtInPrograms())
        for (float v : p.values)
            written.insert(v);

    threadrig::runBeside(
        3000,
        [&](int b) {
            if (b % 7 == 0)
                fx.processEvents(midi.get());
            render(fx, block);
        },
        {
            [&](int round) { // automation and the program menu
                std::mt19937 rng(static_cast<unsigned>(round));
                const int index = static_cast<int>(rng() % kNumParams);
                if (index != kLearnPeak && index != kLearnAverage && index != kReset)
                    fx.setParameter(index, static_cast<float>(rng() % 9) / 8.0f);
                if (round % 50 == 0)
                    fx.setProgram(static_cast<int>(rng() % kNumPrograms));
                if (round % 30 == 0)
                    fx.setProgramName(const_cast<char*>(kNames[rng() % 4]));
                char name[kVstMaxProgNameLen] = {};
                fx.getProgramName(name);
                char text[dehiss::kParamTextBytes] = {};
                fx.getParameterDisplay(index, text);
            },
            [&](int round) { // the session: chunks saved and restored
                void* data = nullptr;
                const VstInt32 size = fx.getChunk(&data, round % 3 == 0);
                const std::vector<unsigned char> copy(static_cast<unsigned char*>(data),
                                                      static_cast<unsigned char*>(data) + size);
                if (round % 4 == 0) {
                    EXPECT_EQ(
                        fx.setChunk(const_cast<unsigned char*>(copy.data()), size, round % 3 == 0),
                        size);
                }
                std::this_thread::yield();
            },
            [&](int round) { // the learn and reset buttons
                const int phase = round % 40;
                if (phase == 0)
                    fx.setParameter(round % 80 == 0 ? kLearnPeak : kLearnAverage, 1.0f);
                else if (phase == 25)
                    fx.setParameter(kLearnAverage, 0.0f), fx.setParameter(kLearnPeak, 0.0f);
                else if (phase == 30)
                    fx.setParameter(kReset, round % 120 == 30 ? 1.0f : 0.0f);
                std::this_thread::yield();
            },
        });

    // The live values are the current program's: every stored parameter reads back what the
    // program record holds, and every value is one that was set.
    void* data = nullptr;
    ASSERT_EQ(fx.getChunk(&data, true), static_cast<VstInt32>(kProgramChunkBytes));
    const auto* record = static_cast<const unsigned char*>(data);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_TRUE(written.count(fx.getParameter(i))) << kParams[i].name;
        if (kParams[i].slot != kNotStored) {
            EXPECT_EQ(fx.getParameter(i), storedValue(record, kParams[i].slot)) << kParams[i].name;
        }
    }
    char name[kVstMaxProgNameLen] = {};
    fx.getProgramName(name);
    const std::set<std::string> names{
        "alpha",           "a rather long program n", "",
        "Noise Reduction", "Spectral Flatten",        "Spectral Reshape"};
    EXPECT_TRUE(names.count(name) || std::strncmp(name, "Init ", 5) == 0) << name;

    // The last change, then the sound: a fresh instance loaded with the same bank plays the same
    // samples, bit for bit, once the gains have settled on the steady signal (instant attack
    // and release, so that they do so within a few frames).
    fx.setParameter(kLearnAverage, 0.0f);
    fx.setParameter(kLearnPeak, 0.0f);
    fx.setParameter(kAttack, 0.0f);
    fx.setParameter(kRelease, 0.0f);
    const VstInt32 size = fx.getChunk(&data, false);
    const std::vector<unsigned char> bank(static_cast<unsigned char*>(data),
                                          static_cast<unsigned char*>(data) + size);
    dehiss fresh(nullptr);
    ASSERT_EQ(fresh.setChunk(const_cast<unsigned char*>(bank.data()), size, false), size);
    ASSERT_EQ(fresh.getProgram(), fx.getProgram());
    threadrig::Block other;
    for (int b = 0; b < 24; ++b) {
        render(fx, block);
        render(fresh, other);
    }
    for (int c = 0; c < 2; ++c)
        ASSERT_EQ(std::memcmp(block.outs[c], other.outs[c], sizeof(float) * 256), 0) << c;
}
