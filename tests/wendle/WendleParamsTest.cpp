// The wendle effect's parameter face: names, mappings, read-backs, display texts and labels.
#include "wendle/wendle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kUntouched = "untouched";

struct Texts {
    std::string name, display, label;
};

Texts textsOf(wendle& fx, int index) {
    char name[64], display[64], label[64];
    std::strcpy(name, kUntouched);
    std::strcpy(display, kUntouched);
    std::strcpy(label, kUntouched);
    fx.getParameterName(index, name);
    fx.getParameterDisplay(index, display);
    fx.getParameterLabel(index, label);
    return {name, display, label};
}

} // namespace

TEST(WendleParams, SetReadBackDisplayAndLabelFollowTheTable) {
    struct Case {
        int index;
        float set;
        float readBack;
        const char* name;
        const char* display;
        const char* label;
    };
    const Case cases[] = {
        {2, 0.75f, 0.75f, "filter depth", "1.00", ""},
        {2, 0.0f, 0.0f, "filter depth", "-2.00", ""},
        {2, 1.0f, 1.0f, "filter depth", "2.00", ""},
        {3, 1.0f, 1.0f, "tilt", "3.00", "dB"},
        {3, 0.25f, 0.25f, "tilt", "-1.50", "dB"},
        {4, 0.5f, 0.5f, "filter number", "0.50", ""},
        {4, 0.123f, 0.123f, "filter number", "0.12", ""},
        {5, 1.0f, 1.0f, "learn filter", "on", ""},
        {5, 0.5f, 0.5f, "learn filter", "off", ""},
        {6, 1.0f, 1.0f, "reset filter", kUntouched, ""},
        {7, 0.5f, 0.5f, "log scale", "on", ""},
        {7, 0.49f, 0.49f, "log scale", "off", ""},
        {8, 0.5f, 0.5f, "makeup gain", "0.0", "dB"},
        {8, 0.75f, 0.75f, "makeup gain", "30.0", "dB"},
        {8, 0.0f, 0.0f, "makeup gain", "-60.0", "dB"},
        {9, 0.5f, 0.5f, "auto gain", "On", ""},
        {9, 0.2f, 0.2f, "auto gain", "Off", ""},
        {10, 0.5f, 0.5f, "stereo link", "off", ""},
        {10, 0.51f, 0.51f, "stereo link", "on", ""},
        {11, 0.3f, 0.3f, "midi lfo tempo", "0.30", ""},
        {12, 0.0f, 0.0f, "lfo divide", "1", ""},
        {12, 0.95f, 0.9f, "lfo divide", "10", ""},
        {12, 1.0f, 1.0f, "lfo divide", "11", ""},
        {12, 0.5f, 0.5f, "lfo divide", "6", ""},
        {13, 0.5f, 0.5f, "filter lfo", "5.00", " Hz"},
        {13, 1.0f, 1.0f, "filter lfo", "10.00", " Hz"},
    };
    for (const Case& c : cases) {
        wendle fx(nullptr);
        fx.setParameter(c.index, c.set);
        EXPECT_NEAR(fx.getParameter(c.index), c.readBack, 2e-6f) << c.index << " set " << c.set;
        const Texts t = textsOf(fx, c.index);
        EXPECT_EQ(t.name, c.name) << c.index;
        EXPECT_EQ(t.display, c.display) << c.index << " set " << c.set;
        EXPECT_EQ(t.label, c.label) << c.index;
    }
}

TEST(WendleParams, ValuesReachTheEffectInItsOwnUnits) {
    wendle fx(nullptr);
    fx.setParameter(8, 0.75f);
    EXPECT_NEAR(fx.autoGainFactor, std::pow(10.0f, 1.5f), 1e-3f);
    fx.setParameter(9, 0.5f);
    EXPECT_EQ(fx.autoGain, 1);
    fx.setParameter(7, 0.0f);
    EXPECT_EQ(fx.logScale, 0);
    fx.setParameter(4, 0.5f); // exactly 0.5 selects filter one
    EXPECT_EQ(fx.getSelectedFilter(), 1);
    fx.setParameter(4, 0.4999f);
    EXPECT_EQ(fx.getSelectedFilter(), 0);
}

TEST(WendleParams, InertAndOutOfRangeIndicesChangeAndWriteNothing) {
    wendle fx(nullptr);
    void* before = nullptr;
    const int size = fx.getChunk(&before, false);
    const std::string bank(static_cast<char*>(before), static_cast<std::size_t>(size));
    for (int index : {0, 1, -1, 14, 1000, -1000}) {
        fx.setParameter(index, 0.9f);
        EXPECT_EQ(fx.getParameter(index), 0.0f) << index;
        const Texts t = textsOf(fx, index);
        EXPECT_EQ(t.name, kUntouched) << index;
        EXPECT_EQ(t.display, kUntouched) << index;
        EXPECT_EQ(t.label, kUntouched) << index;
    }
    void* after = nullptr;
    ASSERT_EQ(fx.getChunk(&after, false), size);
    EXPECT_EQ(std::memcmp(after, bank.data(), bank.size()), 0);
}

TEST(WendleParams, NonFiniteValuesAreIgnoredAndOthersTakenAsGiven) {
    wendle fx(nullptr);
    fx.setParameter(2, std::nanf(""));
    fx.setParameter(2, INFINITY);
    EXPECT_EQ(fx.getParameter(2), 0.75f);
    fx.setParameter(2, 1.25f); // depth 3
    EXPECT_EQ(fx.getParameter(2), 1.25f);
    fx.setParameter(13, 7.0f); // 70 Hz
    EXPECT_EQ(fx.getParameter(13), 7.0f);
    fx.setParameter(8, 1.5f); // +120 dB
    EXPECT_NEAR(fx.getParameter(8), 1.5f, 1e-5f);
    for (float v : {-0.5f, -0.1f, -1e30f}) {
        fx.setParameter(12, v);
        EXPECT_EQ(fx.getParameter(12), 0.0f) << v; // divisor 1, never 0 or less
    }
    fx.setParameter(12, 40.0f);
    EXPECT_EQ(fx.getParameter(12), 1.0f); // divisor 11
}

// Values far outside 0 … 1 are no reason for an infinite or undefined output sample.
TEST(WendleParams, ExtremeValuesKeepTheOutputFinite) {
    struct Case {
        int index;
        float value;
    };
    const Case cases[] = {{3, 100.0f}, {3, -100.0f}, {8, 100.0f}, {8, -100.0f}, {2, 1e6f},
                          {4, -50.0f}, {13, 1e30f},  {12, -3.0f}, {3, 3e38f},   {8, 3e38f},
                          {2, 3e38f},  {4, 3e38f},   {13, 3e38f}};
    std::vector<float> in(256), out0(256), out1(256);
    for (const Case& c : cases) {
        wendle fx(nullptr);
        fx.channelMode = 1;
        fx.setParameter(c.index, c.value);
        float* ins[2] = {in.data(), in.data()};
        float* outs[2] = {out0.data(), out1.data()};
        for (int hop = 0; hop < 12; ++hop) {
            for (int i = 0; i < 256; ++i)
                in[static_cast<std::size_t>(i)] =
                    0.5f * std::sin(0.1f * static_cast<float>(i + 256 * hop));
            fx.processReplacing(ins, outs, 256);
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE(std::isfinite(out0[i]) && std::isfinite(out1[i]))
                    << c.index << " = " << c.value << ", hop " << hop;
        }
    }
}
