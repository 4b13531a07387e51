// Cost of the spectral engine per hop, of its transforms, and the real-time factor of
// build/tidemill.so (seconds of audio per CPU second) as a host would run it.
#include "engine/Fft.h"
#include "engine/SpectralEngine.h"
#include "tools/vsthost/VstHost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fftw3.h>
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

// A buffer aligned and sized as the engine's are, so that the transforms take the same path.
struct AlignedBuffer {
    float* data;
    explicit AlignedBuffer(const std::vector<float>& init)
        : data(static_cast<float*>(fftwf_malloc(sizeof(float) * SpectralEngine::kBufferFloats))) {
        std::copy(init.begin(), init.end(), data);
    }
    ~AlignedBuffer() { fftwf_free(data); }
};

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
    // Seconds of 44.1 kHz audio per CPU second.
    state.counters["realtime_factor"] =
        benchmark::Counter(H / 44100.0, benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(state.range(0) ? "stereo" : "mono");
}
BENCHMARK(EngineHop)->Arg(0)->Arg(1);

// One 512-frame stereo block through build/tidemill.so (default program) by the kind of input:
// 0 = noise, 1 = denormals (1e-42, which the engine's flush-to-zero mode reads as zero), 2 = noise
// with a NaN every 64 samples (taken as silence at the engine's input). Each should cost the same.
void TidemillBlockByInput(benchmark::State& state) {
    constexpr int kBlock = 512;
    vsthost::Plugin plugin(std::string(MIRELOW_BUILD_DIR) + "/tidemill.so");
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
    plugin.dispatch(effSetBlockSize, 0, kBlock);
    plugin.dispatch(effMainsChanged, 0, 1);
    auto a = noise(kBlock, 7), b = noise(kBlock, 8);
    const int kind = static_cast<int>(state.range(0));
    for (int i = 0; i < kBlock; ++i) {
        if (kind == 1)
            a[i] = b[i] = (i & 1) ? 1e-42f : -1e-42f;
        else if (kind == 2 && i % 64 == 0)
            a[i] = b[i] = NAN;
    }
    std::vector<float> o0(kBlock), o1(kBlock);
    float* ins[2] = {a.data(), b.data()};
    float* outs[2] = {o0.data(), o1.data()};
    for (auto _ : state) {
        plugin.processReplacing(ins, outs, kBlock);
        benchmark::DoNotOptimize(o1.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.SetLabel(kind == 0 ? "noise" : kind == 1 ? "denormal" : "noise+NaN");
}
BENCHMARK(TidemillBlockByInput)->Arg(0)->Arg(1)->Arg(2);

// One forward and one inverse 1024-point transform, halfcomplex in and out: a channel's share
// of a hop.
void FftForwardInverse(benchmark::State& state) {
    FftPlan fwd(N, FftDirection::RealToComplex), inv(N, FftDirection::ComplexToReal);
    AlignedBuffer x(noise(N, 3)), spectrum({}), y({});
    for (auto _ : state) {
        fwd.execute(x.data, spectrum.data);
        inv.execute(spectrum.data, y.data);
        benchmark::DoNotOptimize(y.data);
    }
}
BENCHMARK(FftForwardInverse);

// The same pair as FFTW computes it, without the halfcomplex repacking.
void FftwRawPair(benchmark::State& state) {
    float* x = fftwf_alloc_real(N);
    float* y = fftwf_alloc_real(N);
    fftwf_complex* bins = fftwf_alloc_complex(N / 2 + 1);
    const auto init = noise(N, 3);
    std::copy(init.begin(), init.end(), x);
    fftwf_plan fwd = fftwf_plan_dft_r2c_1d(N, x, bins, FFTW_ESTIMATE);
    fftwf_plan inv = fftwf_plan_dft_c2r_1d(N, bins, y, FFTW_ESTIMATE);
    for (auto _ : state) {
        fftwf_execute(fwd);
        fftwf_execute(inv);
        benchmark::DoNotOptimize(y);
    }
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(inv);
    fftwf_free(x);
    fftwf_free(y);
    fftwf_free(bins);
}
BENCHMARK(FftwRawPair);

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
    AlignedBuffer x(noise(N, 6)), spectrum({}), y({});
    constexpr int kPairs = 20000;
    const double t0 = threadCpuSeconds();
    for (int i = 0; i < kPairs; ++i) {
        fwd.execute(x.data, spectrum.data);
        inv.execute(spectrum.data, y.data);
        benchmark::DoNotOptimize(y.data);
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
