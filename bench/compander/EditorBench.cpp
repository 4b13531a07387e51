// tidemill's editor drawn off screen: one host idle tick with the whole 445 × 370 window
// repainted (display, knobs, buttons, meter), and the audio thread's block cost with the editor
// closed and with it open and idling at 30 Hz on a GUI thread beside the audio.
#include "compander/dehiss.h"
#include "compander/dehisseditor.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int kBlock = 512;

struct Block {
    Block() : in(2, std::vector<float>(kBlock)), out(in) {
        std::mt19937 rng(1);
        std::normal_distribution<float> n(0.f, 0.1f);
        for (auto& ch : in)
            for (float& s : ch)
                s = n(rng);
        ins[0] = in[0].data(), ins[1] = in[1].data();
        outs[0] = out[0].data(), outs[1] = out[1].data();
    }
    std::vector<std::vector<float>> in, out;
    float* ins[2];
    float* outs[2];
};

// "Noise Reduction" with a shape learned from the noise and a log axis: every part of the window
// has something to draw.
std::unique_ptr<dehiss> busyEffect(Block& block) {
    auto fx = std::make_unique<dehiss>(nullptr);
    fx->setProgram(0);
    fx->setParameter(compander::kLearnAverage, 1.0f);
    for (int i = 0; i < 100; ++i)
        fx->processReplacing(block.ins, block.outs, kBlock);
    fx->setParameter(compander::kLearnAverage, 0.0f);
    fx->setParameter(compander::kLogScale, 1.0f);
    return fx;
}

dehisseditor& editorOf(dehiss& fx) {
    return *static_cast<dehisseditor*>(fx.getEditor());
}

void BM_EditorIdleFullRepaint(benchmark::State& state) {
    Block block;
    auto fx = busyEffect(block);
    dehisseditor& editor = editorOf(*fx);
    editor.openHeadless();
    for (auto _ : state) {
        // The audio moved on since the last tick: fresh spectra and meter.
        state.PauseTiming();
        fx->processReplacing(block.ins, block.outs, kBlock);
        editor.getFrame()->invalidate(CRect(0, 0, dehisseditor::kWidth, dehisseditor::kHeight));
        state.ResumeTiming();
        editor.idle();
    }
    editor.close();
}

void BM_AudioBlockWithEditor(benchmark::State& state) {
    const bool open = state.range(0) != 0;
    Block block;
    auto fx = busyEffect(block);
    std::atomic<bool> running{open};
    std::atomic<bool> opened{!open};
    std::thread gui;
    if (open) {
        gui = std::thread([&] {
            dehisseditor& editor = editorOf(*fx);
            editor.openHeadless(); // the window lives on its own thread
            opened = true;
            while (running.load()) {
                editor.idle();
                std::this_thread::sleep_for(std::chrono::milliseconds(33));
            }
            editor.close();
        });
    }
    while (!opened.load())
        std::this_thread::yield();
    for (auto _ : state) {
        fx->processReplacing(block.ins, block.outs, kBlock);
        benchmark::DoNotOptimize(block.out[0][0]);
    }
    running = false;
    if (gui.joinable())
        gui.join();
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / 44100.0, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_EditorIdleFullRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioBlockWithEditor)
    ->ArgName("editor_open")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
