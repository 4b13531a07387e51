// The Pro Tools face of the wendle effect as data: the thirteen controls (in the order the
// framework numbers them from 1; control n drives effect parameter n) and the eight curve chunks.
#pragma once

#include <array>
#include <cstdint>

#include "PlugInLibrary/PlugInProtocol.h"

namespace wendlept {

enum class ControlKind : uint8_t { OnOff, Linear, LinearGain, Discrete };

struct ControlDef {
    ControlKind kind;
    PIFourCC id;
    const char* names; // long and short name separated by a line break
    double minimum, maximum, step, defaultValue;
};

constexpr int32_t kNumControls = 13;
constexpr int32_t kMasterBypassControl = 1;
// Controls 2 ... 13 pass their value to the effect parameter of the same number.
constexpr int32_t kFirstParameterControl = 2;
constexpr int32_t kLastParameterControl = 13;

constexpr std::array<ControlDef, kNumControls> kControls{{
    {ControlKind::OnOff, fourCharCode("bypa"), "Master Bypass\nBypass", 0, 1, 1, 0},
    {ControlKind::Linear, fourCharCode("knb1"), "depth\ndep", -2.0, 2.0, 0.01, 0.0},
    {ControlKind::Linear, fourCharCode("knb2"), "tilt\ntlt", -6.0, 6.0, 0.01, 0.0},
    {ControlKind::Linear, fourCharCode("knb3"), "filter\nflt", 0.0, 1.0, 0.01, 0.5},
    {ControlKind::OnOff, fourCharCode("but1"), "learn\nlrn", 0, 1, 1, 0},
    {ControlKind::OnOff, fourCharCode("but2"), "reset\nrst", 0, 1, 1, 0},
    {ControlKind::OnOff, fourCharCode("but3"), "logscale\nlog", 0, 1, 1, 0},
    {ControlKind::LinearGain, fourCharCode("knb4"), "makeup gain\ngan", -60.0, 60.0, 0.1, 0.0},
    {ControlKind::OnOff, fourCharCode("but4"), "autogain\nagn", 0, 1, 1, 0},
    {ControlKind::OnOff, fourCharCode("but5"), "stereolink\nlnk", 0, 1, 1, 0},
    {ControlKind::OnOff, fourCharCode("but6"), "lfo sync\nlsy", 0, 1, 1, 0},
    {ControlKind::Discrete, fourCharCode("knb5"), "lfo divisor\nldv", 1, 11, 1, 3},
    {ControlKind::Linear, fourCharCode("knb6"), "lfo speed\nspd", 0.0, 10.0, 0.1, 0.0},
}};

struct CurveChunkDef {
    PIFourCC id;
    const char* name;
    int curve; // the effect's curve number
};

constexpr int32_t kCurveFloats = 513; // the effect's bins (tied to them where both are known)
constexpr int32_t kCurveDataBytes = 4 * kCurveFloats;     // 2052
constexpr int32_t kCurveChunkSize = 56 + kCurveDataBytes; // 2108

constexpr std::array<CurveChunkDef, 8> kCurveChunks{{
    {fourCharCode("LF0L"), "Filter Zero Left Linear", 0},
    {fourCharCode("LF0R"), "Filter Zero Right Linear", 1},
    {fourCharCode("LF1L"), "Filter One Left Linear", 4},
    {fourCharCode("LF1R"), "Filter One Right Linear", 5},
    {fourCharCode("DF0L"), "Filter Zero Left dB", 2},
    {fourCharCode("DF0R"), "Filter Zero Right dB", 3},
    {fourCharCode("DF1L"), "Filter One Left dB", 6},
    {fourCharCode("DF1R"), "Filter One Right dB", 7},
}};

// The curve chunk of that ID, or null.
constexpr const CurveChunkDef* FindCurveChunk(PIFourCC id) {
    for (const auto& chunk : kCurveChunks)
        if (chunk.id == id)
            return &chunk;
    return nullptr;
}

} // namespace wendlept
