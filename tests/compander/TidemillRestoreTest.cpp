// A saved session reopened as real hosts reopen it: build/tidemill.so through the VST harness,
// the bank chunk restored in the orders hosts call it, and banks saved before the bank carried
// its current program.
#include "tests/support/HostRestore.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kPlugin = std::string(MIRELOW_BUILD_DIR) + "/tidemill.so";
constexpr int kNumPrograms = 8;
constexpr std::size_t kRecordBytes = 4176;
constexpr std::size_t kRecordsBytes = kNumPrograms * kRecordBytes;
using hostrestore::Audio;
using hostrestore::Bytes;
using hostrestore::save;
using hostrestore::Saved;

// Hiss whose level falls with frequency, so that learned shapes are not flat.
Audio colouredNoise(std::size_t frames, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> n(0.0f, 0.05f);
    Audio out(2, std::vector<float>(frames));
    for (auto& channel : out) {
        float low = 0.0f;
        for (float& x : channel) {
            low = 0.9f * low + n(rng);
            x = low + 0.1f * n(rng);
        }
    }
    return out;
}

void putWord(Bytes& out, uint32_t u) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(u >> shift));
}

uint32_t wordAt(const Bytes& b, std::size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           uint32_t{b[at + 3]};
}

// A session on "Spectral Flatten" with an edited threshold and ratio and shapes learned from
// hiss. The shapes are learned in another instance and brought in as a program chunk, so that the
// saved instance has processed no audio before it plays the reference, as a reopened one has not.
Saved editedSession(const Audio& signal) {
    vsthost::Plugin teacher(kPlugin);
    teacher.dispatch(effSetProgram, 0, 1);
    teacher.setParameter(5, 1.0f); // learnaverage
    teacher.render(colouredNoise(16384, 3), 512);
    teacher.setParameter(5, 0.0f);
    const Bytes learned = teacher.getChunk(true);

    vsthost::Plugin p(kPlugin);
    p.dispatch(effSetProgram, 0, 1);
    EXPECT_NE(p.getChunk(true), learned); // the shapes did change
    EXPECT_EQ(p.setChunk(learned, true), 4176);
    p.setParameter(0, 0.45f); // threshold
    p.setParameter(3, 0.2f);  // ratio
    return save(p, signal);
}

// An instance saved as it was loaded: "Init 4", transparent.
Saved untouchedSession(const Audio& signal) {
    vsthost::Plugin p(kPlugin);
    return save(p, signal);
}

} // namespace

TEST(TidemillRestore, EveryHostOrderReopensTheSavedProgramParametersAndSound) {
    const Audio signal = colouredNoise(3 * 8192, 11);
    const Saved sessions[] = {editedSession(signal), untouchedSession(signal)};
    EXPECT_EQ(sessions[0].program, 1);
    EXPECT_EQ(sessions[1].program, 3);
    EXPECT_NE(sessions[0].sound, sessions[1].sound);
    for (const Saved& saved : sessions)
        hostrestore::expectEveryHostOrderRestores(kPlugin, saved, signal);
}

TEST(TidemillRestore, BankCarriesItsProgramAfterTheEightRecords) {
    vsthost::Plugin p(kPlugin);
    for (VstIntPtr program : {5, 0}) {
        p.dispatch(effSetProgram, 0, program);
        const Bytes bank = p.getChunk(false);
        ASSERT_EQ(bank.size(), kRecordsBytes + 8);
        EXPECT_EQ(wordAt(bank, kRecordsBytes), static_cast<uint32_t>(fourCharCode("cPrg")));
        EXPECT_EQ(wordAt(bank, kRecordsBytes + 4), static_cast<uint32_t>(program));
    }
    EXPECT_EQ(p.getChunk(true).size(), kRecordBytes); // program chunks are unchanged
}

// Eight records in the chunk layout and nothing after them, as banks were saved before they
// carried the current program: record p has threshold 0.1 + 0.1 p, tilt 0.05 p, shapes p + 1
// and the name "Legacy p".
Bytes legacyBank() {
    const float init[12] = {0.5f, 0, 0.5f, 0.5f, 0.5f, 0, 0, 0, 0.5f, 0, 0.5f, 0};
    Bytes bank;
    for (int p = 0; p < kNumPrograms; ++p) {
        float values[12];
        std::copy(std::begin(init), std::end(init), values);
        values[8] = 0.1f + 0.1f * static_cast<float>(p);
        values[10] = 0.05f * static_cast<float>(p);
        for (float v : values)
            putWord(bank, std::bit_cast<uint32_t>(v));
        for (int k = 0; k < 2 * 513; ++k)
            putWord(bank, std::bit_cast<uint32_t>(static_cast<float>(p + 1)));
        char name[24] = {};
        std::snprintf(name, sizeof name, "Legacy %d", p);
        bank.insert(bank.end(), name, name + sizeof name);
    }
    return bank;
}

TEST(TidemillRestore, BankWithoutItsProgramKeepsTheProgramTheHostSet) {
    const Bytes legacy = legacyBank();
    ASSERT_EQ(legacy.size(), kRecordsBytes);
    for (VstIntPtr hostProgram : {2, 0, 7}) {
        SCOPED_TRACE(hostProgram);
        vsthost::Plugin p(kPlugin);
        p.dispatch(effSetProgram, 0, hostProgram);
        EXPECT_EQ(p.setChunk(legacy, false), static_cast<VstIntPtr>(kRecordsBytes));
        EXPECT_EQ(p.dispatch(effGetProgram), hostProgram);
        EXPECT_EQ(p.programName(), "Legacy " + std::to_string(hostProgram));
        EXPECT_FLOAT_EQ(p.getParameter(0), 0.1f + 0.1f * static_cast<float>(hostProgram));
        EXPECT_FLOAT_EQ(p.getParameter(11), 0.05f * static_cast<float>(hostProgram));
        // Saved again, it is the same records, now followed by the program.
        const Bytes again = p.getChunk(false);
        ASSERT_EQ(again.size(), kRecordsBytes + 8);
        EXPECT_TRUE(std::equal(legacy.begin(), legacy.end(), again.begin()));
        EXPECT_EQ(wordAt(again, kRecordsBytes + 4), static_cast<uint32_t>(hostProgram));
    }
}
