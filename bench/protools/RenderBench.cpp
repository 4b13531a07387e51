// Rendering cost of the Pro Tools plug-in: blocks of the host's usual sizes, mono and stereo,
// with the LFO refreshing the gains on every hop (its worst case) or standing still.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "PtSim.h"

namespace {

ptsim::PlugIn& plugin() {
    static ptsim::PlugIn p(std::string(MIRELOW_BUILD_DIR) + "/wendle.so");
    return p;
}

void renderBlocks(benchmark::State& state, bool lfoMoving) {
    const int channels = static_cast<int>(state.range(0));
    const int frames = static_cast<int>(state.range(1));
    auto fx = plugin().createInstance(channels, 44100.0);
    fx->setControlUnits("depth", 1.0);
    fx->setControlUnits("tilt", 1.0);
    if (lfoMoving)
        fx->setControlUnits("lfo speed", 3.0);
    std::vector<std::vector<float>> in(2, std::vector<float>(static_cast<size_t>(frames)));
    std::vector<std::vector<float>> out = in;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    for (auto& ch : in)
        for (float& s : ch)
            s = u(rng);
    float* ins[2] = {in[0].data(), in[1].data()};
    float* outs[2] = {out[0].data(), out[1].data()};
    for (auto _ : state) {
        fx->render(ins, outs, frames, 120.0);
        benchmark::DoNotOptimize(out[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * frames);
    // Real-time factor: seconds of audio per second of rendering, at 44.1 kHz.
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * frames / 44100.0, benchmark::Counter::kIsRate);
}

void BM_RenderStaticFilter(benchmark::State& state) {
    renderBlocks(state, false);
}
void BM_RenderLfoSweeping(benchmark::State& state) {
    renderBlocks(state, true);
}

} // namespace

BENCHMARK(BM_RenderStaticFilter)->ArgsProduct({{1, 2}, {64, 512, 4096}});
BENCHMARK(BM_RenderLfoSweeping)->ArgsProduct({{1, 2}, {512}});

BENCHMARK_MAIN();
