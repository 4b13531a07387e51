// The simulator's session reader with arbitrary file bytes, and what it reads restored into a
// wendle instance.
// Holds: bytes are refused with the reader's own error or decoded; a decoded session encodes
// back to exactly the bytes read; restoring it is accepted or refused, and a render after it is
// finite either way.
#include "FuzzSupport.h"
#include "PtSim.h"

namespace {
struct Fixture {
    ptsim::PlugIn plugin{fuzz::builtPlugin("wendle.so")};
    std::unique_ptr<ptsim::Instance> instance = plugin.createInstance(2, 44100.0);
    ptsim::SessionState initial = instance->saveState();
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture f;
    ptsim::SessionState s;
    try {
        s = ptsim::decodeSession(fuzz::Bytes(data, data + size));
    } catch (const ptsim::Error& e) {
        FUZZ_CHECK(e.what()[0] != 0);
        return 0;
    }
    FUZZ_CHECK(ptsim::encodeSession(s) == fuzz::Bytes(data, data + size));
    FUZZ_CHECK(f.instance->restoreState(f.initial) == kPINoErr);
    f.instance->restoreState(s);
    fuzz::AudioBuffers ins(2, 700), outs(2, 700);
    fuzz::fillSignal(ins, 0, 5);
    f.instance->render(ins.pointers(), outs.pointers(), 700);
    FUZZ_CHECK(outs.finite());
    return 0;
}

std::vector<fuzz::Bytes> fuzz::seeds() {
    // Sessions the simulator saves from wendle: stereo and mono, as created and with controls
    // moved.
    ptsim::PlugIn plugin(builtPlugin("wendle.so"));
    std::vector<Bytes> out;
    for (int channels : {2, 1}) {
        auto x = plugin.createInstance(channels, 44100.0);
        out.push_back(ptsim::encodeSession(x->saveState()));
        for (int i = 1; i <= static_cast<int>(x->controls().size()); ++i)
            x->setControlNormalised(i, 0.25 + 0.05 * i);
        out.push_back(ptsim::encodeSession(x->saveState()));
    }
    return out;
}
