// The four control kinds and their value texts.
#include "CPluginControl.h"

#include "engine/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ControlValue.h"

using namespace pil;

CPluginControl::CPluginControl(PIFourCC id, const char* names, int32_t kind, bool automatable)
    : mID(id), mNames(names ? names : ""), mKind(kind), mAutomatable(automatable) {}

void CPluginControl::FillInfo(PIControlInfo& info) const {
    std::memset(&info, 0, sizeof info);
    info.id = mID;
    info.kind = mKind;
    copyText(info.names, mNames.c_str(), sizeof info.names);
    info.minimum = GetMinimum();
    info.maximum = GetMaximum();
    info.step = GetStep();
    info.defaultValue = GetDefaultUnits();
    info.numSteps = GetNumSteps();
    info.defaultControlValue = mDefaultValue;
    info.automatable = mAutomatable ? 1 : 0;
}

CPluginControl_OnOff::CPluginControl_OnOff(PIFourCC id, const char* names, bool defaultOn,
                                           bool automatable)
    : CPluginControl(id, names, kPIControl_OnOff, automatable) {
    SetDefaultValue(OnOffToControlValue(defaultOn));
}

bool CPluginControl_OnOff::GetOnOff() const {
    return ControlValueToOnOff(GetValue());
}

double CPluginControl_OnOff::ControlValueToUnits(int32_t value) const {
    return ControlValueToOnOff(value) ? 1.0 : 0.0;
}

int32_t CPluginControl_OnOff::UnitsToControlValue(double units) const {
    return OnOffToControlValue(units >= 0.5);
}

std::string CPluginControl_OnOff::GetValueString(int32_t value) const {
    return ControlValueToOnOff(value) ? "on" : "off";
}

int32_t CPluginControl_OnOff::ConstrainValue(int32_t value) const {
    return OnOffToControlValue(ControlValueToOnOff(value));
}

CPluginControl_Linear::CPluginControl_Linear(PIFourCC id, const char* names, double minimum,
                                             double maximum, double step, double defaultValue,
                                             bool automatable)
    : CPluginControl_Linear(id, names, kPIControl_Linear, minimum, maximum, step, defaultValue,
                            automatable) {}

CPluginControl_Linear::CPluginControl_Linear(PIFourCC id, const char* names, int32_t kind,
                                             double minimum, double maximum, double step,
                                             double defaultValue, bool automatable)
    : CPluginControl(id, names, kind, automatable), mMinimum(minimum), mMaximum(maximum),
      mStep(step), mDefaultUnits(defaultValue) {
    SetDefaultValue(LinearToControlValue(defaultValue, minimum, maximum));
}

double CPluginControl_Linear::ControlValueToUnits(int32_t value) const {
    return ControlValueToLinear(value, mMinimum, mMaximum);
}

int32_t CPluginControl_Linear::UnitsToControlValue(double units) const {
    return LinearToControlValue(units, mMinimum, mMaximum);
}

int CPluginControl_Linear::Decimals() const {
    if (!(mStep > 0.0) || mStep >= 1.0)
        return 0;
    return std::clamp(static_cast<int>(std::ceil(-std::log10(mStep) - 1e-9)), 0, 6);
}

std::string CPluginControl_Linear::GetValueString(int32_t value) const {
    // The middle of a symmetric range lies half a count below zero: show it as 0, not -0.
    const double scale = std::pow(10.0, Decimals());
    double x = std::round(ControlValueToUnits(value) * scale) / scale;
    if (x == 0.0)
        x = 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", Decimals(), x);
    return text;
}

CPluginControl_LinearGain::CPluginControl_LinearGain(PIFourCC id, const char* names,
                                                     double minimumDB, double maximumDB,
                                                     double stepDB, double defaultDB,
                                                     bool automatable)
    : CPluginControl_Linear(id, names, kPIControl_LinearGain, minimumDB, maximumDB, stepDB,
                            defaultDB, automatable) {}

std::string CPluginControl_LinearGain::GetValueString(int32_t value) const {
    return CPluginControl_Linear::GetValueString(value) + " dB";
}

CPluginControl_Discrete::CPluginControl_Discrete(PIFourCC id, const char* names, int32_t minimum,
                                                 int32_t maximum, int32_t defaultValue,
                                                 bool automatable)
    : CPluginControl(id, names, kPIControl_Discrete, automatable), mMinimum(minimum),
      mMaximum(std::max(minimum, maximum)) {
    SetDefaultValue(UnitsToControlValue(defaultValue));
}

double CPluginControl_Discrete::ControlValueToUnits(int32_t value) const {
    return mMinimum + ControlValueToDiscreteStep(value, GetNumSteps());
}

int32_t CPluginControl_Discrete::UnitsToControlValue(double units) const {
    const double step = std::isnan(units) ? 0.0 : std::round(units - mMinimum);
    const double last = GetNumSteps() - 1;
    return DiscreteStepToControlValue(static_cast<int32_t>(std::clamp(step, 0.0, last)),
                                      GetNumSteps());
}

std::string CPluginControl_Discrete::GetValueString(int32_t value) const {
    return std::to_string(mMinimum + ControlValueToDiscreteStep(value, GetNumSteps()));
}

int32_t CPluginControl_Discrete::ConstrainValue(int32_t value) const {
    return DiscreteStepToControlValue(ControlValueToDiscreteStep(value, GetNumSteps()),
                                      GetNumSteps());
}
