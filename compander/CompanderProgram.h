// The compander's program record, its parameter table, built-in programs, chunk encoding and MIDI
// controller map: the data a host sees, kept as tables the code walks.
#pragma once

#include "CompanderLaw.h"
#include "vst/BankTrailer.h"
#include "vst/MidiControllers.h"
#include "vst/ParamType.h"

#include <array>
#include <cstddef>

namespace compander {

inline constexpr int kNumParams = 12;
inline constexpr int kNumPrograms = 8;
inline constexpr int kNameBytes = 24; // a name holds at most 23 characters and its NUL

// One program: the stored parameter floats (raw 0 … 1 values, record order), the two threshold
// shapes and the name. Its big-endian byte image is the program chunk.
struct CompanderProgram {
    float values[12];
    float shape1[kBins];
    float shape2[kBins];
    char name[kNameBytes];
};
static_assert(sizeof(CompanderProgram) == 4176);

inline constexpr std::size_t kProgramChunkBytes = sizeof(CompanderProgram);        // 4176
inline constexpr std::size_t kBankRecordBytes = kNumPrograms * kProgramChunkBytes; // 33408
// A bank: the eight records in program order, then the current program's trailer.
inline constexpr std::size_t kBankChunkBytes = kBankRecordBytes + vst::kBankTrailerBytes; // 33416

// Record slots of the stored floats. Slots 5 … 7 are reserved: carried, never applied.
enum Slot : int {
    kSlotAttack = 0,
    kSlotInvert = 1,
    kSlotGain = 2,
    kSlotRatio = 3,
    kSlotRelease = 4,
    kSlotThreshold = 8,
    kSlotStereoLink = 9,
    kSlotTilt = 10,
    kSlotLogScale = 11,
    kNotStored = -1,
};

// Parameter indexes as the host sees them.
enum Param : int {
    kThreshold = 0,
    kAttack = 1,
    kRelease = 2,
    kRatio = 3,
    kLearnPeak = 4,
    kLearnAverage = 5,
    kReset = 6,
    kInvert = 7,
    kGain = 8,
    kLogScale = 9,
    kStereoLink = 10,
    kTilt = 11,
};

// The value types of the rows: normalised value <-> unit, display text, parsing, range.
extern const param::ValueType kThresholdDbType; // (1 - v) * -120 dB, "%3.1f"
extern const param::ValueType kSecondsType;     // v seconds, "%3.2f"
extern const param::ValueType kRatioType;  // 1 ... 5 from 0.5 up, 1/5 ... 1 below; "1 : R", "R : 1"
extern const param::ValueType kRawType;    // v through the base's float formatter
extern const param::ValueType kGainDbType; // (v - 0.5) * 48 dB, "%3.1f"
extern const param::ValueType kLogScaleType; // "on" from 0.5 up (the engine's log-scale flag)
extern const param::ValueType kOnOffType;    // "on" above 0.5
extern const param::ValueType kTiltDbType;   // 12 v - 6 dB, "%3.2f"

// What a change of a parameter sets going once its value in units is stored.
enum class Action : int {
    None,       // read as it is, per frame
    GainLaw,    // the gain law is rebuilt (threshold, ratio)
    Smoothing,  // the attack and release coefficients are recomputed
    Learn,      // above 0.5 a pass starts (unless one runs), below 0.5 it is finished
    Reset,      // above 0.5: flat shapes, accumulators cleared
    Invert,     // the invert switch (on above 0.5)
    MakeupGain, // the output factor 10^(dB / 20)
    LogScale,   // the engine's log-scale flag
    Tilt,       // the tilt weights are rebuilt
};

struct ParamInfo {
    const char* name;
    const char* label;
    int slot;
    const param::ValueType* type;
    bool isSwitch; // on/off (or momentary): hosts show it as a toggle
    Action action;
};

inline constexpr std::array<ParamInfo, kNumParams> kParams{{
    {"threshold", "dB", kSlotThreshold, &kThresholdDbType, false, Action::GainLaw},
    {"attack", "s", kSlotAttack, &kSecondsType, false, Action::Smoothing},
    {"release", "s", kSlotRelease, &kSecondsType, false, Action::Smoothing},
    {"ratio", "", kSlotRatio, &kRatioType, false, Action::GainLaw},
    {"learnpeak", "", kNotStored, &kRawType, true, Action::Learn},
    {"learnaverage", "", kNotStored, &kRawType, true, Action::Learn},
    {"reset", "", kNotStored, &kRawType, true, Action::Reset},
    {"invert", "", kSlotInvert, &kRawType, true, Action::Invert},
    {"gain", "dB", kSlotGain, &kGainDbType, false, Action::MakeupGain},
    {"logscale", "", kSlotLogScale, &kLogScaleType, true, Action::LogScale},
    {"stereolink", "", kSlotStereoLink, &kOnOffType, true, Action::None},
    {"tilt", "dB", kSlotTilt, &kTiltDbType, false, Action::Tilt},
}};

// The order in which a program's stored values are applied when it is selected.
inline constexpr std::array<int, 9> kProgramApplyOrder{
    kThreshold, kAttack, kRelease, kRatio, kTilt, kLogScale, kInvert, kGain, kStereoLink};

struct BuiltInProgram {
    const char* name;
    std::array<float, 12> values; // record order
};

// attack, invert, gain, ratio, release, reserved x3, threshold, stereolink, tilt, logscale
inline constexpr std::array<float, 12> kInitValues{0.5f, 0, 0.5f, 0.5f, 0.5f, 0,
                                                   0,    0, 0.5f, 0,    0.5f, 0};
inline constexpr std::array<BuiltInProgram, 3> kBuiltInPrograms{{
    {"Noise Reduction", {0, 0, 0.5f, 0.65f, 0.2f, 1, 0, 0, 0.75f, 0, 0.5f, 1}},
    {"Spectral Flatten", {0, 0, 0.75f, 0.35f, 0.1f, 0, 0, 0, 0.6f, 0, 0.5f, 1}},
    {"Spectral Reshape", {0, 0, 0.75f, 0.35f, 0.1f, 1, 0, 0, 0.6f, 0, 0.5f, 1}},
}};
inline constexpr int kStartProgram = 3;

// "Init": default values, flat shapes.
CompanderProgram initProgram();
// The eight programs a new effect starts with.
std::array<CompanderProgram, kNumPrograms> builtInPrograms();

// Copies at most 23 characters of `text` into the name field and zero-fills the rest, so equal
// names give equal chunk bytes.
void setName(CompanderProgram& program, const char* text);

// Chunk form of one record: floats big-endian, name byte for byte.
void encodeProgram(const CompanderProgram& program, unsigned char* out);
// Reads a record from its chunk form. Answers false, leaving `program` untouched, when any float
// is NaN or infinite. The name is cut to 23 characters and zero-filled after its end.
bool decodeProgram(const unsigned char* in, CompanderProgram& program);
// True when every float of `count` records at `in` is finite.
bool chunkFloatsFinite(const unsigned char* in, int count);

// MIDI control change → parameter index.
inline constexpr std::array<vst::MidiController, 6> kMidiControls{{
    {7, kGain},
    {72, kRelease},
    {73, kAttack},
    {75, kThreshold},
    {76, kRatio},
    {77, kTilt},
}};

} // namespace compander
