// Parameter value types: the texts people type in display units land on the values they name, and
// every row of both effects' tables reads its own display text back.
#include "vst/ParamType.h"
#include "compander/CompanderProgram.h"
#include "wendle/WendleParams.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string shown(const param::ValueType& type, float v) {
    char text[param::kTextBytes] = {};
    param::display(type, v, text);
    return text;
}

float parsed(const param::ValueType& type, const char* text) {
    float v = -1.0f;
    EXPECT_TRUE(param::parse(type, text, v)) << text;
    return v;
}

// Every display text a row writes parses back to a value that shows the same text.
template <class Rows> void displaysReadBack(const Rows& rows) {
    for (const auto& row : rows) {
        if (row.type == nullptr || row.type->format == nullptr || row.type->parseUnits == nullptr)
            continue;
        // The base's float formatter truncates (0.7 shows as "0.699999"), so its text names a
        // value a hair below the one shown; the rows that use it are buttons, typed as 0 or 1.
        if (std::string(row.type->kind) == "value")
            continue;
        for (int i = 0; i <= 40; ++i) {
            const float v = static_cast<float>(i) / 40.0f;
            const std::string text = shown(*row.type, v);
            float back = -1.0f;
            ASSERT_TRUE(param::parse(*row.type, text.c_str(), back)) << row.name << " " << text;
            EXPECT_EQ(shown(*row.type, back), text) << row.name << " at " << v;
        }
    }
}

} // namespace

TEST(ParamType, DisplayTextsOfBothEffectsParseBackToThemselves) {
    displaysReadBack(compander::kParams);
    displaysReadBack(wendlefx::kParams);
}

TEST(ParamType, TextInDisplayUnitsNamesTheValue) {
    using namespace compander;
    const auto& threshold = *kParams[kThreshold].type;
    EXPECT_FLOAT_EQ(parsed(threshold, "-40dB"), 1.0f - 40.0f / 120.0f);
    EXPECT_FLOAT_EQ(parsed(threshold, " -120 db "), 0.0f);
    EXPECT_FLOAT_EQ(parsed(threshold, "0"), 1.0f);
    const auto& attack = *kParams[kAttack].type;
    EXPECT_FLOAT_EQ(parsed(attack, "20ms"), 0.02f);
    EXPECT_FLOAT_EQ(parsed(attack, "0.5 s"), 0.5f);
    const auto& ratio = *kParams[kRatio].type;
    EXPECT_FLOAT_EQ(ratioFromValue(parsed(ratio, "1:3")), 3.0f);
    EXPECT_FLOAT_EQ(ratioFromValue(parsed(ratio, "2 : 1")), 0.5f);
    EXPECT_FLOAT_EQ(parsed(ratio, "1:1"), 0.5f);
    EXPECT_EQ(shown(*kParams[kStereoLink].type, parsed(*kParams[kStereoLink].type, "ON")), "on");
    EXPECT_EQ(shown(*kParams[kLogScale].type, parsed(*kParams[kLogScale].type, "off")), "off");

    using namespace wendlefx;
    EXPECT_EQ(lfoDivisorFromNormalised(parsed(*wendlefx::kParams[kParamLfoDivide].type, "4")), 4);
    EXPECT_FLOAT_EQ(parsed(*wendlefx::kParams[kParamLfoRate].type, "2.5 Hz"), 0.25f);
    EXPECT_FLOAT_EQ(parsed(*wendlefx::kParams[kParamMakeupGain].type, "+30dB"), 0.75f);
}

TEST(ParamType, TextOutsideTheRangeOrUnreadableChangesNothing) {
    const auto& threshold = *compander::kParams[compander::kThreshold].type;
    const auto& ratio = *compander::kParams[compander::kRatio].type;
    const auto& link = *compander::kParams[compander::kStereoLink].type;
    const auto& divisor = *wendlefx::kParams[wendlefx::kParamLfoDivide].type;
    float v = 0.25f;
    for (const char* bad : {"", "dB", "-40 dBx", "5dB", "-121dB", "nan", "inf"})
        EXPECT_FALSE(param::parse(threshold, bad, v)) << bad;
    for (const char* bad : {"1:6", "6:1", "0:1", "1:", "x"})
        EXPECT_FALSE(param::parse(ratio, bad, v)) << bad;
    for (const char* bad : {"maybe", "onn", "2"})
        EXPECT_FALSE(param::parse(link, bad, v)) << bad;
    EXPECT_FALSE(param::parse(divisor, "12", v));
    EXPECT_FALSE(param::parse(threshold, nullptr, v));
    EXPECT_EQ(v, 0.25f);

    // The ranges say where the normalised ends land, in the display's unit.
    EXPECT_EQ(threshold.range.min, -120.0f);
    EXPECT_EQ(threshold.range.max, 0.0f);
    EXPECT_STREQ(threshold.range.unit, "dB");
    EXPECT_EQ(divisor.range.min, 1.0f);
    EXPECT_EQ(divisor.range.max, 11.0f);
}
