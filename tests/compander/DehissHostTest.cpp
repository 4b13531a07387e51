// What a host sees of the compander: parameter texts, programs, names, chunks and MIDI
// controllers, and an audio path that never touches the heap.
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "support/AllocCounter.h"

#include "CompanderFixture.h"

#include "compander/CompanderProgram.h"
#include "engine/ByteOrder.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

using namespace comptest;
using compander::Param;

namespace {
std::string text(dehiss& fx, void (dehiss::*get)(VstInt32, char*), int index) {
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    buf[63] = 0;
    (fx.*get)(index, buf);
    return buf;
}
std::string display(dehiss& fx, int index) {
    return text(fx, &dehiss::getParameterDisplay, index);
}

std::string programName(dehiss& fx) {
    char buf[64] = {};
    fx.getProgramName(buf);
    return buf;
}

std::vector<unsigned char> chunk(dehiss& fx, bool isPreset) {
    void* data = nullptr;
    const VstInt32 size = fx.getChunk(&data, isPreset);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, bytes + size};
}

VstInt32 putChunk(dehiss& fx, std::vector<unsigned char> bytes, bool isPreset) {
    return fx.setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), isPreset);
}

// Records every parameter change that reaches the editor hook.
class RecordingDehiss : public dehiss {
  public:
    RecordingDehiss() : dehiss(nullptr) {}
    std::vector<std::pair<int, float>> changes;

  protected:
    void editorParameterChanged(VstInt32 index, float value) override {
        changes.emplace_back(index, value);
    }
};

// A list of events as a host builds it (the record declares two, hosts pass any number).
struct EventList {
    VstInt32 numEvents = 0;
    VstIntPtr reserved = 0;
    VstEvent* events[16] = {};
    VstEvents* get() { return reinterpret_cast<VstEvents*>(this); }
};

VstMidiEvent midi(int status, int data1, int data2, VstInt32 type = kVstMidiType) {
    VstMidiEvent e{};
    e.type = type;
    e.byteSize = sizeof e;
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    return e;
}
} // namespace

TEST_F(CompanderTest, UnknownParametersLeaveTheBufferAlone) {
    const std::string untouched(63, '#');
    for (int i : {-1, 12, 100}) {
        EXPECT_EQ(text(*fx, &dehiss::getParameterName, i), untouched);
        EXPECT_EQ(text(*fx, &dehiss::getParameterLabel, i), untouched);
        EXPECT_EQ(display(*fx, i), untouched);
        EXPECT_EQ(fx->getParameter(i), 0.0f);
    }
}

TEST_F(CompanderTest, ParameterDisplays) {
    struct Case {
        int index;
        float value;
        const char* shown;
    };
    const Case cases[] = {
        {Param::kThreshold, 0.5f, "-60.0"},
        {Param::kThreshold, 0.0f, "-120.0"},
        {Param::kThreshold, 0.75f, "-30.0"},
        {Param::kAttack, 0.5f, "0.50"},
        {Param::kAttack, 0.0f, "0.00"},
        {Param::kRelease, 0.2f, "0.20"},
        {Param::kRatio, 0.5f, "1 : 1.00"},
        {Param::kRatio, 0.25f, "3.00 : 1"},
        {Param::kRatio, 0.75f, "1 : 3.00"},
        {Param::kRatio, 0.0f, "5.00 : 1"},
        {Param::kRatio, 1.0f, "1 : 5.00"},
        {Param::kRatio, 0.65f, "1 : 2.20"},
        {Param::kRatio, 0.35f, "2.20 : 1"},
        {Param::kLearnPeak, 1.0f, "1.000000"},
        {Param::kLearnAverage, 0.5f, "0.500000"},
        {Param::kReset, 0.0f, "0.000000"},
        {Param::kInvert, 0.7f, "0.699999"},
        {Param::kGain, 0.5f, "0.0"},
        {Param::kGain, 0.75f, "12.0"},
        {Param::kGain, 0.0f, "-24.0"},
        {Param::kLogScale, 0.5f, "on"},
        {Param::kLogScale, 0.49f, "off"},
        {Param::kStereoLink, 0.5f, "off"},
        {Param::kStereoLink, 0.51f, "on"},
        {Param::kTilt, 0.5f, "0.00"},
        {Param::kTilt, 1.0f, "6.00"},
        {Param::kTilt, 0.0f, "-6.00"},
    };
    for (const Case& c : cases) {
        fx->setParameter(c.index, c.value);
        EXPECT_EQ(fx->getParameter(c.index), c.value);
        EXPECT_EQ(display(*fx, c.index), c.shown) << c.index << " " << c.value;
    }
}

TEST_F(CompanderTest, StartsOnProgramFourNamedInit) {
    EXPECT_EQ(fx->getProgram(), 3);
    EXPECT_EQ(programName(*fx), "Init 4");
    EXPECT_EQ(fx->readyLevel, 2);
    const char* names[] = {"Noise Reduction", "Spectral Flatten", "Spectral Reshape", "Init 4",
                           "Init 5",          "Init 6",           "Init 7",           "Init 8"};
    for (int p = 0; p < 8; ++p) {
        fx->setProgram(p);
        EXPECT_EQ(programName(*fx), names[p]);
    }
}

TEST(CompanderPrograms, SelectingAppliesValuesInOrderThenDropsMomentaryOnes) {
    RecordingDehiss fx;
    fx.setParameter(Param::kLearnAverage, 1.0f);
    fx.setParameter(Param::kReset, 1.0f);
    fx.changes.clear();
    fx.setProgram(0);
    const std::vector<std::pair<int, float>> expected = {
        {0, 0.75f}, {1, 0.0f}, {2, 0.2f},  {3, 0.65f}, {11, 0.5f}, {9, 1.0f},
        {7, 0.0f},  {8, 0.5f}, {10, 0.0f}, {6, 0.0f},  {5, 0.0f},  {4, 0.0f}};
    EXPECT_EQ(fx.changes, expected);
    for (int i : {4, 5, 6})
        EXPECT_EQ(fx.getParameter(i), 0.0f);
    EXPECT_EQ(fx.learning.load(), 0);
    char buf[32];
    fx.getParameterDisplay(Param::kThreshold, buf);
    EXPECT_STREQ(buf, "-30.0");
    fx.getParameterDisplay(Param::kRatio, buf);
    EXPECT_STREQ(buf, "1 : 2.20");
    fx.getParameterDisplay(Param::kLogScale, buf);
    EXPECT_STREQ(buf, "on");

    // Out of range: ignored, nothing reaches the editor.
    fx.changes.clear();
    for (int p : {-1, 8, 1000})
        fx.setProgram(p);
    EXPECT_EQ(fx.getProgram(), 0);
    EXPECT_TRUE(fx.changes.empty());

    // Changes above index 11 still reach the editor, and change nothing else.
    fx.setParameter(12, 0.25f);
    EXPECT_EQ(fx.changes.back(), (std::pair<int, float>{12, 0.25f}));
}

TEST_F(CompanderTest, ParametersWriteTheLiveProgram) {
    fx->setProgram(5);
    fx->setParameter(Param::kThreshold, 0.125f);
    fx->setParameter(Param::kLearnAverage, 1.0f); // not stored
    EXPECT_EQ(fx->program(5).values[compander::kSlotThreshold], 0.125f);
    fx->setProgram(6);
    fx->setProgram(5);
    EXPECT_EQ(fx->getParameter(Param::kThreshold), 0.125f);
    EXPECT_EQ(fx->getParameter(Param::kLearnAverage), 0.0f);
}

TEST_F(CompanderTest, ProgramNamesAreCutAndZeroFilled) {
    char longName[] = "A name much longer than twenty-three characters";
    fx->setProgramName(longName);
    EXPECT_EQ(programName(*fx), std::string(longName, 23));
    const char* field = fx->program(3).name;
    EXPECT_EQ(field[23], 0);
    char shortName[] = "Hiss";
    fx->setProgramName(shortName);
    for (int i = 4; i < 24; ++i)
        EXPECT_EQ(field[i], 0) << i; // no trace of the longer name
    char init[] = "Init";
    fx->setProgramName(init);
    EXPECT_EQ(programName(*fx), "Init 4");
    fx->setProgramName(nullptr);
    EXPECT_EQ(programName(*fx), "Init 4");
}

TEST_F(CompanderTest, BankChunkRoundTripRestoresAllProgramsBitForBit) {
    // Make every program different: names, values, learned shapes.
    for (int p = 0; p < 8; ++p) {
        fx->setProgram(p);
        std::string name = "Program " + std::to_string(p);
        fx->setProgramName(name.data());
        fx->setParameter(Param::kTilt, 0.1f * p);
        fx->setParameter(Param::kLearnAverage, 1.0f);
        setInput(0, [p](int k) { return 1e-6f * static_cast<float>(1 + (k * (p + 1)) % 17); });
        frames(41);
        fx->setParameter(Param::kLearnAverage, 0.0f);
    }
    fx->setProgram(6);
    const auto bank = chunk(*fx, false);
    ASSERT_EQ(bank.size(), 33416u);

    dehiss other(nullptr);
    EXPECT_EQ(putChunk(other, bank, false), 33416);
    EXPECT_EQ(other.getProgram(), 6); // the program the bank was saved on
    EXPECT_EQ(chunk(other, false), bank);
    for (int p = 0; p < 8; ++p)
        EXPECT_EQ(std::memcmp(&other.program(p), &fx->program(p), sizeof(fx->program(p))), 0);
    EXPECT_EQ(programName(other), "Program 6");
}

TEST_F(CompanderTest, ChunksAreBigEndianRecords) {
    const auto bank = chunk(*fx, false);
    const auto at = [&](std::size_t offset) {
        return std::vector<unsigned char>(bank.begin() + offset, bank.begin() + offset + 4);
    };
    using Bytes = std::vector<unsigned char>;
    EXPECT_EQ(at(0), (Bytes{0, 0, 0, 0}));           // program 0 attack 0
    EXPECT_EQ(at(8 * 4), (Bytes{0x3f, 0x40, 0, 0})); // threshold 0.75
    EXPECT_EQ(at(5 * 4), (Bytes{0x3f, 0x80, 0, 0})); // reserved float 5 = 1
    EXPECT_EQ(at(48), (Bytes{0x3f, 0x80, 0, 0}));    // shape 1, bin 0
    EXPECT_EQ(at(3 * 4176), (Bytes{0x3f, 0, 0, 0})); // program 3 attack 0.5
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[4152])), "Noise Reduction");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[4176 + 4152])), "Spectral Flatten");
    for (int i = 4152 + 15; i < 4176; ++i)
        EXPECT_EQ(bank[i], 0) << i;
    EXPECT_EQ(chunk(*fx, true).size(), 4176u);
}

TEST_F(CompanderTest, BadChunksChangeNothing) {
    fx->setProgram(2);
    const auto bank = chunk(*fx, false);
    const auto preset = chunk(*fx, true);
    auto withFloat = [](std::vector<unsigned char> bytes, std::size_t offset, float value) {
        storeBigEndianFloat(value, &bytes[offset]);
        return bytes;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        bool isPreset;
    };
    const Case cases[] = {
        {"short bank", {bank.begin(), bank.begin() + 33407}, false},
        {"bank with a cut trailer", {bank.begin(), bank.end() - 1}, false},
        {"program-sized bank", preset, false},
        {"short program", {preset.begin(), preset.end() - 1}, true},
        {"empty", {}, true},
        {"NaN value", withFloat(preset, 8 * 4, nan), true},
        {"infinite shape", withFloat(preset, 48 + 4 * 100, inf), true},
        {"-inf last shape bin", withFloat(preset, 4148, -inf), true},
        {"NaN in the last program of a bank", withFloat(bank, 7 * 4176 + 4148, nan), false},
        {"inf in a bank value", withFloat(bank, 3 * 4176, inf), false},
    };
    for (const Case& c : cases) {
        fx->setParameter(Param::kTilt, 0.25f);
        EXPECT_EQ(putChunk(*fx, c.bytes, c.isPreset), 0) << c.what;
        EXPECT_EQ(fx->getProgram(), 2) << c.what;
        EXPECT_EQ(fx->getParameter(Param::kTilt), 0.25f) << c.what; // not re-applied
        fx->setParameter(Param::kTilt, 0.5f);
        EXPECT_EQ(chunk(*fx, false), bank) << c.what;
    }
    EXPECT_EQ(fx->setChunk(nullptr, 33408, false), 0);
    EXPECT_EQ(fx->setChunk(nullptr, 4176, true), 0);
    EXPECT_EQ(fx->setChunk(const_cast<unsigned char*>(bank.data()), -5, false), 0);
    EXPECT_EQ(fx->getChunk(nullptr, false), 0);
}

TEST_F(CompanderTest, BankTrailerNamingNoProgramKeepsTheCurrentOne) {
    fx->setProgram(1);
    const auto bank = chunk(*fx, false);
    auto withWord = [&](std::size_t at, std::uint32_t word) {
        auto bytes = bank;
        storeBigEndian32(word, &bytes[at]);
        return bytes;
    };
    auto longer = std::vector<unsigned char>(bank.begin(), bank.begin() + 33408);
    longer.insert(longer.end(), {'x', 'y', 'z', 'w', 0, 0, 0, 1, 9}); // another layout's extra
    const struct {
        const char* what;
        std::vector<unsigned char> bytes;
        VstInt32 answer;
    } cases[] = {
        {"program 8", withWord(33412, 8), 33416},
        {"program -1", withWord(33412, 0xffffffffu), 33416},
        {"program 2^31", withWord(33412, 0x80000000u), 33416},
        {"no tag", longer, 33408},
    };
    for (const auto& c : cases) {
        fx->setProgram(4);
        EXPECT_EQ(putChunk(*fx, c.bytes, false), c.answer) << c.what;
        EXPECT_EQ(fx->getProgram(), 4) << c.what;
    }
    fx->setProgram(4);
    EXPECT_EQ(putChunk(*fx, bank, false), 33416);
    EXPECT_EQ(fx->getProgram(), 1);
}

TEST_F(CompanderTest, NonFiniteParameterValuesAreIgnored) {
    const auto before = chunk(*fx, false);
    for (int i = 0; i < 12; ++i)
        for (float v :
             {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
            fx->setParameter(i, v);
            EXPECT_TRUE(std::isfinite(fx->getParameter(i))) << i;
        }
    const auto after = chunk(*fx, false);
    EXPECT_EQ(after, before);
    EXPECT_EQ(putChunk(*fx, after, false), 33416); // what the plug-in writes it can read
}

TEST_F(CompanderTest, ForeignNamesAreTerminated) {
    auto preset = chunk(*fx, true);
    std::memset(&preset[4152], 'x', 24); // no terminating NUL
    ASSERT_EQ(putChunk(*fx, preset, true), 4176);
    EXPECT_EQ(programName(*fx), std::string(23, 'x'));

    // Bytes after a stored name's end are not carried: the chunk written back holds zeros there,
    // as it would for the same name set by the host.
    std::memcpy(&preset[4152], "Hiss\0leftover", 14);
    ASSERT_EQ(putChunk(*fx, preset, true), 4176);
    const auto written = chunk(*fx, true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&written[4152])), "Hiss");
    for (int i = 4152 + 4; i < 4176; ++i)
        EXPECT_EQ(written[i], 0) << i;
}

TEST_F(CompanderTest, RestoringStateIgnoresALearnPassInProgress) {
    fx->setProgram(5);
    const auto saved = chunk(*fx, false);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    setInput(0, [](int k) { return 1e-6f * static_cast<float>(1 + k % 9); });
    frames(41); // a pass waiting to be finished
    EXPECT_EQ(putChunk(*fx, saved, false), 33416);
    EXPECT_EQ(chunk(*fx, false), saved);
    fx->setProgram(5);
    const auto preset = chunk(*fx, true);
    fx->setParameter(Param::kLearnAverage, 1.0f);
    frames(10); // a pass running
    EXPECT_EQ(putChunk(*fx, preset, true), 4176);
    EXPECT_EQ(chunk(*fx, true), preset);
}

TEST_F(CompanderTest, MidiControllersMoveTheirParameters) {
    struct Case {
        int status, controller, value, param;
        float expected;
    };
    const Case cases[] = {
        {0xb0, 7, 64, Param::kGain, 0.5f},         {0xbf, 72, 127, Param::kRelease, 0.9921875f},
        {0xb3, 73, 1, Param::kAttack, 1.0f / 128}, {0xb0, 75, 0, Param::kThreshold, 0.0f},
        {0xb0, 76, 32, Param::kRatio, 0.25f},      {0xb9, 77, 96, Param::kTilt, 0.75f},
    };
    for (const Case& c : cases) {
        VstMidiEvent e = midi(c.status, c.controller, c.value);
        EventList list;
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&e);
        EXPECT_EQ(fx->processEvents(list.get()), 1);
        EXPECT_EQ(fx->getParameter(c.param), c.expected) << c.controller;
    }
    EXPECT_EQ(display(*fx, Param::kThreshold), "-120.0");
    fx->setParameter(Param::kGain, 0.2f);
    VstMidiEvent gain64 = midi(0xb0, 7, 64);
    EventList one;
    one.numEvents = 1;
    one.events[0] = reinterpret_cast<VstEvent*>(&gain64);
    fx->processEvents(one.get());
    EXPECT_EQ(fx->autoGainFactor, 1.0f); // 0 dB makeup
}

TEST_F(CompanderTest, MidiIgnoresWhatIsNotAMappedControlChange) {
    std::vector<float> before;
    for (int i = 0; i < 12; ++i)
        before.push_back(fx->getParameter(i));
    auto unchanged = [&] {
        for (int i = 0; i < 12; ++i)
            if (fx->getParameter(i) != before[i])
                return false;
        return true;
    };
    VstMidiEvent noteOn = midi(0x90, 75, 100);
    VstMidiEvent unmapped = midi(0xb0, 74, 100);
    VstMidiEvent sysex = midi(0xb0, 75, 100, kVstSysExType);
    EventList list;
    list.numEvents = 4;
    list.events[0] = reinterpret_cast<VstEvent*>(&noteOn);
    list.events[1] = nullptr;
    list.events[2] = reinterpret_cast<VstEvent*>(&unmapped);
    list.events[3] = reinterpret_cast<VstEvent*>(&sysex);
    EXPECT_EQ(fx->processEvents(list.get()), 1);
    EXPECT_TRUE(unchanged());
    EXPECT_EQ(fx->processEvents(nullptr), 1);
    list.numEvents = -3;
    EXPECT_EQ(fx->processEvents(list.get()), 1);
    EXPECT_TRUE(unchanged());

    // A null event does not stop the ones after it.
    VstMidiEvent threshold = midi(0xb0, 75, 64);
    list.numEvents = 2;
    list.events[0] = nullptr;
    list.events[1] = reinterpret_cast<VstEvent*>(&threshold);
    fx->processEvents(list.get());
    EXPECT_EQ(fx->getParameter(Param::kThreshold), 0.5f);
}

TEST_F(CompanderTest, AudioPathNeverTouchesTheHeap) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    fx->setProgram(0);
    std::vector<float> in1(4096), in2(4096), out1(4096), out2(4096);
    for (int i = 0; i < 4096; ++i) {
        in1[i] = 0.3f * std::sin(0.05f * i);
        in2[i] = 0.01f * std::sin(0.7f * i);
    }
    float* ins[2] = {in1.data(), in2.data()};
    float* outs[2] = {out1.data(), out2.data()};
    VstMidiEvent cc[6] = {midi(0xb0, 7, 70),  midi(0xb0, 72, 10), midi(0xb0, 73, 5),
                          midi(0xb0, 75, 90), midi(0xb0, 76, 40), midi(0xb0, 77, 80)};
    EventList list;
    list.numEvents = 6;
    for (int i = 0; i < 6; ++i)
        list.events[i] = reinterpret_cast<VstEvent*>(&cc[i]);

    alloccounter::Scope scope;
    for (int block = 0; block < 8; ++block) {
        fx->processEvents(list.get());
        fx->setParameter(Param::kLearnAverage, block == 2 ? 1.0f : 0.0f);
        fx->processReplacing(ins, outs, 4096);
        fx->process(ins, outs, 333);
    }
    EXPECT_EQ(scope.counts().total(), 0);
}

// Whatever finite value a host sets a parameter to (values are stored unclamped), the output
// stays finite.
TEST_F(CompanderTest, OutputStaysFiniteForAnyFiniteParameterValue) {
    constexpr int kFrames = 4096;
    std::vector<float> a(kFrames), b(kFrames), o0(kFrames), o1(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        a[i] = 0.5f * std::sin(0.01f * i);
        b[i] = 0.4f * std::cos(0.013f * i);
    }
    float* ins[2] = {a.data(), b.data()};
    float* outs[2] = {o0.data(), o1.data()};
    for (float v : {1e30f, -1e30f, 1e6f, -1e6f, 3.f, -2.f, std::numeric_limits<float>::max()})
        for (int index = 0; index < compander::kNumParams; ++index) {
            auto effect = std::make_unique<dehiss>(nullptr);
            effect->setParameter(index, v);
            EXPECT_EQ(effect->getParameter(index), v);
            effect->resume();
            for (int block = 0; block < 4; ++block) {
                effect->processReplacing(ins, outs, kFrames);
                for (int i = 0; i < kFrames; ++i)
                    ASSERT_TRUE(std::isfinite(o0[i]) && std::isfinite(o1[i]))
                        << "parameter " << index << " = " << v;
            }
        }
}
