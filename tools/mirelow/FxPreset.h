// The standard VST preset files: a program (.fxp, 'FxCk' parameters or 'FPCh' opaque chunk) and
// a bank (.fxb, 'FxBk' programs or 'FBCh' opaque chunk), all behind a 'CcnK' header, big-endian.
// Encoding and decoding only; fitting a preset to a plug-in is the caller's business.
#pragma once

#include "engine/ByteOrder.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mirelow {

// A plug-in's four-character code as text ("+tdl"); unprintable bytes as \xNN.
inline std::string fourCCText(int32_t code) {
    return fourCharText(static_cast<uint32_t>(code), Unprintable::Escape);
}

enum class PresetKind { Program, Bank };

struct PresetProgram {
    std::string name; // at most 28 characters
    std::vector<float> params;
};

struct Preset {
    PresetKind kind = PresetKind::Program;
    bool isChunk = true; // 'FPCh'/'FBCh' (opaque chunk) or 'FxCk'/'FxBk' (parameter values)
    int32_t formatVersion = 1;
    int32_t fxId = 0;                    // the plug-in's unique ID
    int32_t fxVersion = 0;               // the plug-in's version
    int32_t numPrograms = 0;             // banks: programs in the bank
    int32_t numParams = 0;               // programs: parameters of the plug-in
    int32_t currentProgram = 0;          // banks of format version 2
    std::string name;                    // programs: the program name
    std::vector<uint8_t> chunk;          // chunk presets
    std::vector<float> params;           // 'FxCk'
    std::vector<PresetProgram> programs; // 'FxBk'
};

// Bytes of a preset file. Names longer than the 28-byte field are cut; a 28-character name fills
// it without a terminator, as the format allows.
std::vector<uint8_t> encodePreset(const Preset& preset);

// Decodes and validates a whole file image: magic words, sizes, counts. Throws mirelow::Error
// with a message naming `what` (the file) and the first problem found; parameter values
// ('FxCk'/'FxBk') that are not numbers are refused, those outside 0 … 1 clamped to it.
Preset decodePreset(std::span<const uint8_t> bytes, const std::string& what);

Preset readPresetFile(const std::string& path);
// Written under a temporary name and renamed, so a failed write leaves no partial file.
void writePresetFile(const std::string& path, const Preset& preset);

// The kind a file name asks for: ".fxb" is a bank, anything else a program.
PresetKind presetKindForPath(const std::string& path);

} // namespace mirelow
