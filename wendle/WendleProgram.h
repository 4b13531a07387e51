// The wendle effect's program record: its stored parameters, its two learned filter shapes (eight
// per-bin curves) and its name, plus the record's big-endian chunk form.
#pragma once

#include "WendleParams.h"
#include "engine/Spectrum.h"

#include <cstddef>
#include <cstdint>

namespace wendlefx {

using spectral::kBins; // N/2 + 1 for the engine's frames
constexpr int kNumCurves = 8;
constexpr int kNameSize = 24; // with the terminator: at most 23 characters

// Curve numbers inside a program: filter f occupies 4f … 4f+3.
enum Curve : int {
    kFilterZeroLeftLinear = 0,
    kFilterZeroRightLinear = 1,
    kFilterZeroLeftDb = 2,
    kFilterZeroRightDb = 3,
    kFilterOneLeftLinear = 4,
    kFilterOneRightLinear = 5,
    kFilterOneLeftDb = 6,
    kFilterOneRightDb = 7,
};
constexpr int linearCurve(int filter, int side) {
    return 4 * filter + side;
}
constexpr int decibelCurve(int filter, int side) {
    return 4 * filter + 2 + side;
}

constexpr const char* kCurveNames[kNumCurves] = {
    "Filter Zero Left Linear", "Filter Zero Right Linear", "Filter Zero Left dB",
    "Filter Zero Right dB",    "Filter One Left Linear",   "Filter One Right Linear",
    "Filter One Left dB",      "Filter One Right dB",
};

// Raw layout, stored as is (big-endian floats) in chunks.
struct WendleProgram {
    float params[kNumSlots];
    float curves[kNumCurves][kBins];
    char name[kNameSize];
};
static_assert(sizeof(WendleProgram) == 16488, "program record layout");
static_assert(offsetof(WendleProgram, curves) == 48 && offsetof(WendleProgram, name) == 16464,
              "program record layout");

constexpr std::size_t kProgramBytes = sizeof(WendleProgram);
constexpr int kFloatsPerProgram = kNumSlots + kNumCurves * kBins;

// A fresh program: the fresh parameter values, flat filters (linear 1.0, dB 0.0), name "Init".
void makeFreshProgram(WendleProgram& program);

// Makes `filter` of the program flat on both sides.
void flattenFilter(WendleProgram& program, int filter);

// Copies at most 23 characters of `text` into the name and zero-fills the rest of the field.
void setProgramRecordName(WendleProgram& program, const char* text);

// Writes the record's chunk form (big-endian floats, name bytes as they are) to `out`,
// kProgramBytes bytes.
void encodeProgram(const WendleProgram& program, unsigned char* out);

// True when every float of the chunk-form record at `in` (kProgramBytes bytes) is finite.
bool isValidEncodedProgram(const unsigned char* in);

// Reads a chunk-form record into `program`; the name keeps at most 23 characters and is
// zero-filled after its end.
void decodeProgram(const unsigned char* in, WendleProgram& program);

} // namespace wendlefx
