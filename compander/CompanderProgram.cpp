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

namespace {
float identity(float v) {
    return v;
}
float thresholdValueFromDb(float db) {
    return 1.0f + db / 120.0f;
}
float ratioValueFromRatio(float r) {
    return r >= 1.0f ? 0.5f + (r - 1.0f) / 8.0f : 0.5f - (1.0f / r - 1.0f) / 8.0f;
}
float gainDbFromValue(float v) {
    return (v - 0.5f) * 48.0f;
}
float gainValueFromDb(float db) {
    return db / 48.0f + 0.5f;
}
float tiltValueFromDb(float db) {
    return (db + 6.0f) / 12.0f;
}
bool parseDb(const char* text, float& units) {
    return param::parseNumber(text, "dB", units);
}
bool parsePlain(const char* text, float& units) {
    return param::parseNumber(text, "", units);
}
} // namespace

const param::ValueType kThresholdDbType{
    "dB",    thresholdDbFromValue, thresholdValueFromDb, param::formatFixed1,
    parseDb, {-120.0f, 0.0f, "dB"}};
const param::ValueType kSecondsType{
    "seconds", identity, identity, param::formatFixed2, param::parseSeconds, {0.0f, 1.0f, "s"}};
const param::ValueType kRatioType{
    "ratio",           ratioFromValue,  ratioValueFromRatio, param::formatRatio,
    param::parseRatio, {0.2f, 5.0f, ""}};
const param::ValueType kRawType{"value",          identity,   identity,
                                param::formatRaw, parsePlain, {0.0f, 1.0f, ""}};
const param::ValueType kGainDbType{
    "dB", gainDbFromValue, gainValueFromDb, param::formatFixed1, parseDb, {-24.0f, 24.0f, "dB"}};
const param::ValueType kLogScaleType{
    "switch",           [](float v) { return v >= 0.5f ? 1.0f : 0.0f; },
    identity,           param::formatOnOff,
    param::parseSwitch, {0.0f, 1.0f, ""}};
const param::ValueType kOnOffType{
    "switch",           [](float v) { return switchOn(v) ? 1.0f : 0.0f; },
    identity,           param::formatOnOff,
    param::parseSwitch, {0.0f, 1.0f, ""}};
const param::ValueType kTiltDbType{
    "dB", tiltDbFromValue, tiltValueFromDb, param::formatFixed2, parseDb, {-6.0f, 6.0f, "dB"}};

} // namespace compander
