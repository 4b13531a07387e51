// Program records: fresh state, names and the big-endian chunk form.
#include "WendleProgram.h"

#include "engine/ByteOrder.h"

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
    std::memset(program.name, 0, sizeof program.name);
    if (text == nullptr)
        return;
    std::size_t n = 0;
    while (n < kNameSize - 1 && text[n] != '\0')
        ++n;
    std::memcpy(program.name, text, n);
}

void encodeProgram(const WendleProgram& program, unsigned char* out) {
    for (int s = 0; s < kNumSlots; ++s, out += 4)
        storeBigEndianFloat(program.params[s], out);
    for (int c = 0; c < kNumCurves; ++c)
        for (int k = 0; k < kBins; ++k, out += 4)
            storeBigEndianFloat(program.curves[c][k], out);
    std::memcpy(out, program.name, kNameSize);
}

bool isValidEncodedProgram(const unsigned char* in) {
    for (int i = 0; i < kFloatsPerProgram; ++i, in += 4)
        if (!std::isfinite(loadBigEndianFloat(in)))
            return false;
    return true;
}

void decodeProgram(const unsigned char* in, WendleProgram& program) {
    for (int s = 0; s < kNumSlots; ++s, in += 4)
        program.params[s] = loadBigEndianFloat(in);
    for (int c = 0; c < kNumCurves; ++c)
        for (int k = 0; k < kBins; ++k, in += 4)
            program.curves[c][k] = loadBigEndianFloat(in);
    std::memcpy(program.name, in, kNameSize);
    program.name[kNameSize - 1] = '\0';
}

} // namespace wendlefx
