// The 32-bit control value encoding: a control's minimum is -2^31, its maximum 2^31 - 1 and the
// values between are spread evenly. These conversions are the only place that knows it.
#pragma once

#include <cstdint>

namespace pil {

constexpr double kControlValueOffset = 2147483648.0; // 2^31
constexpr double kControlValueSpan = 4294967295.0;   // 2^32 - 1
constexpr int32_t kControlMinimum = INT32_MIN;
constexpr int32_t kControlMaximum = INT32_MAX;

// Normalised 0 ... 1 (clamped; NaN counts as 0) to a control value, rounded to the nearest.
int32_t ContinuousToControlValue(double normalised);
// Control value to normalised 0 ... 1: (c + 2^31) / (2^32 - 1).
double ControlValueToContinuous(int32_t value);

// A value x on [minimum, maximum] (clamped) and back.
int32_t LinearToControlValue(double x, double minimum, double maximum);
double ControlValueToLinear(int32_t value, double minimum, double maximum);

// Steps 0 ... numSteps - 1 of a discrete control. Inner steps sit a millionth of the range above
// their even position, so that step / (numSteps - 1) survives a round to float and a truncation
// of normalised x (numSteps - 1) on the receiving side. Any value maps back to its nearest step.
int32_t DiscreteStepToControlValue(int32_t step, int32_t numSteps);
int32_t ControlValueToDiscreteStep(int32_t value, int32_t numSteps);

// On/off: off is the minimum, on the maximum; any value at or above 0 reads as on.
constexpr int32_t OnOffToControlValue(bool on) {
    return on ? kControlMaximum : kControlMinimum;
}
constexpr bool ControlValueToOnOff(int32_t value) {
    return value >= 0;
}

} // namespace pil
