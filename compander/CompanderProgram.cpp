// Program records: built-in contents, names and the chunk byte form.
#include "CompanderProgram.h"

#include "engine/ByteOrder.h"

#include <cmath>
#include <cstring>

namespace compander {

namespace {
constexpr int kFloatsPerRecord = 12 + 2 * kBins;
constexpr std::size_t kNameOffset = kFloatsPerRecord * 4;
static_assert(kNameOffset + kNameBytes == kProgramChunkBytes);

const float* recordFloat(const CompanderProgram& p, int i) {
    if (i < 12)
        return &p.values[i];
    if (i < 12 + kBins)
        return &p.shape1[i - 12];
    return &p.shape2[i - 12 - kBins];
}

float* recordFloat(CompanderProgram& p, int i) {
    return const_cast<float*>(recordFloat(static_cast<const CompanderProgram&>(p), i));
}

void sanitiseName(char* name) {
    name[kNameBytes - 1] = '\0';
    const std::size_t len = std::strlen(name);
    std::memset(name + len, 0, kNameBytes - len);
}
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
    std::memset(program.name, 0, kNameBytes);
    if (text)
        std::strncpy(program.name, text, kNameBytes - 1);
}

void encodeProgram(const CompanderProgram& program, unsigned char* out) {
    for (int i = 0; i < kFloatsPerRecord; ++i)
        storeBigEndianFloat(*recordFloat(program, i), out + 4 * i);
    std::memcpy(out + kNameOffset, program.name, kNameBytes);
}

bool chunkFloatsFinite(const unsigned char* in, int count) {
    for (int r = 0; r < count; ++r, in += kProgramChunkBytes)
        for (int i = 0; i < kFloatsPerRecord; ++i)
            if (!std::isfinite(loadBigEndianFloat(in + 4 * i)))
                return false;
    return true;
}

bool decodeProgram(const unsigned char* in, CompanderProgram& program) {
    if (!chunkFloatsFinite(in, 1))
        return false;
    for (int i = 0; i < kFloatsPerRecord; ++i)
        *recordFloat(program, i) = loadBigEndianFloat(in + 4 * i);
    std::memcpy(program.name, in + kNameOffset, kNameBytes);
    sanitiseName(program.name);
    return true;
}

int paramForController(int controller) {
    for (const MidiControl& c : kMidiControls)
        if (c.controller == controller)
            return c.param;
    return -1;
}

} // namespace compander
