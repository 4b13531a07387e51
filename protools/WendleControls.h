// The Pro Tools face of the wendle effect as data: the thirteen controls (in the order the
// framework numbers them from 1; control n drives effect parameter n) and the eight curve chunks.
#pragma once

#include <array>
#include <cstdint>

#include "PlugInLibrary/PlugInProtocol.h"

namespace wendlept {

enum class ControlKind : uint8_t { OnOff, Linear, LinearGain, Discrete };

struct ControlSpec {
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

constexpr std::array<ControlSpec, kNumControls> kControls{{
    {ControlKind::OnOff, PIFourCharCode("bypa"), "Master Bypass\nBypass", 0, 1, 1, 0},
    {ControlKind::Linear, PIFourCharCode("knb1"), "depth\ndep", -2.0, 2.0, 0.01, 0.0},
    {ControlKind::Linear, PIFourCharCode("knb2"), "tilt\ntlt", -6.0, 6.0, 0.01, 0.0},
    {ControlKind::Linear, PIFourCharCode("knb3"), "filter\nflt", 0.0, 1.0, 0.01, 0.5},
    {ControlKind::OnOff, PIFourCharCode("but1"), "learn\nlrn", 0, 1, 1, 0},
    {ControlKind::OnOff, PIFourCharCode("but2"), "reset\nrst", 0, 1, 1, 0},
    {ControlKind::OnOff, PIFourCharCode("but3"), "logscale\nlog", 0, 1, 1, 0},
    {ControlKind::LinearGain, PIFourCharCode("knb4"), "makeup gain\ngan", -60.0, 60.0, 0.1, 0.0},
    {ControlKind::OnOff, PIFourCharCode("but4"), "autogain\nagn", 0, 1, 1, 0},
    {ControlKind::OnOff, PIFourCharCode("but5"), "stereolink\nlnk", 0, 1, 1, 0},
    {ControlKind::OnOff, PIFourCharCode("but6"), "lfo sync\nlsy", 0, 1, 1, 0},
    {ControlKind::Discrete, PIFourCharCode("knb5"), "lfo divisor\nldv", 1, 11, 1, 3},
    {ControlKind::Linear, PIFourCharCode("knb6"), "lfo speed\nspd", 0.0, 10.0, 0.1, 0.0},
}};

struct CurveChunkSpec {
    PIFourCC id;
    const char* name;
    int curve; // the effect's curve number
};

constexpr int32_t kCurveFloats = 513;
constexpr int32_t kCurveDataBytes = 4 * kCurveFloats;     // 2052
constexpr int32_t kCurveChunkSize = 56 + kCurveDataBytes; // 2108

constexpr std::array<CurveChunkSpec, 8> kCurveChunks{{
    {PIFourCharCode("LF0L"), "Filter Zero Left Linear", 0},
    {PIFourCharCode("LF0R"), "Filter Zero Right Linear", 1},
    {PIFourCharCode("LF1L"), "Filter One Left Linear", 4},
    {PIFourCharCode("LF1R"), "Filter One Right Linear", 5},
    {PIFourCharCode("DF0L"), "Filter Zero Left dB", 2},
    {PIFourCharCode("DF0R"), "Filter Zero Right dB", 3},
    {PIFourCharCode("DF1L"), "Filter One Left dB", 6},
    {PIFourCharCode("DF1R"), "Filter One Right dB", 7},
}};

// The curve chunk of that ID, or null.
constexpr const CurveChunkSpec* FindCurveChunk(PIFourCC id) {
    for (const auto& chunk : kCurveChunks)
        if (chunk.id == id)
            return &chunk;
    return nullptr;
}

} // namespace wendlept
