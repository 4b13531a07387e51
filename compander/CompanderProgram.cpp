// Program records: built-in contents, names and the chunk byte form.
#include "CompanderProgram.h"

#include "engine/ByteOrder.h"
#include "engine/Text.h"

#include <cmath>
#include <cstring>

namespace compander {

namespace {
constexpr int kFloatsPerRecord = 12 + 2 * kBins;
constexpr std::size_t kNameOffset = kFloatsPerRecord * 4;
static_assert(kNameOffset + kNameBytes == kProgramChunkBytes);
} // namespace

CompanderProgram initProgram() {
    CompanderProgram p{};
    for (int i = 0; i < 12; ++i)
        p.values[i] = kInitValues[i];
    for (int k = 0; k < kBins; ++k)
        p.shape1[k] = p.shape2[k] = 1.0f;
    setName(p, "Init");
    return p;
}

std::array<CompanderProgram, kNumPrograms> builtInPrograms() {
    std::array<CompanderProgram, kNumPrograms> programs;
    programs.fill(initProgram());
    for (std::size_t i = 0; i < kBuiltInPrograms.size(); ++i) {
        for (int v = 0; v < 12; ++v)
            programs[i].values[v] = kBuiltInPrograms[i].values[v];
        setName(programs[i], kBuiltInPrograms[i].name);
    }
    return programs;
}

void setName(CompanderProgram& program, const char* text) {
    copyTextZeroFilled(program.name, text, kNameBytes);
}

void encodeProgram(const CompanderProgram& program, unsigned char* out) {
    out = storeBigEndianFloats(program.values, out);
    out = storeBigEndianFloats(program.shape1, out);
    out = storeBigEndianFloats(program.shape2, out);
    std::memcpy(out, program.name, kNameBytes);
}

bool chunkFloatsFinite(const unsigned char* in, int count) {
    for (int r = 0; r < count; ++r, in += kProgramChunkBytes)
        if (!bigEndianFloatsFinite(in, kFloatsPerRecord))
            return false;
    return true;
}

bool decodeProgram(const unsigned char* in, CompanderProgram& program) {
    if (!chunkFloatsFinite(in, 1))
        return false;
    in = loadBigEndianFloats(in, program.values);
    in = loadBigEndianFloats(in, program.shape1);
    in = loadBigEndianFloats(in, program.shape2);
    copyTextZeroFilled(program.name, reinterpret_cast<const char*>(in), kNameBytes);
    return true;
}

int paramForController(int controller) {
    for (const MidiControl& c : kMidiControls)
        if (c.controller == controller)
            return c.param;
    return -1;
}

} // namespace compander
