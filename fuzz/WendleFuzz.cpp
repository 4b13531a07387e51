// wendle.so through the simulator's routine table: the bytes choose chunk records (with each
// chunk ID the plug-in declares, and others), control changes with any 32-bit value, renders of
// any frame count at any tempo, and saves and restores.
// Holds: an accepted curve reads back bit for bit and accepted controls as the controls hold
// them, a refused record changes no chunk; a saved state
// restores and saves again to the same bytes; every render's output is finite.
#include "FuzzSupport.h"
#include "PtSim.h"

#include <cmath>
#include <limits>

namespace {
struct Fixture {
    ptsim::PlugIn plugin{fuzz::builtPlugin("wendle.so")};
    std::unique_ptr<ptsim::Instance> instances[2];
    ptsim::SessionState initial[2];
    Fixture() {
        instances[0] = plugin.createInstance(2, 44100.0);
        instances[1] = plugin.createInstance(1, 48000.0);
        for (int i = 0; i < 2; ++i)
            initial[i] = instances[i]->saveState();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

bool sameChunks(const ptsim::SessionState& a, const ptsim::SessionState& b) {
    if (a.chunks.size() != b.chunks.size())
        return false;
    for (size_t i = 0; i < a.chunks.size(); ++i)
        if (a.chunks[i].id != b.chunks[i].id || a.chunks[i].record != b.chunks[i].record)
            return false;
    return true;
}

// An accepted record: the header is the plug-in's to fill in. A curve's data reads back bit for
// bit; control values read back as the controls hold them (snapped to their steps), and that
// record, set again, reads back unchanged.
void checkAccepted(ptsim::Instance& x, PIFourCC id, const fuzz::Bytes& b) {
    const fuzz::Bytes back = x.chunk(id);
    const size_t header = sizeof(PIChunkHeader);
    if (id != x.chunks().front().id) {
        // The record's own size counts; bytes the host hands in beyond it are not read.
        FUZZ_CHECK(back.size() <= b.size());
        FUZZ_CHECK(std::equal(back.begin() + header, back.end(), b.begin() + header));
    }
    FUZZ_CHECK(x.setChunk(id, back.data(), back.size()) == kPINoErr);
    FUZZ_CHECK(x.chunk(id) == back);
}

void render(fuzz::Input& in, ptsim::Instance& x) {
    size_t frames;
    switch (in.u8() % 6) {
    case 0:
        frames = 0;
        break;
    case 1:
        frames = 1;
        break;
    case 2:
        frames = 4096;
        break;
    default:
        frames = in.u16() % 9000;
        break;
    }
    fuzz::AudioBuffers ins(x.channels(), frames), outs(x.channels(), frames);
    fuzz::fillSignal(ins, in.u8(), in.u8());
    const double tempos[] = {120.0, 0.0, -60.0, NAN, 1e9, 999.0, 20.0};
    const uint8_t t = in.u8();
    const double bpm = t < 7 ? tempos[t] : t;
    x.setTempoLevel(in.u8() & 1 ? 2 : 0);
    x.render(ins.pointers(), outs.pointers(), static_cast<int32_t>(frames), bpm);
    FUZZ_CHECK(outs.finite());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    fuzz::Input in(data, size);
    const int which = in.u8() & 1;
    ptsim::Instance& x = *f.instances[which];
    FUZZ_CHECK(x.restoreState(f.initial[which]) == kPINoErr);
    const auto chunks = x.chunks();
    FUZZ_CHECK(!chunks.empty());
    for (int calls = 0; calls < 32 && !in.empty(); ++calls) {
        switch (in.u8() % 6) {
        case 0: { // a record of any bytes for a declared chunk, in a buffer of exactly its size
            const PIFourCC id = chunks[in.u8() % chunks.size()].id;
            const fuzz::Bytes b = in.take(in.u16());
            std::unique_ptr<uint8_t[]> record(new uint8_t[b.size()]);
            std::copy(b.begin(), b.end(), record.get());
            const ptsim::SessionState before = x.saveState();
            if (x.setChunk(id, record.get(), b.size()) == kPINoErr)
                checkAccepted(x, id, b);
            else
                FUZZ_CHECK(sameChunks(x.saveState(), before));
            break;
        }
        case 1: { // a chunk ID the plug-in does not declare
            const PIFourCC id = static_cast<PIFourCC>(in.u32());
            const fuzz::Bytes b = in.take(in.u8());
            bool declared = false;
            for (const auto& c : chunks)
                declared |= c.id == id;
            if (!declared)
                FUZZ_CHECK(x.setChunk(id, b.data(), b.size()) != kPINoErr);
            break;
        }
        case 2: {
            const int index = in.u8() % (static_cast<int>(x.controls().size()) + 3) - 1;
            x.setControl(index, in.i32());
            if (index >= 1 && index <= static_cast<int>(x.controls().size())) {
                const float v = x.algorithmValue(index);
                FUZZ_CHECK(std::isfinite(v));
            }
            break;
        }
        case 3: {
            const ptsim::SessionState saved = x.saveState();
            FUZZ_CHECK(x.restoreState(saved) == kPINoErr);
            FUZZ_CHECK(sameChunks(x.saveState(), saved));
            break;
        }
        default:
            render(in, x);
            break;
        }
    }
    return 0;
}

std::vector<fuzz::Bytes> fuzz::seeds() {
    // For each instance kind and chunk: the chunk as the plug-in writes it, set back, then a
    // render, a control change and a save and restore.
    ptsim::PlugIn plugin(builtPlugin("wendle.so"));
    std::vector<Bytes> out;
    for (int channels : {2, 1}) {
        auto x = plugin.createInstance(channels, 44100.0);
        const auto chunks = x->chunks();
        for (size_t c = 0; c < chunks.size(); ++c) {
            const Bytes record = x->chunk(chunks[c].id);
            Bytes s{static_cast<uint8_t>(channels == 2 ? 0 : 1), 0, static_cast<uint8_t>(c),
                    static_cast<uint8_t>(record.size()), static_cast<uint8_t>(record.size() >> 8)};
            s.insert(s.end(), record.begin(), record.end());
            // render 512 frames; set control 4 to 0x40302010; save and restore; render 4096
            s.insert(s.end(),
                     {4, 3, 0, 2, 0, 1, 0, 1, 2, 5, 0x10, 0x20, 0x30, 0x40, 3, 4, 2, 3, 9, 0, 1});
            out.push_back(s);
        }
    }
    return out;
}
