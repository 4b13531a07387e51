// The wendle effect's fourteen parameters as data (names, labels, record slots, display kinds) and
// the small conversions between the host's normalised 0…1 values and the effect's own units.
#pragma once

#include "vst/MidiControllers.h"
#include "vst/ParamType.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace wendlefx {

constexpr int kNumParams = 14;
constexpr int kNumSlots = 12; // stored parameter floats in a program record

// Parameter indices. 0 and 1 exist but do nothing.
enum Param : int {
    kParamInertA = 0,
    kParamInertB = 1,
    kParamDepth = 2,
    kParamTilt = 3,
    kParamFilterNumber = 4,
    kParamLearn = 5,
    kParamReset = 6,
    kParamLogScale = 7,
    kParamMakeupGain = 8,
    kParamAutoGain = 9,
    kParamStereoLink = 10,
    kParamLfoTempo = 11,
    kParamLfoDivide = 12,
    kParamLfoRate = 13,
};

// The on/off parameters, which hosts may show as switches.
constexpr std::array<int, 6> kSwitchParams{kParamLearn,    kParamReset,      kParamLogScale,
                                           kParamAutoGain, kParamStereoLink, kParamLfoTempo};

// Stored values of a fresh program, by slot.
constexpr std::array<float, kNumSlots> kFreshSlots{0.0f, 0.0f, 0.0f, 1.0f, 0.75f, 0.5f,
                                                   0.5f, 0.0f, 0.0f, 0.0f, 0.0f,  0.0f};

// The order in which selecting a program re-applies its parameters: {parameter, slot}; learn and
// reset (slot -1) are set to 0.
struct ProgramStep {
    int param;
    int slot;
};
constexpr std::array<ProgramStep, 12> kProgramOrder{{
    {kParamLearn, -1},
    {kParamReset, -1},
    {kParamStereoLink, 8},
    {kParamLogScale, 3},
    {kParamAutoGain, 7},
    {kParamFilterNumber, 0},
    {kParamTilt, 5},
    {kParamDepth, 4},
    {kParamMakeupGain, 6},
    {kParamLfoTempo, 9},
    {kParamLfoDivide, 10},
    {kParamLfoRate, 11},
}};

// MIDI controller number → parameter.
constexpr std::array<vst::MidiController, 5> kControllers{{
    {7, kParamMakeupGain},
    {75, kParamDepth},
    {76, kParamTilt},
    {77, kParamFilterNumber},
    {78, kParamLfoRate},
}};

constexpr bool isParamIndex(int index) {
    return index >= 0 && index < kNumParams;
}
constexpr bool isActiveParam(int index) {
    return index >= kParamDepth && index < kNumParams;
}

// Switch thresholds: "above half" is strictly greater, "below half" strictly less.
constexpr bool aboveHalf(float v) {
    return v > 0.5f;
}
constexpr bool belowHalf(float v) {
    return v < 0.5f;
}
constexpr bool atLeastHalf(float v) {
    return v >= 0.5f;
}

// Filter depth, −2 … +2.
constexpr float depthFromNormalised(float v) {
    return (v - 0.5f) * 4.0f;
}
constexpr float normalisedFromDepth(float depth) {
    return depth * 0.25f + 0.5f;
}

// Tilt amount, −3 … +3 (the exponent of the tilt factor at the ends of the spectrum).
constexpr float tiltFromNormalised(float v) {
    return 6.0f * v - 3.0f;
}

// Make-up gain: 0…1 ↔ −60 … +60 dB, as a linear output factor. Values outside 0…1 reach further,
// but the factor is held within ±kMakeupLimitDb so that it never overflows to infinity or zero.
constexpr float kMakeupLimitDb = 240.0f;
inline float makeupDecibels(float v) {
    return (v - 0.5f) * 120.0f;
}
inline float makeupFactorFromDecibels(float db) {
    float exponent = db * 0.05f;
    constexpr float kLimit = kMakeupLimitDb * 0.05f;
    exponent = exponent > -kLimit ? (exponent < kLimit ? exponent : kLimit) : -kLimit;
    return std::pow(10.0f, exponent);
}
inline float makeupFactorFromNormalised(float v) {
    return makeupFactorFromDecibels(makeupDecibels(v));
}
inline float normalisedFromMakeupFactor(float factor) {
    return 20.0f * std::log10(factor) / 120.0f + 0.5f;
}

// LFO divisor, a whole number 1 … 11 (a sweep lasts that many beats under the tempo lock). Values
// outside 0…1 are held to that range: a divisor of 0 or less would stop or reverse time.
constexpr int kMinLfoDivisor = 1;
constexpr int kMaxLfoDivisor = 11;
inline int lfoDivisorFromNormalised(float v) {
    // Held in float before the conversion: a huge value would not fit an int.
    const float d = 1.0f - std::trunc(-10.0f * v);
    if (!(d > static_cast<float>(kMinLfoDivisor)))
        return kMinLfoDivisor;
    return d > static_cast<float>(kMaxLfoDivisor) ? kMaxLfoDivisor : static_cast<int>(d);
}
constexpr float normalisedFromLfoDivisor(int divisor) {
    return static_cast<float>(divisor - 1) * 0.1f;
}

// LFO rate, 0 … 10 Hz.
constexpr float lfoRateFromNormalised(float v) {
    return 10.0f * v;
}
constexpr float normalisedFromLfoRate(float hz) {
    return hz * 0.1f;
}

// The value types of the rows: normalised value <-> unit, display text, parsing, range.
namespace types {
inline float identity(float v) {
    return v;
}
inline bool plain(const char* text, float& units) {
    return param::parseNumber(text, "", units);
}
inline bool decibels(const char* text, float& units) {
    return param::parseNumber(text, "dB", units);
}
inline bool hertz(const char* text, float& units) {
    return param::parseNumber(text, "Hz", units);
}
inline float above(float v) {
    return aboveHalf(v) ? 1.0f : 0.0f;
}
inline float atLeast(float v) {
    return atLeastHalf(v) ? 1.0f : 0.0f;
}
inline float divisor(float v) {
    return static_cast<float>(lfoDivisorFromNormalised(v));
}
inline float fromDivisor(float d) {
    return normalisedFromLfoDivisor(static_cast<int>(d));
}
inline float fromTilt(float t) {
    return (t + 3.0f) / 6.0f;
}
inline float fromMakeupDecibels(float db) {
    return db / 120.0f + 0.5f;
}
} // namespace types

inline constexpr param::ValueType kDepthType{
    "number",     depthFromNormalised, normalisedFromDepth, param::formatFixed2,
    types::plain, {-2.0f, 2.0f, ""}};
inline constexpr param::ValueType kTiltType{"number",        tiltFromNormalised,
                                            types::fromTilt, param::formatFixed2,
                                            types::decibels, {-3.0f, 3.0f, "dB"}};
inline constexpr param::ValueType kFractionType{"number",        types::identity,
                                                types::identity, param::formatFixed2,
                                                types::plain,    {0.0f, 1.0f, ""}};
inline constexpr param::ValueType kSwitchType{"switch",           types::above,
                                              types::identity,    param::formatOnOff,
                                              param::parseSwitch, {0.0f, 1.0f, ""}};
inline constexpr param::ValueType kButtonType{"switch", types::above,       types::identity,
                                              nullptr,  param::parseSwitch, {0.0f, 1.0f, ""}};
inline constexpr param::ValueType kSwitchFromHalfType{"switch",           types::atLeast,
                                                      types::identity,    param::formatOnOff,
                                                      param::parseSwitch, {0.0f, 1.0f, ""}};
inline constexpr param::ValueType kSwitchCapsType{"switch",           types::atLeast,
                                                  types::identity,    param::formatOnOffCaps,
                                                  param::parseSwitch, {0.0f, 1.0f, ""}};
inline constexpr param::ValueType kMakeupDbType{"dB",
                                                makeupDecibels,
                                                types::fromMakeupDecibels,
                                                param::formatFixed1,
                                                types::decibels,
                                                {-60.0f, 60.0f, "dB"}};
inline constexpr param::ValueType kDivisorType{"divisor",          types::divisor,
                                               types::fromDivisor, param::formatWhole,
                                               types::plain,       {1.0f, 11.0f, ""}};
inline constexpr param::ValueType kLfoRateType{
    "number",     lfoRateFromNormalised, normalisedFromLfoRate, param::formatFixed2,
    types::hertz, {0.0f, 10.0f, "Hz"}};

// What a change of a parameter sets going once its value in units is stored.
enum class Action : int {
    None,       // read as it is, per frame
    Refresh,    // the target gains are rebuilt at the next frame
    Tilt,       // the tilt curve is rebuilt at the next frame
    Position,   // the filter position is set by hand: the LFO stops, a filter is selected
    Learn,      // above half learning starts (unless it runs), below half it is finished
    Reset,      // the selected filter is flattened
    LogScale,   // the engine's log-scale flag
    MakeupGain, // the output factor 10^(dB / 20)
    AutoGain,   // the engine's automatic gain
    TempoLock,  // the LFO's tempo lock; switched off, the LFO stops
    LfoRate,    // the LFO's rate in Hz
};

// What getParameter answers.
enum class ReadBack : int {
    Raw,          // the value last set
    Units,        // the value in units, converted back (the divisor: a whole number's value)
    Live,         // what the LFO made of it (position, rate)
    OutputFactor, // the engine's output factor, which automatic gain moves, as a make-up gain
};

struct ParamInfo {
    const char* name; // nullptr: inert, no texts are written
    const char* label;
    int slot;                     // index into the program record's parameter floats, -1 for none
    const param::ValueType* type; // null for the inert rows
    // The display shows the effect's live value (moved by the LFO, by learning stopping itself)
    // rather than the one last set.
    bool live;
    Action action;
    ReadBack readBack;
};

constexpr std::array<ParamInfo, kNumParams> kParams{{
    {nullptr, nullptr, -1, nullptr, false, Action::None, ReadBack::Raw},
    {nullptr, nullptr, -1, nullptr, false, Action::None, ReadBack::Raw},
    {"filter depth", "", 4, &kDepthType, false, Action::Refresh, ReadBack::Units},
    {"tilt", "dB", 5, &kTiltType, false, Action::Tilt, ReadBack::Raw},
    {"filter number", "", 0, &kFractionType, true, Action::Position, ReadBack::Live},
    {"learn filter", "", 1, &kSwitchType, true, Action::Learn, ReadBack::Raw},
    {"reset filter", "", 2, &kButtonType, false, Action::Reset, ReadBack::Raw},
    {"log scale", "", 3, &kSwitchFromHalfType, false, Action::LogScale, ReadBack::Raw},
    {"makeup gain", "dB", 6, &kMakeupDbType, false, Action::MakeupGain, ReadBack::OutputFactor},
    {"auto gain", "", 7, &kSwitchCapsType, false, Action::AutoGain, ReadBack::Raw},
    {"stereo link", "", 8, &kSwitchType, false, Action::Refresh, ReadBack::Raw},
    {"midi lfo tempo", "", 9, &kFractionType, false, Action::TempoLock, ReadBack::Raw},
    {"lfo divide", "", 10, &kDivisorType, false, Action::None, ReadBack::Units},
    {"filter lfo", " Hz", 11, &kLfoRateType, true, Action::LfoRate, ReadBack::Live},
}};

} // namespace wendlefx
