// build/wendle.so while Pro Tools' threads meet in it: the render thread plays while a control
// thread moves controls and reads their texts and the meters, and a session thread saves and
// restores the whole state. Under ThreadSanitizer this also proves that none of it races.
#include "WendleFixture.h"

#include "tests/support/ThreadRig.h"

#include <cmath>

using namespace wendletest;

// A control set that overlaps a session restore must not leave the restored value in the control
// and its own in the effect (or the other way round): a later save would then describe another
// instance than the one that plays.
TEST_F(WendleTest, ControlsMetersAndSessionsBesideTheRenderLeaveAStateARestoreReproduces) {
    auto fx = plugin->createInstance(2);
    threadrig::Block block;
    const char* controls[] = {"depth", "tilt", "filter", "stereolink", "logscale", "lfo divisor"};
    const ptsim::SessionState start = fx->saveState();

    threadrig::runBeside(
        1500, [&](int) { fx->render(block.ins, block.outs, threadrig::Block::kFrames, 120.0); },
        {
            [&](int round) { // the control thread
                const int index = fx->requireControl(controls[round % 6]);
                fx->setControlNormalised(index, static_cast<double>(round % 9) / 8.0);
                if (round % 40 == 0)
                    fx->setControlUnits("learn", 1.0);
                else if (round % 40 == 30)
                    fx->setControlUnits("learn", 0.0);
                fx->algorithmText(index);
                fx->algorithmValue(index);
                fx->meters();
            },
            [&](int round) { // the session thread
                const ptsim::SessionState saved = fx->saveState();
                if (round % 5 == 0) {
                    EXPECT_EQ(fx->restoreState(round % 10 == 0 ? start : saved), kPINoErr);
                }
                std::this_thread::yield();
            },
        });

    // Learning over and the LFO still, a fresh instance restored from the session sounds the
    // same once the gains have glided onto their targets.
    fx->setControlUnits("learn", 0.0);
    fx->setControlUnits("filter", 0.25);
    auto fresh = plugin->createInstance(2);
    ASSERT_EQ(fresh->restoreState(fx->saveState()), kPINoErr);
    for (int index = 1; index <= static_cast<int>(fx->controls().size()); ++index)
        EXPECT_EQ(fx->algorithmText(index), fresh->algorithmText(index)) << index;
    threadrig::Block other;
    for (int b = 0; b < 200; ++b) {
        fx->render(block.ins, block.outs, threadrig::Block::kFrames, 120.0);
        fresh->render(other.ins, other.outs, threadrig::Block::kFrames, 120.0);
    }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < threadrig::Block::kFrames; ++i)
            ASSERT_NEAR(block.out[c][i], other.out[c][i],
                        1e-5f * (1.0f + std::fabs(other.out[c][i])))
                << c << " " << i;
}
