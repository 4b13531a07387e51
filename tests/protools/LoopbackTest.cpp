// The host callback a process hands its effect: with no VST host present, the effect's requests
// must not land on effect opcodes of the same number (audioMasterVersion is effClose's number,
// audioMasterGetTime effGetParamDisplay's, audioMasterBeginEdit effSetBlockSizeAndSampleRate's).
#include <gtest/gtest.h>

#include "protools/CWendleProcess.h"

TEST(Loopback, HostRequestsAreAnsweredWithoutReachingUnrelatedEffectOpcodes) {
    wendle fx(&CWendleProcess::LoopbackCallback, 16, 14);
    fx.setSampleRate(48000.0f);
    char name[32] = "kept";
    fx.setProgramName(name);

    EXPECT_EQ(fx.getMasterVersion(), 0);   // would have closed the effect
    EXPECT_EQ(fx.getCurrentUniqueId(), 0); // would have switched the program
    EXPECT_TRUE(fx.isInputConnected(1));   // would have renamed a program
    EXPECT_TRUE(fx.isOutputConnected(1));
    EXPECT_EQ(fx.getTimeInfo(0), nullptr); // would have written through a null text
    fx.beginEdit(2);                       // would have set the sample rate to 0
    fx.endEdit(2);
    fx.updateDisplay();
    fx.masterIdle();
    fx.setParameterAutomated(2, 0.75f); // reaches the effect itself, harmlessly

    EXPECT_EQ(fx.getSampleRate(), 48000.0f);
    EXPECT_EQ(fx.getProgram(), 0);
    char back[32] = {};
    fx.getProgramName(back);
    EXPECT_STREQ(back, "kept");
    EXPECT_FLOAT_EQ(fx.getParameter(2), 0.75f);
    EXPECT_EQ(CWendleProcess::LoopbackCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 0);
}
