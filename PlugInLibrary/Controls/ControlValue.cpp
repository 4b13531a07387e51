// The 32-bit control value encoding.
#include "ControlValue.h"

#include <algorithm>
#include <cmath>

namespace pil {

namespace {
constexpr double kInnerStepLift = 1e-6;
}

int32_t ContinuousToControlValue(double normalised) {
    if (!(normalised > 0.0))
        return kControlMinimum;
    if (normalised >= 1.0)
        return kControlMaximum;
    return static_cast<int32_t>(std::llround(normalised * kControlValueSpan - kControlValueOffset));
}

double ControlValueToContinuous(int32_t value) {
    return (static_cast<double>(value) + kControlValueOffset) / kControlValueSpan;
}

int32_t LinearToControlValue(double x, double minimum, double maximum) {
    if (!(maximum > minimum))
        return kControlMinimum;
    return ContinuousToControlValue((x - minimum) / (maximum - minimum));
}

double ControlValueToLinear(int32_t value, double minimum, double maximum) {
    return minimum + ControlValueToContinuous(value) * (maximum - minimum);
}

int32_t DiscreteStepToControlValue(int32_t step, int32_t numSteps) {
    if (numSteps < 2 || step <= 0)
        return kControlMinimum;
    if (step >= numSteps - 1)
        return kControlMaximum;
    return ContinuousToControlValue(static_cast<double>(step) / (numSteps - 1) + kInnerStepLift);
}

int32_t ControlValueToDiscreteStep(int32_t value, int32_t numSteps) {
    if (numSteps < 2)
        return 0;
    const double position = ControlValueToContinuous(value) * (numSteps - 1);
    return std::clamp(static_cast<int32_t>(std::lround(position)), 0, numSteps - 1);
}

} // namespace pil
