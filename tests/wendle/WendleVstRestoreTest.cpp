// A session with learned curves saved and reopened as real hosts reopen it: build/wendle-vst.so
// through the VST harness, the bank chunk restored in the orders hosts call it.
#include "tests/support/HostRestore.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <random>

using hostrestore::Audio;
using hostrestore::Bytes;
using hostrestore::save;
using hostrestore::Saved;

namespace {

const std::string kPlugin = std::string(MIRELOW_BUILD_DIR) + "/wendle-vst.so";

Audio noise(std::size_t frames, unsigned seed, float lowPass) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> n(0.0f, 0.1f);
    Audio out(2, std::vector<float>(frames));
    for (auto& channel : out) {
        float y = 0.0f;
        for (float& x : channel)
            x = y = lowPass * y + (1.0f - lowPass) * n(rng);
    }
    return out;
}

// Program 2 with both filters learned (dark noise, then white), a position between them, more
// depth, a tilt, the channels linked and an LFO divisor. The curves are learned in another
// instance and brought in by program chunk, so that the saved instance has played nothing before
// its reference, as a reopened one has not.
Saved learnedSession(const Audio& signal) {
    vsthost::Plugin teacher(kPlugin);
    teacher.dispatch(effSetProgram, 0, 2);
    for (int filter = 0; filter < 2; ++filter) {
        teacher.setParameter(4, static_cast<float>(filter)); // filter number
        teacher.setParameter(5, 1.0f);                       // learn filter
        teacher.render(noise(16384, 3 + filter, filter == 0 ? 0.95f : 0.0f), 512);
        teacher.setParameter(5, 0.0f);
    }
    const Bytes learned = teacher.getChunk(true);

    vsthost::Plugin p(kPlugin);
    p.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(p.setChunk(learned, true), static_cast<VstIntPtr>(learned.size()));
    const std::pair<VstInt32, float> settings[] = {
        {4, 0.35f}, {2, 0.9f}, {3, 0.7f}, {10, 1.0f}, {12, 0.4f}};
    for (auto [index, value] : settings)
        p.setParameter(index, value);
    return save(p, signal);
}

} // namespace

TEST(WendleVstRestore, EveryHostOrderReopensTheProgramParametersCurvesAndSound) {
    const Audio signal = noise(3 * 8192, 11, 0.5f);
    vsthost::Plugin untouched(kPlugin);
    const Saved sessions[] = {learnedSession(signal), save(untouched, signal)};
    EXPECT_EQ(sessions[0].program, 2);
    EXPECT_EQ(sessions[1].program, 0);
    EXPECT_NE(sessions[0].sound, sessions[1].sound); // the learned curves are heard
    for (const Saved& saved : sessions)
        hostrestore::expectEveryHostOrderRestores(kPlugin, saved, signal);
}
