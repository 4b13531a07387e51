// Preset files: what is written reads back the same, the bytes sit where other hosts expect
// them, and damaged or foreign files are refused with a message.
#include "FxPreset.h"
#include "Error.h"

#include <gtest/gtest.h>

#include <cstring>

namespace mirelow {
namespace {

Preset programChunk() {
    Preset p;
    p.kind = PresetKind::Program;
    p.isChunk = true;
    p.fxId = fourCharCode("+tdl");
    p.fxVersion = 1;
    p.numParams = 12;
    p.name = "Noise Reduction";
    for (int i = 0; i < 300; ++i)
        p.chunk.push_back(static_cast<uint8_t>(i * 7));
    return p;
}

Preset bankChunk() {
    Preset p = programChunk();
    p.kind = PresetKind::Bank;
    p.numPrograms = 8;
    p.currentProgram = 5;
    return p;
}

Preset programParams() {
    Preset p;
    p.kind = PresetKind::Program;
    p.isChunk = false;
    p.fxId = fourCharCode("abcd");
    p.fxVersion = 7;
    p.name = "Warm";
    p.params = {0.0f, 0.25f, 1.0f, 0.123456f};
    p.numParams = 4;
    return p;
}

Preset bankParams() {
    Preset p = programParams();
    p.kind = PresetKind::Bank;
    p.programs = {
        {"one", {0.1f, 0.2f, 0.3f}}, {"two", {0.4f, 0.5f, 0.6f}}, {"three", {0.7f, 0.8f, 0.9f}}};
    p.numPrograms = 3;
    p.currentProgram = 2;
    p.params.clear();
    p.numParams = 3;
    return p;
}

int32_t wordAt(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<int32_t>((uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) |
                                (uint32_t(b[at + 2]) << 8) | b[at + 3]);
}

void expectSame(const Preset& a, const Preset& b) {
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.isChunk, b.isChunk);
    EXPECT_EQ(a.fxId, b.fxId);
    EXPECT_EQ(a.fxVersion, b.fxVersion);
    EXPECT_EQ(a.chunk, b.chunk);
    EXPECT_EQ(a.params, b.params);
    ASSERT_EQ(a.programs.size(), b.programs.size());
    for (std::size_t i = 0; i < a.programs.size(); ++i) {
        EXPECT_EQ(a.programs[i].name, b.programs[i].name);
        EXPECT_EQ(a.programs[i].params, b.programs[i].params);
    }
    if (a.kind == PresetKind::Program) {
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.numParams, b.numParams);
    } else {
        EXPECT_EQ(a.numPrograms, b.numPrograms);
        EXPECT_EQ(a.currentProgram, b.currentProgram);
    }
}

TEST(FxPreset, EveryKindRoundTrips) {
    // A plug-in without programs (many third-party effects) still saves a bank chunk.
    Preset stateOnly = bankChunk();
    stateOnly.numPrograms = 0;
    stateOnly.currentProgram = 0;
    for (const Preset& p :
         {programChunk(), bankChunk(), stateOnly, programParams(), bankParams()}) {
        SCOPED_TRACE(p.isChunk ? "chunk" : "params");
        expectSame(p, decodePreset(encodePreset(p), "test"));
    }
}

TEST(FxPreset, HeadersAreBigEndianAtTheirOffsets) {
    const auto program = encodePreset(programChunk());
    EXPECT_EQ(wordAt(program, 0), fourCharCode("CcnK"));
    EXPECT_EQ(wordAt(program, 4), static_cast<int32_t>(program.size() - 8));
    EXPECT_EQ(wordAt(program, 8), fourCharCode("FPCh"));
    EXPECT_EQ(wordAt(program, 16), fourCharCode("+tdl"));
    EXPECT_EQ(wordAt(program, 24), 12);
    EXPECT_STREQ(reinterpret_cast<const char*>(&program[28]), "Noise Reduction");
    EXPECT_EQ(wordAt(program, 56), 300);
    EXPECT_EQ(program.size(), 60u + 300u);

    const auto bank = encodePreset(bankChunk());
    EXPECT_EQ(wordAt(bank, 8), fourCharCode("FBCh"));
    EXPECT_EQ(wordAt(bank, 24), 8); // numPrograms
    EXPECT_EQ(wordAt(bank, 28), 5); // currentProgram
    EXPECT_EQ(wordAt(bank, 156), 300);
    EXPECT_EQ(bank.size(), 160u + 300u);

    const auto params = encodePreset(programParams());
    EXPECT_EQ(wordAt(params, 8), fourCharCode("FxCk"));
    EXPECT_EQ(wordAt(params, 56 + 4), 0x3E800000); // 0.25f
}

TEST(FxPreset, ANameFillingItsFieldSurvivesLoadAndSave) {
    // The file's name field holds 28 characters with no terminator when the name fills it; a
    // longer name is cut to the field. Programs of a bank have the same field.
    const std::string full(28, 'n');
    Preset program = programParams();
    program.name = full;
    const auto bytes = encodePreset(program);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28]), 28), full);
    EXPECT_EQ(wordAt(bytes, 60), 0x3E800000); // the values follow the field directly (0.25f)
    const Preset loaded = decodePreset(bytes, "test");
    EXPECT_EQ(loaded.name, full);
    EXPECT_EQ(encodePreset(loaded), bytes);

    Preset bank = bankParams();
    bank.programs[1].name = full;
    EXPECT_EQ(decodePreset(encodePreset(bank), "test").programs[1].name, full);

    program.name = full + "cut";
    EXPECT_EQ(decodePreset(encodePreset(program), "test").name, full);
}

TEST(FxPreset, DamagedFilesAreRefusedWithAReason) {
    using Bytes = std::vector<uint8_t>;
    auto setWord = [](Bytes b, std::size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] =
                static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
        return b;
    };
    const Bytes program = encodePreset(programChunk());
    const Bytes bank = encodePreset(bankChunk());
    const Bytes paramBank = encodePreset(bankParams());
    Bytes grown = program;
    grown.push_back(0);
    Bytes nan = encodePreset(programParams());
    nan = setWord(nan, 56, 0x7FC00000);

    struct Case {
        const char* what;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, "too short"},
        {"wrong magic", setWord(program, 0, fourCharCode("RIFF")), "no 'CcnK' header"},
        {"unknown type", setWord(program, 8, fourCharCode("FxQQ")), "unknown preset type 'FxQQ'"},
        {"future version", setWord(program, 12, 9), "format version"},
        {"cut by one byte", Bytes(program.begin(), program.end() - 1), "truncated"},
        {"cut in the header", Bytes(program.begin(), program.begin() + 20), "truncated"},
        {"trailing bytes", grown, "unexpected bytes"},
        {"chunk size too big", setWord(program, 56, 301), "chunk size 301"},
        {"chunk size negative", setWord(program, 56, -4), "negative chunk size"},
        {"bank chunk size wrong", setWord(bank, 156, 3), "chunk size 3"},
        {"parameter bank of no programs", setWord(paramBank, 24, 0), "without programs"},
        {"negative program count", setWord(bank, 24, -1), "impossible number"},
        {"inner program of another plug-in", setWord(paramBank, 156 + 16, fourCharCode("zzzz")),
         "another plug-in"},
        {"parameter not a number", nan, "not a finite number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            decodePreset(c.bytes, "f.fxp");
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("f.fxp"), std::string::npos) << e.what();
        }
    }
}

TEST(FxPreset, ParameterValuesAreClampedToTheNormalisedRange) {
    Preset p = programParams();
    p.params = {-0.5f, 5.0f, 0.25f, 1.0f};
    EXPECT_EQ(decodePreset(encodePreset(p), "f.fxp").params,
              (std::vector<float>{0.0f, 1.0f, 0.25f, 1.0f}));
}

TEST(FxPreset, FileKindFollowsTheExtension) {
    EXPECT_EQ(presetKindForPath("a/b.fxb"), PresetKind::Bank);
    EXPECT_EQ(presetKindForPath("B.FXB"), PresetKind::Bank);
    EXPECT_EQ(presetKindForPath("b.fxp"), PresetKind::Program);
    EXPECT_EQ(presetKindForPath("preset"), PresetKind::Program);
}

} // namespace
} // namespace mirelow
