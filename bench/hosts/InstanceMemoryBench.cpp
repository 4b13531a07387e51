// Memory per instance: 16 instances of tidemill (through the VST host) or wendle (through the
// simulator) created in one process, each having processed a block. Counters: heap bytes and
// resident bytes per instance, beyond what one loaded plug-in already holds.
#include "PtSim.h"
#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr int kInstances = 16;

double heapBytes() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

double residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * 4096.0;
}

void block(vsthost::Plugin& p) {
    std::vector<float> in(512, 0.1f), o0(512), o1(512);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {o0.data(), o1.data()};
    p.processReplacing(ins, outs, 512);
}

void block(ptsim::Instance& x) {
    std::vector<float> in(512, 0.1f), o0(512), o1(512);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {o0.data(), o1.data()};
    x.render(ins, outs, 512);
}

template <class Make> void measure(benchmark::State& state, Make make) {
    double heap = 0, resident = 0;
    for (auto _ : state) {
        auto first = make(); // the library, its statics and the FFT planner
        const double h0 = heapBytes(), r0 = residentBytes();
        std::vector<decltype(first)> more;
        for (int i = 0; i < kInstances; ++i)
            more.push_back(make());
        heap = (heapBytes() - h0) / kInstances;
        resident = (residentBytes() - r0) / kInstances;
    }
    state.counters["heap_bytes_per_instance"] = heap;
    state.counters["resident_bytes_per_instance"] = resident;
}

void TidemillInstanceMemory(benchmark::State& state) {
    measure(state, [] {
        auto p = std::make_unique<vsthost::Plugin>(std::string(MIRELOW_BUILD_DIR) + "/tidemill.so");
        p->dispatch(effMainsChanged, 0, 1);
        block(*p);
        return p;
    });
}
BENCHMARK(TidemillInstanceMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void WendleInstanceMemory(benchmark::State& state) {
    static ptsim::PlugIn plugin(std::string(MIRELOW_BUILD_DIR) + "/wendle.so");
    measure(state, [] {
        auto x = plugin.createInstance(2, 44100.0);
        block(*x);
        return x;
    });
}
BENCHMARK(WendleInstanceMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
