// The compander as a host meets it: build/tidemill.so loaded through the VST harness.
#include "compander/CompanderProgram.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {
const std::string kPlugin = std::string(MIRELOW_BUILD_DIR) + "/tidemill.so";

double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}
} // namespace

TEST(TidemillCompander, ParametersThroughTheDispatcher) {
    vsthost::Plugin plugin(kPlugin);
    EXPECT_EQ(plugin.numParams(), 12);
    EXPECT_EQ(plugin.numPrograms(), 8);
    EXPECT_EQ(plugin.uniqueId(), ('+' << 24) | ('t' << 16) | ('d' << 8) | 'l');
    EXPECT_TRUE(plugin.flags() & effFlagsProgramChunks);
    const char* names[] = {"threshold", "attack",       "release",    "ratio",
                           "learnpeak", "learnaverage", "reset",      "invert",
                           "gain",      "logscale",     "stereolink", "tilt"};
    const char* labels[] = {"dB", "s", "s", "", "", "", "", "", "dB", "", "", "dB"};
    const char* shown[] = {"-60.0",    "0.50",     "0.50", "1 : 1.00", "0.000000", "0.000000",
                           "0.000000", "0.000000", "0.0",  "off",      "off",      "0.00"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(plugin.paramName(i), names[i]);
        EXPECT_EQ(plugin.paramLabel(i), labels[i]);
        EXPECT_EQ(plugin.paramDisplay(i), shown[i]) << i;
    }
    EXPECT_EQ(plugin.programName(), "Init 4");

    plugin.setParameter(3, 0.25f);
    EXPECT_EQ(plugin.getParameter(3), 0.25f);
    EXPECT_EQ(plugin.paramDisplay(3), "3.00 : 1");
    plugin.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin.programName(), "Noise Reduction");
    EXPECT_EQ(plugin.paramDisplay(0), "-30.0");
    EXPECT_EQ(plugin.paramDisplay(3), "1 : 2.20");
    EXPECT_EQ(plugin.paramDisplay(9), "on");
    plugin.dispatch(effSetProgram, 0, 8); // no such program
    EXPECT_EQ(plugin.dispatch(effGetProgram), 0);

    char name[] = "Hiss Away";
    plugin.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(plugin.programName(), "Hiss Away");
}

TEST(TidemillCompander, StateSavedAndRestoredThroughChunks) {
    vsthost::Plugin saved(kPlugin);
    saved.dispatch(effSetProgram, 0, 6);
    saved.setParameter(11, 0.8f);
    saved.setParameter(0, 0.3f);
    const auto bank = saved.getChunk(false);
    const auto program = saved.getChunk(true);
    ASSERT_EQ(bank.size(), 33416u);
    ASSERT_EQ(program.size(), 4176u);

    vsthost::Plugin restored(kPlugin);
    restored.setParameter(11, 0.1f);
    EXPECT_EQ(restored.setChunk(bank, false), 33416);
    EXPECT_EQ(restored.dispatch(effGetProgram), 6); // the bank's own program
    EXPECT_EQ(restored.getChunk(false), bank);
    EXPECT_EQ(restored.getParameter(11), 0.8f);
    EXPECT_EQ(restored.paramDisplay(0), "-84.0");

    restored.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(restored.setChunk(program, true), 4176);
    EXPECT_EQ(restored.dispatch(effGetProgram), 2);
    EXPECT_EQ(restored.getChunk(true), program);

    // A cut chunk is refused and changes nothing.
    EXPECT_EQ(restored.setChunk({bank.begin(), bank.begin() + 4000}, false), 0);
    EXPECT_EQ(restored.getChunk(false).size(), 33416u);
    EXPECT_EQ(restored.dispatch(effGetProgram), 2);
}

TEST(TidemillCompander, HostsListProgramNamesWithoutSelectingThem) {
    vsthost::Plugin plugin(kPlugin);
    plugin.dispatch(effSetProgram, 0, 5);
    char renamed[] = "Hiss Away";
    plugin.dispatch(effSetProgramName, 0, 0, renamed);
    plugin.dispatch(effSetProgram, 0, 3);
    const char* names[] = {"Noise Reduction", "Spectral Flatten", "Spectral Reshape", "Init 4",
                           "Init 5",          "Hiss Away",        "Init 7",           "Init 8"};
    for (VstInt32 i = 0; i < 8; ++i) {
        char name[64] = {};
        EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, i, -1, name), 1) << i;
        EXPECT_STREQ(name, names[i]);
    }
    for (VstInt32 i : {-1, 8}) {
        char name[64] = "untouched";
        EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, i, -1, name), 0) << i;
        EXPECT_STREQ(name, "untouched");
    }
    EXPECT_EQ(plugin.dispatch(effGetProgramNameIndexed, 0, -1, nullptr), 0);
    EXPECT_EQ(plugin.dispatch(effGetProgram), 3);
    EXPECT_EQ(plugin.getParameter(0), 0.5f); // program 3's threshold, nothing re-applied
}

TEST(TidemillCompander, OnOffParametersAreSwitchesAndItFilesAsRestoration) {
    vsthost::Plugin plugin(kPlugin);
    EXPECT_EQ(plugin.dispatch(effGetPlugCategory), 8); // kPlugCategRestoration
    for (VstInt32 i = -1; i <= 12; ++i) {
        VstParameterProperties props;
        std::memset(&props, 0x55, sizeof props);
        const bool isSwitch = i == 4 || i == 5 || i == 6 || i == 7 || i == 9 || i == 10;
        EXPECT_EQ(plugin.dispatch(effGetParameterProperties, i, 0, &props), isSwitch ? 1 : 0) << i;
        if (isSwitch) {
            EXPECT_EQ(props.flags, kVstParameterIsSwitch) << i;
            EXPECT_EQ(props.label, plugin.paramName(i));
            EXPECT_EQ(std::string(props.shortLabel), plugin.paramName(i).substr(0, 7));
            EXPECT_EQ(props.category, 0);
        } else {
            EXPECT_EQ(props.flags, 0x55555555) << i; // left as the host passed it
        }
    }
    EXPECT_EQ(plugin.dispatch(effGetParameterProperties, 4, 0, nullptr), 0);
}

TEST(TidemillCompander, MidiControllersReachTheirParameters) {
    vsthost::Plugin plugin(kPlugin);
    struct {
        VstInt32 numEvents = 3;
        VstIntPtr reserved = 0;
        VstEvent* events[3];
    } list;
    VstMidiEvent cc[3] = {};
    const int bytes[3][3] = {{0xb0, 75, 0}, {0xb5, 7, 127}, {0x90, 76, 100}}; // the last, a note
    for (int i = 0; i < 3; ++i) {
        cc[i].type = kVstMidiType;
        cc[i].byteSize = sizeof cc[i];
        for (int b = 0; b < 3; ++b)
            cc[i].midiData[b] = static_cast<char>(bytes[i][b]);
        list.events[i] = reinterpret_cast<VstEvent*>(&cc[i]);
    }
    EXPECT_EQ(plugin.dispatch(effProcessEvents, 0, 0, &list), 1);
    EXPECT_EQ(plugin.paramDisplay(0), "-120.0");
    EXPECT_EQ(plugin.getParameter(8), 0.9921875f);
    EXPECT_EQ(plugin.getParameter(3), 0.5f); // untouched by the note
}

TEST(TidemillCompander, NoiseReductionQuietensHissAndKeepsATone) {
    // One second of a loud 1 kHz tone over quiet white noise, then the noise alone.
    constexpr int kRate = 44100;
    std::mt19937 rng(9);
    std::normal_distribution<float> hiss(0.0f, 0.003f);
    std::vector<float> in(2 * kRate);
    for (int i = 0; i < 2 * kRate; ++i)
        in[i] = hiss(rng) +
                (i < kRate ? 0.5f * std::sin(2.0f * std::numbers::pi_v<float> * 1000.0f * i / kRate)
                           : 0.0f);
    vsthost::Plugin plugin(kPlugin);
    plugin.answers().inputConnected[1] = false;
    plugin.answers().outputConnected[1] = false; // mono
    const auto plain = plugin.render({in}, 512);
    plugin.dispatch(effSetProgram, 0, 0); // "Noise Reduction"
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.dispatch(effMainsChanged, 0, 1);
    const auto reduced = plugin.render({in}, 512);

    // Init (1:1) passes the signal; "Noise Reduction" keeps the tone and cuts the hiss.
    const std::size_t toneFrom = 8192, toneTo = kRate, hissFrom = kRate + 8192, hissTo = 2 * kRate;
    EXPECT_NEAR(rms(plain[0], toneFrom, toneTo) / rms(in, toneFrom - 1024, toneTo - 1024), 1.0,
                0.02);
    EXPECT_NEAR(rms(reduced[0], toneFrom, toneTo) / rms(plain[0], toneFrom, toneTo), 1.0, 0.05);
    EXPECT_LT(rms(reduced[0], hissFrom, hissTo), 0.1 * rms(plain[0], hissFrom, hissTo));
}

TEST(TidemillCompander, EveryProgramGivesCleanOutputAtCommonRates) {
    std::mt19937 rng(4);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (int program : {0, 1, 2, 3}) {
        for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
            for (VstInt32 block : {64, 1024}) {
                vsthost::Plugin plugin(kPlugin);
                plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
                plugin.dispatch(effSetBlockSize, 0, block);
                plugin.dispatch(effSetProgram, 0, program);
                plugin.dispatch(effMainsChanged, 0, 1);
                std::vector<std::vector<float>> in(2, std::vector<float>(16384));
                for (auto& channel : in)
                    for (std::size_t i = 0; i < channel.size(); ++i)
                        channel[i] = noise(rng) * (i < 8192 ? 1.0f : 0.001f);
                plugin.setParameter(5, 1.0f); // learn while the sound plays
                auto out = plugin.render(in, block);
                plugin.setParameter(5, 0.0f);
                const auto more = plugin.render(in, block);
                out.insert(out.end(), more.begin(), more.end());
                for (const auto& channel : out)
                    for (float x : channel)
                        ASSERT_TRUE(std::isfinite(x) && (x == 0.0f || std::fabs(x) >= FLT_MIN))
                            << "program " << program << " rate " << rate << " block " << block;
            }
        }
    }
}

// Found by the dispatcher fuzz target: from the audio thread, setParameter with the index the
// state hand-over uses for a rate change (-2) set the sample rate to any value, unchecked, and
// the output became NaN. An index outside the parameters changes nothing from any thread.
TEST(CompanderHost, AnIndexOutsideTheParametersChangesNothingFromTheAudioThread) {
    vsthost::Plugin p(MIRELOW_BUILD_DIR "/tidemill.so");
    p.dispatch(effMainsChanged, 0, 1);
    std::vector<float> in(4096), o0(4096), o1(4096);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = 0.5f * std::sin(0.01f * static_cast<float>(i));
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {o0.data(), o1.data()};
    p.processReplacing(ins, outs, 256); // this thread is now the audio thread
    const auto bank = p.getChunk(false);
    for (int index : {-2, -1, compander::kNumParams, 1 << 30})
        for (float value : {-6.7e-37f, 1e-30f, 0.5f, 1e30f})
            p.setParameter(index, value);
    p.processReplacing(ins, outs, 4096);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_TRUE(std::isfinite(o0[i]) && std::isfinite(o1[i])) << i;
    EXPECT_EQ(p.getChunk(false), bank);
}
