// tidemill.so through its dispatcher with arbitrary chunk bytes. Input: one byte of choices
// (bit 0: program chunk, else bank; bit 1: a stereo block, else mono; bits 2-4: the program
// selected first; bits 5-6: the test signal), then the chunk.
// Holds: an accepted chunk reads back bit for bit (its names as the plug-in clamps them); a refused
// one changes nothing; the output of a block is finite; every parameter's and program's texts end
// within their buffers.
#include "FuzzSupport.h"
#include "compander/CompanderProgram.h"
#include "tools/vsthost/VstHost.h"

namespace {
constexpr int kBlock = 512;
constexpr size_t kParamText = 24; // the room the plug-in assumes in the host's buffers

struct Fixture {
    vsthost::Plugin plugin{fuzz::builtPlugin("tidemill.so")};
    fuzz::Bytes initialBank;
    Fixture() {
        plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
        plugin.dispatch(effSetBlockSize, 0, kBlock);
        plugin.dispatch(effMainsChanged, 0, 1);
        initialBank = plugin.getChunk(false);
    }
    // Every input starts from the same state: the bank as loaded, signal state cleared.
    void reset() {
        plugin.setChunk(initialBank, false);
        plugin.dispatch(effMainsChanged, 0, 0);
        plugin.dispatch(effMainsChanged, 0, 1);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The one documented change a chunk undergoes: each record's name keeps at most 23 characters,
// and the rest of its field reads back as zeros.
fuzz::Bytes withNamesClamped(fuzz::Bytes b) {
    using namespace compander;
    for (size_t r = 0; r + kProgramChunkBytes <= b.size(); r += kProgramChunkBytes) {
        uint8_t* name = b.data() + r + kProgramChunkBytes - kNameBytes;
        name[kNameBytes - 1] = 0;
        const size_t len = std::strlen(reinterpret_cast<const char*>(name));
        std::memset(name + len, 0, kNameBytes - len);
    }
    return b;
}

void checkTexts(vsthost::Plugin& p) {
    for (VstInt32 i = 0; i < p.numParams(); ++i)
        for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            fuzz::TextBuffer text(kParamText);
            p.dispatch(op, i, 0, text.data());
            FUZZ_CHECK(text.terminated());
        }
    fuzz::TextBuffer name(kVstMaxProgNameLen);
    p.dispatch(effGetProgramName, 0, 0, name.data());
    FUZZ_CHECK(name.terminated());
    for (VstInt32 i = 0; i < p.numPrograms(); ++i) {
        fuzz::TextBuffer indexed(kVstMaxProgNameLen);
        if (p.dispatch(effGetProgramNameIndexed, i, 0, indexed.data()))
            FUZZ_CHECK(indexed.terminated());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    vsthost::Plugin& p = f.plugin;
    f.reset();
    fuzz::Input in(data, size);
    const uint8_t choice = in.u8();
    const bool isPreset = choice & 1;
    const bool stereo = choice & 2;
    p.dispatch(effSetProgram, 0, (choice >> 2) & 7);
    // The chunk in a buffer of exactly its size, as a host would hand it in.
    const fuzz::Bytes rest = in.rest();
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[rest.size()]);
    std::copy(rest.begin(), rest.end(), chunk.get());

    const fuzz::Bytes bankBefore = p.getChunk(false);
    const VstIntPtr read =
        p.dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(rest.size()), chunk.get());
    if (read == 0) {
        FUZZ_CHECK(p.getChunk(false) == bankBefore);
    } else if (isPreset) {
        FUZZ_CHECK(static_cast<size_t>(read) == compander::kProgramChunkBytes);
        FUZZ_CHECK(p.getChunk(true) ==
                   withNamesClamped(fuzz::Bytes(rest.begin(), rest.begin() + read)));
    } else {
        // The records, with or without the trailer naming the current program (which always
        // reads back, naming the program now current).
        using compander::kBankRecordBytes;
        FUZZ_CHECK(static_cast<size_t>(read) == kBankRecordBytes ||
                   static_cast<size_t>(read) == compander::kBankChunkBytes);
        const fuzz::Bytes back = p.getChunk(false);
        FUZZ_CHECK(back.size() == compander::kBankChunkBytes);
        const fuzz::Bytes records(back.begin(), back.begin() + kBankRecordBytes);
        FUZZ_CHECK(records ==
                   withNamesClamped(fuzz::Bytes(rest.begin(), rest.begin() + kBankRecordBytes)));
        FUZZ_CHECK(p.setChunk(back, false) == static_cast<VstIntPtr>(back.size()));
        FUZZ_CHECK(p.getChunk(false) == back);
    }

    checkTexts(p);
    for (VstInt32 i = 0; i < p.numParams(); ++i) {
        const float v = p.getParameter(i);
        FUZZ_CHECK(fuzz::allFinite(&v, 1));
    }
    fuzz::AudioBuffers ins(2, kBlock), outs(2, kBlock);
    fuzz::fillSignal(ins, static_cast<uint8_t>(choice >> 5), 7);
    vsthost::HostAnswers& answers = p.answers();
    answers.inputConnected[1] = stereo;
    answers.outputConnected[1] = stereo;
    for (int block = 0; block < 3; ++block) {
        p.processReplacing(ins.pointers(), outs.pointers(), kBlock);
        FUZZ_CHECK(outs.finite());
    }
    answers.inputConnected[1] = answers.outputConnected[1] = true;
    return 0;
}

std::vector<fuzz::Bytes> fuzz::seeds() {
    // Every program's chunk and the bank, as the plug-in writes them, each with a few choices.
    vsthost::Plugin p(builtPlugin("tidemill.so"));
    std::vector<Bytes> out;
    for (int prog = 0; prog < p.numPrograms(); ++prog) {
        p.dispatch(effSetProgram, 0, prog);
        Bytes s{static_cast<uint8_t>(1 | (prog & 1) << 1 | prog << 2 | (prog & 3) << 5)};
        const Bytes chunk = p.getChunk(true);
        s.insert(s.end(), chunk.begin(), chunk.end());
        out.push_back(s);
    }
    for (uint8_t choice : {0, 2, 0x62}) {
        Bytes s{choice};
        const Bytes bank = p.getChunk(false);
        s.insert(s.end(), bank.begin(), bank.end());
        out.push_back(s);
    }
    return out;
}
