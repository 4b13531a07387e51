// The VST 2.4 plug-ins (build/tidemill.so, build/wendle-vst.so) loaded through the host harness,
// as a host loads them. Both stand on the same entry and effect base: these properties hold
// whatever the effect does to the spectra.
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"

#include "tests/support/Signals.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

using testsignals::noise;
using testsignals::Signal;
using vsthost::LoadError;
using vsthost::Plugin;

namespace {

constexpr int kLatency = 1024;

struct VstBuild {
    const char* file; // in the build folder
    VstInt32 uniqueId;
    const char* name;
    const char* product;
    VstInt32 programs;
    VstInt32 params;
    VstInt32 category; // effGetPlugCategory
};

const VstBuild kBuilds[] = {
    {"tidemill.so", fourCharCode("+tdl"), "+tidemill", "Mirelow Tidemill", 8, 12,
     kPlugCategRestoration},
    {"wendle-vst.so", fourCharCode("+wdx"), "+wendle", "Mirelow Wendle", 16, 14, kPlugCategEffect},
};

void PrintTo(const VstBuild& build, std::ostream* os) {
    *os << build.file;
}

std::string buildPath(const char* file) {
    return std::string(MIRELOW_BUILD_DIR) + "/" + file;
}

float peak(const Signal& s, size_t from, size_t to) {
    float p = 0;
    for (size_t i = from; i < to && i < s.size(); ++i)
        p = std::max(p, std::fabs(s[i]));
    return p;
}

class VstPlugins : public ::testing::TestWithParam<VstBuild> {
  protected:
    const std::string kPlugin = buildPath(GetParam().file);
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Builds, VstPlugins, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<VstBuild>& info) {
                             std::string name = info.param.file;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_P(VstPlugins, AnswersItsIdentity) {
    const VstBuild& b = GetParam();
    Plugin p(kPlugin);
    EXPECT_EQ(p.uniqueId(), b.uniqueId);
    EXPECT_EQ(p.effectName(), b.name);
    EXPECT_EQ(p.vendorString(), "Mirelow");
    EXPECT_EQ(p.productString(), b.product);
    EXPECT_EQ(p.numPrograms(), b.programs);
    EXPECT_EQ(p.numParams(), b.params);
    EXPECT_EQ(p.numInputs(), 2);
    EXPECT_EQ(p.numOutputs(), 2);
    EXPECT_EQ(p.initialDelay(), kLatency);
    EXPECT_EQ(p.effect()->version, 1);
    EXPECT_EQ(p.effect()->ioRatio, 1.f);
    const VstInt32 must = effFlagsCanReplacing | effFlagsProgramChunks;
    const VstInt32 mustNot = effFlagsIsSynth | effFlagsCanDoubleReplacing | effFlagsNoSoundInStop;
    EXPECT_EQ(p.flags() & must, must);
    EXPECT_EQ(p.flags() & mustNot, 0);
}

TEST(VstHarness, ReportsWhyLoadingFailed) {
    const std::string kPlugin = buildPath("tidemill.so");
    const struct {
        std::string path;
        VstIntPtr version;
        const char* why;
    } cases[] = {
        {std::string(MIRELOW_BUILD_DIR) + "/no-such-plugin.so", 2400, "no such file"},
        {std::string(MIRELOW_BUILD_DIR) + "/tests/vst/libvst_fixture_noentry.so", 2400,
         "no VSTPluginMain or main"},
        {kPlugin, 0, "returned no effect"}, // a host answering version 0 gets nothing
    };
    for (const auto& c : cases) {
        vsthost::HostAnswers answers;
        answers.version = c.version;
        try {
            Plugin p(c.path, answers);
            ADD_FAILURE() << c.path << " loaded";
        } catch (const LoadError& e) {
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
    }
}

TEST_P(VstPlugins, ConstantAnswers) {
    Plugin p(kPlugin);
    VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(0x10);
    VstSpeakerArrangement* out = reinterpret_cast<VstSpeakerArrangement*>(0x20);
    const struct {
        VstInt32 opcode;
        VstIntPtr value;
        VstIntPtr answer;
    } cases[] = {
        {effOpen, 0, 0},
        {effIdentify, 0, fourCharCode("NvEf")},
        {effGetNumProgramCategories, 0, 1},
        {effConnectInput, 1, 1},
        {effConnectOutput, 0, 1},
        {effSetBlockSizeAndSampleRate, 512, 1},
        {effKeysRequired, 0, 1},
        {effGetVstVersion, 0, 2400},
        {effGetCurrentMidiProgram, 0, -1},
        {effSetTotalSampleToProcess, 12345, 12345},
        {effGetPlugCategory, 0, GetParam().category},
        {effGetVendorVersion, 0, 0},
        {effGetTailSize, 0, 0},
        {effSetSampleRate, 0, 0},
        {effSetBlockSize, 256, 0},
        {effMainsChanged, 1, 0},
        {effGetSpeakerArrangement, reinterpret_cast<VstIntPtr>(&in), 0},
    };
    for (const auto& c : cases) {
        void* ptr = c.opcode == effGetSpeakerArrangement ? static_cast<void*>(&out) : nullptr;
        EXPECT_EQ(p.dispatch(c.opcode, 0, c.value, ptr, 48000.f), c.answer) << c.opcode;
    }
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    for (VstInt32 i = 0; i < p.numParams(); ++i)
        EXPECT_EQ(p.dispatch(effCanBeAutomated, i), 1) << i;
}

TEST_P(VstPlugins, UnsupportedAndUnknownOpcodesAnswerZeroAndChangeNothing) {
    Plugin p(kPlugin);
    const VstInt32 opcodes[] = {effGetVu,
                                effEditDraw,
                                effEditMouse,
                                effEditKey,
                                effEditTop,
                                effEditSleep,
                                effString2Parameter,
                                effCopyProgram,
                                effGetCurrentPosition,
                                effGetDestinationBuffer,
                                effOfflineNotify,
                                effOfflinePrepare,
                                effOfflineRun,
                                effProcessVarIo,
                                effSetSpeakerArrangement,
                                effGetErrorText,
                                effVendorSpecific,
                                effIdle,
                                effGetIcon,
                                effSetViewPosition,
                                effGetMidiProgramName,
                                effGetMidiProgramCategory,
                                effHasMidiProgramsChanged,
                                effGetMidiKeyName,
                                effBeginSetProgram,
                                effEndSetProgram,
                                effShellGetNextPlugin,
                                effStartProcess,
                                effStopProcess,
                                effSetPanLaw,
                                effBeginLoadBank,
                                effBeginLoadProgram,
                                effSetProcessPrecision,
                                effGetNumMidiInputChannels,
                                effGetNumMidiOutputChannels,
                                80,
                                81,
                                1000,
                                -1,
                                -1000};
    const auto bank = p.getChunk(false);
    for (VstInt32 op : opcodes) {
        char buf[512] = {};
        EXPECT_EQ(p.dispatch(op, 0, 0, buf, 0.f), 0) << op;
        EXPECT_EQ(buf[0], 0) << op;
    }
    EXPECT_EQ(p.getChunk(false), bank);
}

TEST_P(VstPlugins, BadInputIsRefusedWithoutHarm) {
    Plugin p(kPlugin);
    // Text, chunk, event and pin queries without a buffer.
    for (VstInt32 op : {effGetProgramName, effSetProgramName, effGetParamLabel, effGetParamDisplay,
                        effGetParamName, effGetEffectName, effGetVendorString, effGetProductString,
                        effCanDo, effGetChunk, effSetChunk, effProcessEvents, effGetInputProperties,
                        effGetOutputProperties, effEditGetRect})
        EXPECT_EQ(p.dispatch(op, 0, 16, nullptr, 0.f), 0) << op;
    // Pins beyond the existing ones, or negative: 0 and the record untouched.
    for (VstInt32 i : {2, 3, 64, -1, -100}) {
        const auto in = p.inputProperties(i);
        const auto out = p.outputProperties(i);
        EXPECT_EQ(in.answer, 0);
        EXPECT_EQ(out.answer, 0);
        EXPECT_EQ(in.properties.flags, 0x55555555);
        EXPECT_EQ(out.properties.label[0], 0x55);
    }
    // Programs beyond the last or negative are ignored.
    p.dispatch(effSetProgram, 0, 2);
    ASSERT_EQ(p.dispatch(effGetProgram), 2);
    for (VstIntPtr program :
         {VstIntPtr{p.numPrograms()}, VstIntPtr{-1}, VstIntPtr{1} << 40, VstIntPtr{-8}}) {
        EXPECT_EQ(p.dispatch(effSetProgram, 0, program), 0);
        EXPECT_EQ(p.dispatch(effGetProgram), 2) << program;
    }
}

TEST_P(VstPlugins, ProgramsAreNamedWithoutBeingSelected) {
    Plugin p(kPlugin);
    p.dispatch(effSetProgram, 0, 1);
    const auto bank = p.getChunk(false);
    std::vector<std::string> names;
    for (VstInt32 i = 0; i < p.numPrograms(); ++i) {
        char name[kVstMaxProgNameLen] = {};
        EXPECT_EQ(p.dispatch(effGetProgramNameIndexed, i, -1, name), 1) << i;
        names.emplace_back(name);
    }
    EXPECT_EQ(p.dispatch(effGetProgram), 1);
    EXPECT_EQ(p.getChunk(false), bank);
    for (VstInt32 i = 0; i < p.numPrograms(); ++i) {
        p.dispatch(effSetProgram, 0, i);
        EXPECT_EQ(p.programName(), names[static_cast<std::size_t>(i)]) << i;
    }
    char untouched[kVstMaxProgNameLen] = "x";
    for (VstInt32 i : {-1, p.numPrograms()})
        EXPECT_EQ(p.dispatch(effGetProgramNameIndexed, i, -1, untouched), 0) << i;
    EXPECT_STREQ(untouched, "x");
}

TEST_P(VstPlugins, PinsAndCapabilities) {
    Plugin p(kPlugin);
    const struct {
        bool input;
        VstInt32 index;
        const char* label;
    } pins[] = {
        {true, 0, "Input 1"}, {true, 1, "Input 2"}, {false, 0, "Output 1"}, {false, 1, "Output 2"}};
    for (const auto& pin : pins) {
        const auto r = pin.input ? p.inputProperties(pin.index) : p.outputProperties(pin.index);
        EXPECT_EQ(r.answer, 1);
        EXPECT_STREQ(r.properties.label, pin.label);
        EXPECT_EQ(r.properties.flags, 3);
    }
    const struct {
        const char* what;
        VstIntPtr answer;
    } can[] = {{"receiveVstEvents", 1},
               {"receiveVstMidiEvent", 1},
               {"sendVstEvents", -1},
               {"sendVstMidiEvent", -1},
               {"", -1},
               {"receivevstevents", -1}};
    for (const auto& c : can)
        EXPECT_EQ(p.canDo(c.what), c.answer) << c.what;
}

TEST_P(VstPlugins, BypassAnswersItsStateAndDelaysByOneHop) {
    Plugin p(kPlugin);
    EXPECT_EQ(p.dispatch(effSetBypass, 0, 1), 1);
    const Signal a = noise(6000, 1), b = noise(6000, 2);
    const auto out = p.render({a, b}, 512);
    for (int c = 0; c < 2; ++c) {
        const Signal& in = c ? b : a;
        for (size_t t = 0; t < in.size(); ++t)
            ASSERT_EQ(out[c][t], t < 256 ? 0.f : in[t - 256]) << c << " " << t;
    }
    EXPECT_EQ(p.dispatch(effSetBypass, 0, 0), 0);
}

TEST_P(VstPlugins, SilentForOneFrameAfterStartAndAfterMainsOffOn) {
    Plugin p(kPlugin);
    const Signal a = noise(3 * kLatency, 3, 1.f), b = noise(3 * kLatency, 4, 1.f);
    auto check = [&](const char* when) {
        const auto out = p.render({a, b}, 333);
        for (int c = 0; c < 2; ++c) {
            // Nothing of the input can have arrived yet: what comes out is rounding at most.
            EXPECT_LT(peak(out[c], 0, kLatency), 1e-4f) << when << " channel " << c;
            EXPECT_GT(peak(out[c], kLatency, out[c].size()), 1e-3f) << when << " channel " << c;
        }
    };
    check("after construction");
    p.dispatch(effMainsChanged, 0, 0);
    p.dispatch(effMainsChanged, 0, 1);
    check("after mains off and on");
}

TEST_P(VstPlugins, BlockSizeDoesNotChangeTheOutput) {
    const Signal a = noise(20000, 5), b = noise(20000, 6);
    Plugin reference(kPlugin);
    const auto expected = reference.render({a, b}, 1);
    for (int block : {7, 255, 256, 1000, 4096}) {
        Plugin p(kPlugin);
        EXPECT_EQ(p.render({a, b}, block), expected) << "block " << block;
    }
}

TEST_P(VstPlugins, ChannelModeFollowsThePins) {
    const Signal a = noise(8000, 7), b = noise(8000, 8);
    const float untouched = 123.f;
    {
        Plugin p(kPlugin);
        p.answers().inputConnected[1] = false; // mono in, stereo out
        const auto out = p.render({a, b}, 512, untouched);
        EXPECT_EQ(out[1], out[0]);
        EXPECT_GT(peak(out[0], kLatency, out[0].size()), 1e-3f);
    }
    {
        Plugin p(kPlugin);
        p.answers().inputConnected[1] = false;
        p.answers().outputConnected[1] = false; // mono
        const auto out = p.render({a, b}, 512, untouched);
        for (float v : out[1])
            ASSERT_EQ(v, untouched);
    }
    {
        Plugin p(kPlugin); // stereo: the channels stay apart
        const auto out = p.render({a, Signal(a.size(), 0.f)}, 512);
        EXPECT_GT(peak(out[0], kLatency, out[0].size()), 1e-3f);
        EXPECT_LT(peak(out[1], 0, out[1].size()), 1e-6f);
    }
}

TEST_P(VstPlugins, PinsAreAskedOnEveryProcessCall) {
    Plugin p(kPlugin);
    const Signal a = noise(512 * 4, 9);
    p.render({a, a}, 512);
    EXPECT_EQ(p.pinQueries(), 4); // input 2 connected: one question per call
    p.answers().inputConnected[1] = false;
    p.render({a, a}, 512);
    EXPECT_EQ(p.pinQueries(), 4 + 8); // then output 2 as well
}

TEST_P(VstPlugins, EmptyOrNegativeBlocksChangeNothing) {
    const Signal a = noise(3000, 12), b = noise(3000, 13);
    Plugin reference(kPlugin), p(kPlugin);
    const auto expected = reference.render({a, b}, 500);
    const auto first =
        p.render({Signal(a.begin(), a.begin() + 1000), Signal(b.begin(), b.begin() + 1000)}, 500);
    const long queries = p.pinQueries();
    float sentinel[2] = {7.f, 7.f};
    float* ins[2] = {nullptr, nullptr};
    float* outs[2] = {&sentinel[0], &sentinel[1]};
    for (VstInt32 frames : {0, -1, -512}) {
        p.processReplacing(ins, outs, frames);
        p.process(ins, outs, frames);
    }
    EXPECT_EQ(sentinel[0], 7.f);
    EXPECT_EQ(sentinel[1], 7.f);
    EXPECT_EQ(p.pinQueries(), queries);
    const auto rest =
        p.render({Signal(a.begin() + 1000, a.end()), Signal(b.begin() + 1000, b.end())}, 500);
    for (int c = 0; c < 2; ++c) {
        Signal joined = first[c];
        joined.insert(joined.end(), rest[c].begin(), rest[c].end());
        EXPECT_EQ(joined, expected[c]) << c;
    }
}

TEST_P(VstPlugins, OutputHasNoNanInfinityOrDenormal) {
    Plugin p(kPlugin);
    Signal a = noise(44100 * 3, 10, 1.f);
    std::fill(a.begin() + 4096, a.end(), 0.f); // a burst, then a long silence
    Signal b = a;
    for (size_t i = 4096; i < b.size(); i += 1000)
        b[i] = 1e-30f; // denormal-range input
    for (int program = 0; program < p.numPrograms(); ++program) {
        p.dispatch(effSetProgram, 0, program);
        const auto out = p.render({a, b}, 480);
        for (int c = 0; c < 2; ++c)
            for (size_t t = 0; t < out[c].size(); ++t)
                ASSERT_TRUE(out[c][t] == 0.f || std::isnormal(out[c][t]))
                    << "program " << program << " channel " << c << " sample " << t << " = "
                    << out[c][t];
    }
}

TEST_P(VstPlugins, ProcessCallsNeitherAllocateNorFree) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    Plugin p(kPlugin);
    const Signal a = noise(50000, 11);
    Signal o0(a.size()), o1(a.size());
    float* ins[2] = {const_cast<float*>(a.data()), const_cast<float*>(a.data())};
    float* outs[2] = {o0.data(), o1.data()};
    p.processReplacing(ins, outs, 512); // warm up: first-call work is allowed
    alloccounter::Scope scope;
    for (int pos = 512; pos + 1000 <= 50000; pos += 1000) {
        ins[0] = ins[1] = const_cast<float*>(a.data()) + pos;
        outs[0] = o0.data() + pos;
        outs[1] = o1.data() + pos;
        p.processReplacing(ins, outs, 500);
        p.process(ins, outs, 500);
    }
    EXPECT_EQ(scope.counts().total(), 0);
}

TEST_P(VstPlugins, CloseDestroysTheEffect) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    Plugin p(kPlugin);
    alloccounter::Scope scope;
    EXPECT_EQ(p.close(), 1);
    // The engine alone holds 18 heap buffers and two plans; all go back.
    EXPECT_GE(scope.counts().frees, 18);
    EXPECT_EQ(p.effect(), nullptr);
    EXPECT_EQ(p.dispatch(effGetVstVersion), 0); // the harness no longer reaches it
}
