// The renderer's .fxp/.fxb reader with arbitrary file bytes.
// Holds: bytes are either refused with the reader's own error or decoded; what was decoded
// encodes to a file that decodes to the same preset, and encodes again to the same bytes;
// parameter values that come out are numbers within 0 ... 1.
#include "Error.h"
#include "FuzzSupport.h"
#include "FxPreset.h"
#include "tools/vsthost/VstHost.h"

#include <cmath>

namespace {
bool samePreset(const mirelow::Preset& a, const mirelow::Preset& b) {
    if (a.kind != b.kind || a.isChunk != b.isChunk || a.fxId != b.fxId ||
        a.fxVersion != b.fxVersion || a.numPrograms != b.numPrograms ||
        a.numParams != b.numParams || a.name != b.name || a.chunk != b.chunk ||
        a.params != b.params || a.programs.size() != b.programs.size())
        return false;
    for (size_t i = 0; i < a.programs.size(); ++i)
        if (a.programs[i].name != b.programs[i].name ||
            a.programs[i].params != b.programs[i].params)
            return false;
    return true;
}

bool valuesInRange(const std::vector<float>& v) {
    for (float x : v)
        if (!(x >= 0.f && x <= 1.f))
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mirelow::Preset p;
    try {
        p = mirelow::decodePreset(std::span<const uint8_t>(data, size), "fuzz.fxp");
    } catch (const mirelow::Error& e) {
        FUZZ_CHECK(e.what()[0] != 0);
        return 0;
    }
    FUZZ_CHECK(valuesInRange(p.params));
    for (const auto& prog : p.programs)
        FUZZ_CHECK(valuesInRange(prog.params));
    const fuzz::Bytes once = mirelow::encodePreset(p);
    const mirelow::Preset again = mirelow::decodePreset(once, "re-encoded");
    FUZZ_CHECK(samePreset(p, again));
    FUZZ_CHECK(mirelow::encodePreset(again) == once);
    return 0;
}

std::vector<fuzz::Bytes> fuzz::seeds() {
    // tidemill's own program and bank, as chunk files and as parameter files.
    vsthost::Plugin plugin(builtPlugin("tidemill.so"));
    mirelow::Preset program;
    program.kind = mirelow::PresetKind::Program;
    program.fxId = plugin.uniqueId();
    program.fxVersion = static_cast<int32_t>(plugin.dispatch(effGetVendorVersion));
    program.numParams = plugin.numParams();
    program.name = plugin.programName();
    program.chunk = plugin.getChunk(true);
    mirelow::Preset bank = program;
    bank.kind = mirelow::PresetKind::Bank;
    bank.numPrograms = plugin.numPrograms();
    bank.formatVersion = 2;
    bank.currentProgram = static_cast<int32_t>(plugin.dispatch(effGetProgram));
    bank.chunk = plugin.getChunk(false);
    std::vector<Bytes> out = {mirelow::encodePreset(program), mirelow::encodePreset(bank)};

    program.isChunk = bank.isChunk = false;
    program.chunk.clear();
    bank.chunk.clear();
    for (VstInt32 i = 0; i < plugin.numParams(); ++i)
        program.params.push_back(plugin.getParameter(i));
    for (VstInt32 prog = 0; prog < plugin.numPrograms(); ++prog) {
        plugin.dispatch(effSetProgram, 0, prog);
        mirelow::PresetProgram pp{plugin.programName(), {}};
        for (VstInt32 i = 0; i < plugin.numParams(); ++i)
            pp.params.push_back(plugin.getParameter(i));
        bank.programs.push_back(pp);
    }
    out.push_back(mirelow::encodePreset(program));
    out.push_back(mirelow::encodePreset(bank));
    return out;
}
