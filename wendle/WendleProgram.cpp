// Program records: fresh state, names and the big-endian chunk form.
#include "WendleProgram.h"

#include "engine/ByteOrder.h"
#include "engine/Text.h"

#include <cmath>
#include <cstring>

namespace wendlefx {

void makeFreshProgram(WendleProgram& program) {
    for (int s = 0; s < kNumSlots; ++s)
        program.params[s] = kFreshSlots[s];
    flattenFilter(program, 0);
    flattenFilter(program, 1);
    setProgramRecordName(program, "Init");
}

void flattenFilter(WendleProgram& program, int filter) {
    for (int side = 0; side < 2; ++side) {
        float* lin = program.curves[linearCurve(filter, side)];
        float* db = program.curves[decibelCurve(filter, side)];
        for (int k = 0; k < kBins; ++k) {
            lin[k] = 1.0f;
            db[k] = 0.0f;
        }
    }
}

void setProgramRecordName(WendleProgram& program, const char* text) {
    copyTextZeroFilled(program.name, text, kNameSize);
}

void encodeProgram(const WendleProgram& program, unsigned char* out) {
    out = storeBigEndianFloats(program.params, out);
    for (const auto& curve : program.curves)
        out = storeBigEndianFloats(curve, out);
    std::memcpy(out, program.name, kNameSize);
}

bool isValidEncodedProgram(const unsigned char* in) {
    return bigEndianFloatsFinite(in, kFloatsPerProgram);
}

void decodeProgram(const unsigned char* in, WendleProgram& program) {
    in = loadBigEndianFloats(in, program.params);
    for (auto& curve : program.curves)
        in = loadBigEndianFloats(in, curve);
    copyTextZeroFilled(program.name, reinterpret_cast<const char*>(in), kNameSize);
}

} // namespace wendlefx
