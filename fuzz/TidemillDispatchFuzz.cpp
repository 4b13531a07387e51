// tidemill.so driven by a sequence of host calls that the bytes choose: opcodes with indexes and
// values, pointers to buffers of exactly the size the interface gives them, parameters (NaN,
// infinities and values outside 0 ... 1 included), block sizes (0, 1, 4096 and above the
// announced maximum) and sample rates (0, negative, NaN, 8 kHz, 384 kHz).
// Holds: no access outside what the host handed in (the address checker watches every buffer),
// texts end within their buffers, parameters read back finite, every block's output is finite.
#include "FuzzSupport.h"
#include "tools/vsthost/VstHost.h"

#include <cmath>
#include <limits>

namespace {
constexpr size_t kParamText = 24; // the room the plug-in assumes in the host's buffers

struct Fixture {
    vsthost::Plugin plugin{fuzz::builtPlugin("tidemill.so")};
    fuzz::Bytes initialBank;
    VstInt32 announcedBlock = 512;
    Fixture() { initialBank = plugin.getChunk(false); }
    void reset() {
        plugin.setChunk(initialBank, false);
        plugin.dispatch(effSetBypass, 0, 0);
        plugin.dispatch(effMainsChanged, 0, 0);
        plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
        plugin.dispatch(effSetBlockSize, 0, 512);
        plugin.dispatch(effMainsChanged, 0, 1);
        announcedBlock = 512;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

float chooseValue(fuzz::Input& in) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float table[] = {0.f, 1.f, 0.5f, -0.f, -1.f, 2.f, 1e30f, -1e30f, NAN, inf, -inf, 1e-42f};
    const uint8_t k = in.u8();
    return k < sizeof table / sizeof *table ? table[k] : in.f32();
}

float chooseRate(fuzz::Input& in) {
    const float table[] = {44100.f,  48000.f,  96000.f,
                           8000.f,   384000.f, 0.f,
                           -44100.f, NAN,      std::numeric_limits<float>::infinity(),
                           1.f,      1e9f};
    const uint8_t k = in.u8();
    return k < sizeof table / sizeof *table ? table[k] : in.f32();
}

VstInt32 chooseIndex(fuzz::Input& in) {
    const uint8_t k = in.u8();
    if (k < 200)
        return k % 16 - 2; // around the real range, a little below and above
    const VstInt32 table[] = {std::numeric_limits<VstInt32>::min(),
                              std::numeric_limits<VstInt32>::max(), -1000, 1000};
    return k < 204 ? table[k - 200] : in.i32();
}

size_t chooseFrames(fuzz::Input& in, VstInt32 announced) {
    const uint8_t k = in.u8();
    switch (k % 8) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return 4096;
    case 3:
        return static_cast<size_t>(announced > 0 ? announced : 0) + 1 + in.u8();
    case 4:
        return 256;
    default:
        return in.u16() % 6000;
    }
}

void checkText(vsthost::Plugin& p, VstInt32 op, VstInt32 index, size_t bytes) {
    fuzz::TextBuffer text(bytes);
    p.dispatch(op, index, 0, text.data());
    // A parameter that does not exist may leave the host's buffer as it was.
    const bool perParameter =
        op == effGetParamLabel || op == effGetParamDisplay || op == effGetParamName;
    const bool noSuchParameter = perParameter && (index < 0 || index >= p.numParams());
    FUZZ_CHECK(text.terminated() || (noSuchParameter && text.untouched()));
}

void processBlock(fuzz::Input& in, vsthost::Plugin& p, VstInt32 announced, bool accumulate) {
    const size_t frames = chooseFrames(in, announced);
    fuzz::AudioBuffers ins(2, frames), outs(2, frames);
    fuzz::fillSignal(ins, in.u8(), in.u8());
    const auto n = static_cast<VstInt32>(frames);
    if (accumulate)
        p.process(ins.pointers(), outs.pointers(), n);
    else
        p.processReplacing(ins.pointers(), outs.pointers(), n);
    FUZZ_CHECK(outs.finite());
}

void dispatchOne(fuzz::Input& in, Fixture& f) {
    vsthost::Plugin& p = f.plugin;
    const VstInt32 index = chooseIndex(in);
    switch (in.u8() % 24) {
    case 0:
        p.dispatch(effSetProgram, 0, chooseIndex(in));
        FUZZ_CHECK(p.dispatch(effGetProgram) >= 0 && p.dispatch(effGetProgram) < p.numPrograms());
        break;
    case 1: { // a name of any bytes, terminated within the 24 bytes the interface allows
        fuzz::TextBuffer name(kVstMaxProgNameLen);
        const fuzz::Bytes b = in.take(kVstMaxProgNameLen - 1);
        if (!b.empty())
            std::memcpy(name.data(), b.data(), b.size());
        name.data()[b.size()] = 0;
        p.dispatch(effSetProgramName, 0, 0, name.data());
        checkText(p, effGetProgramName, 0, kVstMaxProgNameLen);
        break;
    }
    case 2:
        checkText(p, effGetProgramName, 0, kVstMaxProgNameLen);
        break;
    case 3:
        checkText(p, effGetParamLabel, index, kParamText);
        checkText(p, effGetParamDisplay, index, kParamText);
        checkText(p, effGetParamName, index, kParamText);
        break;
    case 4:
        p.dispatch(effSetSampleRate, 0, 0, nullptr, chooseRate(in));
        break;
    case 5:
        f.announcedBlock = static_cast<VstInt32>(chooseFrames(in, f.announcedBlock));
        if (in.u8() & 1)
            f.announcedBlock = -f.announcedBlock;
        p.dispatch(effSetBlockSize, 0, f.announcedBlock);
        break;
    case 6:
        p.dispatch(effMainsChanged, 0, in.u8() & 1);
        break;
    case 7: {
        void* data = nullptr;
        const VstIntPtr n = p.dispatch(effGetChunk, in.u8() & 1, 0, &data);
        FUZZ_CHECK(n > 0 && data);
        fuzz::Bytes copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
        // Handing the plug-in its own memory back must work too.
        FUZZ_CHECK(p.dispatch(effSetChunk, in.u8() & 1, n, data) >= 0);
        break;
    }
    case 8: {
        const fuzz::Bytes b = in.take(in.u16());
        std::unique_ptr<uint8_t[]> chunk(new uint8_t[b.size()]);
        std::copy(b.begin(), b.end(), chunk.get());
        p.dispatch(effSetChunk, in.u8() & 1, static_cast<VstIntPtr>(b.size()), chunk.get());
        break;
    }
    case 9: { // MIDI: a list of events, some null, some not MIDI, with any bytes
        const int count = in.u8() % 6;
        std::vector<std::unique_ptr<VstMidiEvent>> events;
        std::unique_ptr<char[]> list(new char[sizeof(VstEvents) + count * sizeof(VstEvent*)]);
        auto* e = reinterpret_cast<VstEvents*>(list.get());
        e->numEvents = count;
        e->reserved = 0;
        VstEvent** slots = e->events; // declared with two entries, really numEvents
        for (int i = 0; i < count; ++i) {
            const uint8_t kind = in.u8();
            if (kind % 5 == 0) {
                slots[i] = nullptr;
                continue;
            }
            events.emplace_back(new VstMidiEvent{});
            VstMidiEvent& m = *events.back();
            m.type = kind % 5 == 1 ? kVstSysExType : kVstMidiType;
            m.byteSize = sizeof(VstMidiEvent);
            m.deltaFrames = in.u8();
            m.midiData[0] = static_cast<char>(in.u8() | 0x80);
            m.midiData[1] = static_cast<char>(in.u8());
            m.midiData[2] = static_cast<char>(in.u8());
            slots[i] = reinterpret_cast<VstEvent*>(&m);
        }
        p.dispatch(effProcessEvents, 0, 0, e);
        break;
    }
    case 10:
        p.dispatch(effCanBeAutomated, index);
        break;
    case 11:
    case 12: {
        std::unique_ptr<VstPinProperties> pin(new VstPinProperties);
        std::memset(pin.get(), 0x55, sizeof *pin);
        if (p.dispatch(in.u8() & 1 ? effGetInputProperties : effGetOutputProperties, index, 0,
                       pin.get())) {
            FUZZ_CHECK(std::memchr(pin->label, 0, sizeof pin->label));
        }
        break;
    }
    case 13: {
        std::unique_ptr<VstSpeakerArrangement*[]> slots(new VstSpeakerArrangement*[2]);
        p.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&slots[0]), &slots[1]);
        break;
    }
    case 14:
        f.announcedBlock = static_cast<VstInt32>(chooseFrames(in, f.announcedBlock));
        p.dispatch(effSetBlockSizeAndSampleRate, 0, f.announcedBlock, nullptr, chooseRate(in));
        break;
    case 15:
        p.dispatch(effSetBypass, 0, in.u8() & 1);
        break;
    case 16:
        checkText(p, effGetEffectName, 0, kVstMaxEffectNameLen);
        checkText(p, effGetVendorString, 0, kVstMaxVendorStrLen);
        checkText(p, effGetProductString, 0, kVstMaxProductStrLen);
        break;
    case 17: {
        const fuzz::Bytes b = in.take(in.u8() % 40);
        std::unique_ptr<char[]> text(new char[b.size() + 1]);
        if (!b.empty())
            std::memcpy(text.get(), b.data(), b.size());
        text[b.size()] = 0;
        p.dispatch(effCanDo, 0, 0, text.get());
        break;
    }
    case 18: { // the opcodes that take no pointer, any index and value
        const VstInt32 ops[] = {effIdentify,
                                effGetVendorVersion,
                                effGetTailSize,
                                effKeysRequired,
                                effGetVstVersion,
                                effGetPlugCategory,
                                effGetCurrentMidiProgram,
                                effSetTotalSampleToProcess,
                                effGetNumProgramCategories,
                                effConnectInput,
                                effConnectOutput,
                                effStartProcess,
                                effStopProcess,
                                effGetProgram};
        p.dispatch(ops[in.u8() % (sizeof ops / sizeof *ops)], index, in.i32());
        break;
    }
    case 19:
        p.setParameter(index, chooseValue(in));
        break;
    case 20:
        if (index >= 0 && index < p.numParams()) {
            const float v = p.getParameter(index);
            FUZZ_CHECK(fuzz::allFinite(&v, 1));
        }
        break;
    case 21:
        processBlock(in, p, f.announcedBlock, true);
        break;
    default:
        processBlock(in, p, f.announcedBlock, false);
        break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    f.reset();
    fuzz::Input in(data, size);
    for (int calls = 0; calls < 64 && !in.empty(); ++calls)
        dispatchOne(in, f);
    // Whatever happened, the next block is finite.
    fuzz::AudioBuffers ins(2, 300), outs(2, 300);
    fuzz::fillSignal(ins, 0, 3);
    f.plugin.processReplacing(ins.pointers(), outs.pointers(), 300);
    FUZZ_CHECK(outs.finite());
    return 0;
}

std::vector<fuzz::Bytes> fuzz::seeds() {
    // Sequences a host makes (load, automate, save and restore, render), and random ones.
    std::vector<Bytes> out = {
        {0, 4, 0, 0, 5, 4, 0, 6, 1, 0, 22, 4, 0, 9, 0, 22, 2, 0},
        {3, 3, 1, 3, 0, 0, 5, 2, 0, 0, 0, 7, 1, 1, 0, 22, 5, 3, 1},
        {4, 19, 2, 0, 19, 9, 0, 20, 0, 22, 4, 3, 7, 0, 21, 1, 0, 0},
        {0, 9, 3, 1, 0xb0, 7, 100, 2, 0xb0, 75, 10, 3, 0xb0, 72, 127, 0, 22, 6, 0, 0},
        {0, 14, 2, 4, 0, 22, 3, 9, 1, 0, 15, 1, 0, 22, 7, 0, 0},
    };
    vsthost::Plugin p(builtPlugin("tidemill.so"));
    const Bytes bank = p.getChunk(false);
    Bytes withBank = {0, 8, static_cast<uint8_t>(bank.size()),
                      static_cast<uint8_t>(bank.size() >> 8)};
    withBank.insert(withBank.end(), bank.begin(), bank.end());
    withBank.insert(withBank.end(), {0, 0, 22, 4, 0, 0});
    out.push_back(withBank);
    uint32_t x = 1;
    for (int s = 0; s < 8; ++s) {
        Bytes r(96);
        for (auto& b : r)
            b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
        out.push_back(r);
    }
    return out;
}
