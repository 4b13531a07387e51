// wendle's editor through build/wendle.so and the simulator, drawn off screen: the host's idle
// tick (what follows the effect repaints), the tick with the whole 440 x 370 window redrawn, and
// the render cost with the editor closed and with it open and idling at 30 Hz beside the audio.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "PtSim.h"

namespace {

ptsim::PlugIn& plugin() {
    static ptsim::PlugIn p(std::string(MIRELOW_BUILD_DIR) + "/wendle.so");
    return p;
}

struct Block {
    explicit Block(int frames) : in(2, std::vector<float>(static_cast<size_t>(frames))), out(in) {
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (auto& ch : in)
            for (float& s : ch)
                s = u(rng);
        ins[0] = in[0].data(), ins[1] = in[1].data();
        outs[0] = out[0].data(), outs[1] = out[1].data();
    }
    std::vector<std::vector<float>> in, out;
    float* ins[2];
    float* outs[2];
};

std::unique_ptr<ptsim::Instance> sweepingInstance() {
    auto fx = plugin().createInstance(2, 44100.0);
    fx->setControlUnits("depth", 1.0);
    fx->setControlUnits("lfo speed", 3.0);
    fx->setControlUnits("logscale", 1.0);
    return fx;
}

void BM_EditorIdle(benchmark::State& state) {
    const bool fullRedraw = state.range(0) != 0;
    auto fx = sweepingInstance();
    fx->view();
    fx->openViewOffscreen();
    Block block(512);
    for (int i = 0; i < 100; ++i)
        fx->render(block.ins, block.outs, 512);
    const PIViewRect all{0, 0, 440, 370};
    for (auto _ : state) {
        // The audio moved on since the last tick: fresh spectra and gains.
        state.PauseTiming();
        fx->render(block.ins, block.outs, 512);
        state.ResumeTiming();
        fx->idleView();
        if (fullRedraw)
            fx->drawView(all);
    }
    fx->closeView();
}

void BM_RenderWithEditor(benchmark::State& state) {
    const bool open = state.range(0) != 0;
    auto fx = sweepingInstance();
    std::atomic<bool> running{open};
    std::thread gui;
    if (open) {
        fx->view();
        fx->openViewOffscreen();
        gui = std::thread([&] {
            while (running.load()) {
                fx->idleView();
                std::this_thread::sleep_for(std::chrono::milliseconds(33));
            }
        });
    }
    Block block(512);
    for (auto _ : state) {
        fx->render(block.ins, block.outs, 512, 120.0);
        benchmark::DoNotOptimize(block.out[0][0]);
    }
    running = false;
    if (gui.joinable())
        gui.join();
    fx->closeView();
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 512 / 44100.0, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_EditorIdle)->ArgName("full_redraw")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderWithEditor)->ArgName("editor_open")->Arg(0)->Arg(1)->UseRealTime();

BENCHMARK_MAIN();
