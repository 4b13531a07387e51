// The 32-bit control value encoding and the four control kinds.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "PlugInLibrary/PlugInLibrary.h"

using namespace pil;

TEST(ControlValue, EndpointsAreTheExtremesOfTheWord) {
    EXPECT_EQ(ContinuousToControlValue(0.0), INT32_MIN);
    EXPECT_EQ(ContinuousToControlValue(1.0), INT32_MAX);
    EXPECT_EQ(ControlValueToContinuous(INT32_MIN), 0.0);
    EXPECT_EQ(ControlValueToContinuous(INT32_MAX), 1.0);
    // Out of range and NaN clamp instead of wrapping.
    EXPECT_EQ(ContinuousToControlValue(-3.0), INT32_MIN);
    EXPECT_EQ(ContinuousToControlValue(7.0), INT32_MAX);
    EXPECT_EQ(ContinuousToControlValue(std::nan("")), INT32_MIN);
    EXPECT_EQ(LinearToControlValue(-60.0, -60.0, 60.0), INT32_MIN);
    EXPECT_EQ(LinearToControlValue(60.0, -60.0, 60.0), INT32_MAX);
}

TEST(ControlValue, EveryWordSurvivesARoundTripThroughNormalised) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 200000; ++i) {
        const int32_t c = any(rng);
        ASSERT_EQ(ContinuousToControlValue(ControlValueToContinuous(c)), c);
    }
}

TEST(ControlValue, LinearValuesRoundTripWithinOneCount) {
    struct Range {
        double lo, hi;
    };
    for (const Range r : {Range{-2, 2}, Range{-6, 6}, Range{0, 1}, Range{-60, 60}, Range{0, 10}}) {
        for (int i = 0; i <= 1000; ++i) {
            const double x = r.lo + (r.hi - r.lo) * i / 1000.0;
            const double back =
                ControlValueToLinear(LinearToControlValue(x, r.lo, r.hi), r.lo, r.hi);
            ASSERT_NEAR(back, x, (r.hi - r.lo) / 4294967295.0) << r.lo << " ... " << r.hi;
        }
    }
}

// A receiver that rounds the normalised value to float and truncates x (steps - 1), in float or
// in double arithmetic, must land on the step that was chosen.
TEST(ControlValue, DiscreteStepsArriveAsTheStepChosen) {
    for (int32_t numSteps = 2; numSteps <= 64; ++numSteps) {
        for (int32_t step = 0; step < numSteps; ++step) {
            const int32_t c = DiscreteStepToControlValue(step, numSteps);
            const float p = static_cast<float>(ControlValueToContinuous(c));
            const float scale = static_cast<float>(numSteps - 1);
            EXPECT_EQ(static_cast<int32_t>(std::trunc(p * scale)), step) << numSteps;
            EXPECT_EQ(static_cast<int32_t>(std::trunc(static_cast<double>(p) * (numSteps - 1))),
                      step)
                << numSteps;
            EXPECT_EQ(1 - static_cast<int32_t>(std::trunc(-scale * p)), step + 1) << numSteps;
            EXPECT_EQ(ControlValueToDiscreteStep(c, numSteps), step);
        }
    }
    EXPECT_EQ(DiscreteStepToControlValue(0, 11), INT32_MIN);
    EXPECT_EQ(DiscreteStepToControlValue(10, 11), INT32_MAX);
}

TEST(Controls, DiscreteValuesSnapToTheNearestStep) {
    CPluginControl_Discrete divisor(fourCharCode("knb5"), "lfo divisor\nldv", 1, 11, 3);
    EXPECT_EQ(divisor.GetNumSteps(), 11);
    EXPECT_EQ(divisor.ControlValueToUnits(divisor.GetValue()), 3.0);
    struct Case {
        double normalised;
        double units;
    };
    for (const Case c : {Case{0.0, 1}, Case{0.04, 1}, Case{0.06, 2}, Case{0.51, 6}, Case{0.96, 11},
                         Case{1.0, 11}}) {
        divisor.SetValue(ContinuousToControlValue(c.normalised));
        EXPECT_EQ(divisor.ControlValueToUnits(divisor.GetValue()), c.units) << c.normalised;
        EXPECT_EQ(divisor.GetValue(),
                  DiscreteStepToControlValue(static_cast<int32_t>(c.units) - 1, 11));
    }
}

TEST(Controls, ValueTextsAndDefaults) {
    CPluginControl_OnOff bypass(fourCharCode("bypa"), "Master Bypass\nBypass", false);
    CPluginControl_Linear depth(fourCharCode("knb1"), "depth\ndep", -2.0, 2.0, 0.01, 0.0);
    CPluginControl_LinearGain gain(fourCharCode("knb4"), "makeup gain\ngan", -60, 60, 0.1, 0);
    CPluginControl_Linear speed(fourCharCode("knb6"), "lfo speed\nspd", 0, 10, 0.1, 0);
    CPluginControl_Discrete divisor(fourCharCode("knb5"), "lfo divisor\nldv", 1, 11, 3);
    struct Case {
        const CPluginControl* control;
        double units;
        const char* text;
    };
    const Case cases[] = {
        {&bypass, 0, "off"},     {&bypass, 1, "on"},    {&depth, 0.0, "0.00"},
        {&depth, -1.5, "-1.50"}, {&depth, 2.0, "2.00"}, {&gain, -12.0, "-12.0 dB"},
        {&gain, 0.0, "0.0 dB"},  {&speed, 2.5, "2.5"},  {&divisor, 7, "7"},
        {&divisor, 40, "11"},    {&divisor, -5, "1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.control->GetValueString(c.control->UnitsToControlValue(c.units)), c.text)
            << c.control->GetNames() << " " << c.units;

    PIControlInfo info{};
    depth.FillInfo(info);
    EXPECT_EQ(info.defaultValue, 0.0);
    EXPECT_EQ(info.kind, kPIControl_Linear);
    EXPECT_STREQ(info.names, "depth\ndep");
    bypass.FillInfo(info);
    EXPECT_EQ(info.defaultControlValue, INT32_MIN);
    EXPECT_EQ(info.numSteps, 2);
    // On/off values snap to the two extremes.
    bypass.SetValue(5);
    EXPECT_EQ(bypass.GetValue(), INT32_MAX);
    bypass.SetValue(-5);
    EXPECT_EQ(bypass.GetValue(), INT32_MIN);
}
