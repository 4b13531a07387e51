// The effect base `spect` and the VST classes under it, linked in and driven through the AEffect
// record the way a host drives it.
#include "vst/spect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Answers the effect's host calls and records the ones a test checks.
struct FakeHost {
    static inline FakeHost* current = nullptr;
    bool input2 = true, output2 = true;
    int pinQueries = 0;
    std::vector<std::string> calls;
    std::vector<std::pair<int, float>> automated;

    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                              float opt) {
        FakeHost& h = *current;
        switch (opcode) {
        case audioMasterVersion:
            return 2400;
        case audioMasterPinConnected:
            ++h.pinQueries;
            h.calls.push_back((value ? "out" : "in") + std::to_string(index));
            return (value ? h.output2 : h.input2) ? 0 : 1;
        case audioMasterAutomate:
            h.automated.emplace_back(index, opt);
            return 0;
        case audioMasterBeginEdit:
            h.calls.push_back("begin" + std::to_string(index));
            return 1;
        case audioMasterEndEdit:
            h.calls.push_back("end" + std::to_string(index));
            return 1;
        default:
            return 0;
        }
    }
};

// A complete effect on the base: default hook, default parameters and program.
struct TestEffect : spect {
    static inline int alive = 0;
    bool throwOnName = false;
    explicit TestEffect(audioMasterCallback master = nullptr) : spect(master, 1, 2) {
        ++alive;
        readyLevel += 1;
    }
    ~TestEffect() override {
        readyLevel = 0;
        --alive;
    }
    void getParameterName(VstInt32 index, char* text) override {
        if (throwOnName)
            throw std::runtime_error("boom");
        spect::getParameterName(index, text);
    }
};

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

std::string text(AEffect* e, VstInt32 opcode, VstInt32 index) {
    char buf[256] = {};
    dispatch(e, opcode, index, 0, buf);
    return buf;
}

} // namespace

TEST(Spect, RecordIsFilledForTheHost) {
    TestEffect fx;
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->object, &fx);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->initialDelay, 1024);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);
    EXPECT_EQ(e->ioRatio, 1.f);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(fx.getSampleRate(), 44100.f);
    EXPECT_EQ(fx.getBlockSize(), 1024);
}

TEST(Spect, BaseDefaultsServeTwoParametersAndOneProgram) {
    TestEffect fx;
    AEffect* e = fx.getAeffect();
    EXPECT_EQ(text(e, effGetParamName, 0), "Param A: ");
    EXPECT_EQ(text(e, effGetParamName, 1), "Param B: ");
    EXPECT_EQ(text(e, effGetParamDisplay, 0), "1.000000");
    EXPECT_EQ(text(e, effGetParamLabel, 1), "");
    EXPECT_EQ(e->getParameter(e, 0), 1.f);
    e->setParameter(e, 1, 0.7f);
    EXPECT_EQ(text(e, effGetParamDisplay, 1), "0.699999");
    // Other indices: 0, no change, texts untouched.
    e->setParameter(e, 2, 0.3f);
    EXPECT_EQ(e->getParameter(e, 2), 0.f);
    char untouched[16] = "keep";
    for (VstInt32 op : {effGetParamName, effGetParamDisplay, effGetParamLabel}) {
        dispatch(e, op, 5, 0, untouched);
        EXPECT_STREQ(untouched, "keep");
    }
    EXPECT_EQ(text(e, effGetProgramName, 0), "Default");
    char name[] = "A rather long program name beyond 24";
    dispatch(e, effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(e, effGetProgramName, 0), "A rather long program n"); // 23 + NUL
}

TEST(Spect, PinsAndCapabilities) {
    TestEffect fx;
    AEffect* e = fx.getAeffect();
    const struct {
        VstInt32 opcode, index;
        VstIntPtr answer;
        const char* label;
    } pins[] = {
        {effGetInputProperties, 0, 1, "Input 1"},   {effGetInputProperties, 1, 1, "Input 2"},
        {effGetOutputProperties, 0, 1, "Output 1"}, {effGetOutputProperties, 1, 1, "Output 2"},
        {effGetInputProperties, 2, 0, nullptr},     {effGetInputProperties, -1, 0, nullptr},
        {effGetOutputProperties, 2, 0, nullptr},    {effGetOutputProperties, -7, 0, nullptr}};
    for (const auto& p : pins) {
        VstPinProperties props;
        std::memset(&props, 0x55, sizeof(props));
        EXPECT_EQ(dispatch(e, p.opcode, p.index, 0, &props), p.answer) << p.index;
        if (p.label) {
            EXPECT_STREQ(props.label, p.label);
            EXPECT_EQ(props.flags, kVstPinIsActive | kVstPinIsStereo);
            EXPECT_EQ(props.arrangementType, 0x55555555); // left as the host passed it
        } else {
            EXPECT_EQ(props.flags, 0x55555555);
        }
    }
    const struct {
        const char* what;
        VstIntPtr answer;
    } can[] = {{"receiveVstEvents", 1},  {"receiveVstMidiEvent", 1},
               {"sendVstMidiEvent", -1}, {"", -1},
               {"ReceiveVstEvents", -1}, {"receiveVstEventsX", -1}};
    for (const auto& c : can)
        EXPECT_EQ(dispatch(e, effCanDo, 0, 0, const_cast<char*>(c.what)), c.answer) << c.what;
}

TEST(Spect, NothingIsProcessedBeforeTheEffectIsBuilt) {
    spect base(nullptr, 1, 2); // the effect's constructor has not added its level
    float in[64], out0[64], out1[64];
    std::fill(std::begin(in), std::end(in), 0.5f);
    std::fill(std::begin(out0), std::end(out0), 9.f);
    std::fill(std::begin(out1), std::end(out1), 9.f);
    float* ins[2] = {in, in};
    float* outs[2] = {out0, out1};
    AEffect* e = base.getAeffect();
    e->processReplacing(e, ins, outs, 64);
    e->process(e, ins, outs, 64);
    EXPECT_EQ(base.hopPos, 0);
    EXPECT_EQ(out0[10], 9.f);
    EXPECT_EQ(out1[63], 9.f);
}

TEST(Spect, ChannelModeFollowsThePinAnswersOnEveryCall) {
    FakeHost host;
    FakeHost::current = &host;
    TestEffect fx(&FakeHost::callback);
    AEffect* e = fx.getAeffect();
    float buf[4][32] = {};
    float* ins[2] = {buf[0], buf[1]};
    float* outs[2] = {buf[2], buf[3]};
    const struct {
        bool input2, output2;
        int mode;
        std::vector<std::string> queries;
    } cases[] = {{true, true, 1, {"in1"}},
                 {true, false, 1, {"in1"}},
                 {false, true, 2, {"in1", "out1"}},
                 {false, false, 0, {"in1", "out1"}}};
    for (const auto& c : cases) {
        host.input2 = c.input2;
        host.output2 = c.output2;
        host.calls.clear();
        e->processReplacing(e, ins, outs, 32);
        EXPECT_EQ(fx.channelMode, c.mode);
        EXPECT_EQ(host.calls, c.queries);
    }
    // Without a host every pin counts as connected.
    TestEffect alone;
    alone.getAeffect()->processReplacing(alone.getAeffect(), ins, outs, 32);
    EXPECT_EQ(alone.channelMode, 1);
}

TEST(Spect, AutomationAndEditGesturesReachTheHost) {
    FakeHost host;
    FakeHost::current = &host;
    TestEffect fx(&FakeHost::callback);
    fx.beginEdit(0);
    fx.setParameterAutomated(0, 0.25f);
    fx.endEdit(0);
    EXPECT_EQ(fx.getParameter(0), 0.25f);
    ASSERT_EQ(host.automated.size(), 1u);
    EXPECT_EQ(host.automated[0], std::make_pair(0, 0.25f));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"begin0", "end0"}));
}

TEST(Spect, DispatcherAnswersWithoutAnEditor) {
    TestEffect fx;
    AEffect* e = fx.getAeffect();
    ERect* rect = reinterpret_cast<ERect*>(0x1);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 0);
    for (VstInt32 op :
         {effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
        EXPECT_EQ(dispatch(e, op), 0) << op;
    EXPECT_EQ(dispatch(e, effSetBypass, 0, 1), 1);
    EXPECT_TRUE(fx.bypassed);
    EXPECT_EQ(dispatch(e, effSetBypass, 0, 0), 0);
    EXPECT_FALSE(fx.bypassed);
    // Editor registration sets the flag; the effect owns and deletes it.
    new AEffEditor(&fx);
    EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
}

TEST(Spect, TrampolinesAnswerZeroWhenTheEffectThrows) {
    TestEffect fx;
    fx.throwOnName = true;
    char name[64] = "keep";
    EXPECT_EQ(dispatch(fx.getAeffect(), effGetParamName, 0, 0, name), 0);
}

TEST(Spect, CloseDestroysTheEffect) {
    const int before = TestEffect::alive;
    auto* fx = new TestEffect();
    AEffect* e = fx->getAeffect();
    EXPECT_EQ(TestEffect::alive, before + 1);
    EXPECT_EQ(dispatch(e, effClose), 1);
    EXPECT_EQ(TestEffect::alive, before);
}
