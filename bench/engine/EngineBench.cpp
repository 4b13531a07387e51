// Cost of the spectral engine per hop, of its transforms, and the real-time factor of
// build/tidemill.so (seconds of audio per CPU second) as a host would run it.
#include "engine/Fft.h"
#include "engine/SpectralEngine.h"
#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int N = SpectralEngine::kFftSize;
constexpr int H = SpectralEngine::kHopSize;

std::vector<float> noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-0.5f, 0.5f);
    std::vector<float> s(n);
    for (auto& x : s)
        x = u(rng);
    return s;
}

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// One hop (256 frames) through the engine with the default hook: arg 0 = mono, 1 = stereo.
void EngineHop(benchmark::State& state) {
    SpectralEngine engine;
    engine.readyLevel = 2;
    engine.channelMode = static_cast<int32_t>(state.range(0));
    const auto a = noise(H, 1), b = noise(H, 2);
    std::vector<float> o0(H), o1(H);
    float* ins[2] = {const_cast<float*>(a.data()), const_cast<float*>(b.data())};
    float* outs[2] = {o0.data(), o1.data()};
    for (auto _ : state) {
        engine.processAudio(ins, outs, H, true);
        benchmark::DoNotOptimize(o0.data());
        benchmark::DoNotOptimize(o1.data());
    }
    state.SetItemsProcessed(state.iterations() * H);
    state.SetLabel(state.range(0) ? "stereo" : "mono");
}
BENCHMARK(EngineHop)->Arg(0)->Arg(1);

// One forward and one inverse 1024-point transform: a channel's share of a hop.
void FftForwardInverse(benchmark::State& state) {
    FftPlan fwd(N, FftDirection::RealToComplex), inv(N, FftDirection::ComplexToReal);
    auto x = noise(N, 3);
    std::vector<float> spectrum(N), y(N);
    for (auto _ : state) {
        fwd.execute(x.data(), spectrum.data());
        inv.execute(spectrum.data(), y.data());
        benchmark::DoNotOptimize(y.data());
    }
}
BENCHMARK(FftForwardInverse);

// 60 s of stereo 44.1 kHz noise in 512-frame blocks through build/tidemill.so.
// Counters: realtime_factor = seconds of audio per CPU second; fft_share = the part of that CPU
// time the transforms account for (two each way per hop).
void TidemillRealTime(benchmark::State& state) {
    constexpr int kRate = 44100, kSeconds = 60, kBlock = 512;
    constexpr size_t kFrames = static_cast<size_t>(kRate) * kSeconds;
    vsthost::Plugin plugin(std::string(MIRELOW_BUILD_DIR) + "/tidemill.so");
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    plugin.dispatch(effSetBlockSize, 0, kBlock);
    plugin.dispatch(effMainsChanged, 0, 1);
    const auto a = noise(kFrames, 4), b = noise(kFrames, 5);
    std::vector<float> o0(kFrames), o1(kFrames);

    // The transforms' cost per stereo hop, measured alone.
    FftPlan fwd(N, FftDirection::RealToComplex), inv(N, FftDirection::ComplexToReal);
    std::vector<float> x = noise(N, 6), spectrum(N), y(N);
    constexpr int kPairs = 20000;
    const double t0 = threadCpuSeconds();
    for (int i = 0; i < kPairs; ++i) {
        fwd.execute(x.data(), spectrum.data());
        inv.execute(spectrum.data(), y.data());
        benchmark::DoNotOptimize(y.data());
    }
    const double fftPerHop = 2.0 * (threadCpuSeconds() - t0) / kPairs;

    double cpu = 0;
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        for (size_t pos = 0; pos < kFrames; pos += kBlock) {
            const auto n = static_cast<VstInt32>(std::min<size_t>(kBlock, kFrames - pos));
            float* ins[2] = {const_cast<float*>(a.data()) + pos,
                             const_cast<float*>(b.data()) + pos};
            float* outs[2] = {o0.data() + pos, o1.data() + pos};
            plugin.processReplacing(ins, outs, n);
        }
        cpu += threadCpuSeconds() - start;
        benchmark::DoNotOptimize(o1.data());
    }
    const double iterations = static_cast<double>(state.iterations());
    const double hops = static_cast<double>(kFrames) / H;
    state.counters["realtime_factor"] = kSeconds * iterations / cpu;
    state.counters["fft_share"] = hops * fftPerHop * iterations / cpu;
    state.counters["us_per_hop"] = 1e6 * cpu / (hops * iterations);
}
BENCHMARK(TidemillRealTime)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
