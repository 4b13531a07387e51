// Cost of the wendle effect per hop: the frame hook alone and the whole process call (engine
// transforms included), mono and stereo, with the LFO stopped and running (a gain rebuild every
// hop). The "realtime" counter is seconds of 44.1 kHz audio processed per second.
#include "wendle/wendle.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace wendlefx;

namespace {

constexpr int kHop = 256;

std::unique_ptr<wendle> makeEffect(bool stereo, bool lfo) {
    auto fx = std::make_unique<wendle>(nullptr);
    fx->channelMode = stereo ? 1 : 0;
    fx->setParameter(kParamTilt, 0.7f);
    fx->setParameter(kParamDepth, 0.9f);
    if (lfo)
        fx->setParameter(kParamLfoRate, 0.3f); // 3 Hz: the position moves every hop
    // A learned, non-flat shape in filter one.
    fx->setParameter(kParamFilterNumber, 1.0f);
    std::vector<float> shape(kBins);
    for (int k = 0; k < kBins; ++k)
        shape[k] = 0.5f + 0.4f * std::sin(0.05f * k);
    fx->setSelectedLinearCurve(0, shape.data());
    if (lfo)
        fx->setParameter(kParamLfoRate, 0.3f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kFftSize; ++i)
            fx->inSpect[c][i] = 0.01f * static_cast<float>((i * 37) % 101);
    return fx;
}

void frameHook(benchmark::State& state) {
    const bool stereo = state.range(0) != 0;
    const bool lfo = state.range(1) != 0;
    auto fx = makeEffect(stereo, lfo);
    for (auto _ : state) {
        fx->processSpect();
        benchmark::DoNotOptimize(fx->outSpect[0][10]);
    }
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kHop / 44100.0, benchmark::Counter::kIsRate);
}

void processHop(benchmark::State& state) {
    const bool stereo = state.range(0) != 0;
    const bool lfo = state.range(1) != 0;
    auto fx = makeEffect(stereo, lfo);
    std::vector<float> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        in[c].resize(kHop);
        out[c].resize(kHop);
        for (int i = 0; i < kHop; ++i)
            in[c][i] = 0.3f * std::sin(0.07f * static_cast<float>(i * (c + 1)));
    }
    float* ins[2] = {in[0].data(), in[1].data()};
    float* outs[2] = {out[0].data(), out[1].data()};
    for (auto _ : state) {
        fx->processReplacing(ins, outs, kHop);
        benchmark::DoNotOptimize(out[0][5]);
    }
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kHop / 44100.0, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(frameHook)->ArgNames({"stereo", "lfo"})->ArgsProduct({{0, 1}, {0, 1}});
BENCHMARK(processHop)->ArgNames({"stereo", "lfo"})->ArgsProduct({{0, 1}, {0, 1}});

BENCHMARK_MAIN();
