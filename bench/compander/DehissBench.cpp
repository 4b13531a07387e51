// Cost of the compander: the per-frame hook on its own (mono and stereo, "Noise Reduction" on
// white noise and on a loud signal near full scale), the level lookup against the plain scan, and
// the whole effect's stereo real-time factor at 44.1 kHz.
#include "compander/dehiss.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {
constexpr int kN = 1024;
constexpr int kFrames = 8;

// Halfcomplex spectra of white noise frames: `amplitude` sets the bin magnitudes.
std::vector<std::array<float, kN>> noiseSpectra(float amplitude, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> n(0.0f, amplitude);
    std::vector<std::array<float, kN>> frames(kFrames);
    for (auto& f : frames)
        for (float& x : f)
            x = n(rng);
    return frames;
}

void frameHook(benchmark::State& state, int channels, float amplitude) {
    auto fx = std::make_unique<dehiss>(nullptr);
    fx->setProgram(0); // "Noise Reduction"
    fx->channelMode = channels == 2 ? 1 : 0;
    const auto spectra = noiseSpectra(amplitude, 11);
    int i = 0;
    for (auto _ : state) {
        const auto& s = spectra[i++ % kFrames];
        std::copy(s.begin(), s.end(), fx->inSpect[0]);
        if (channels == 2)
            std::copy(s.begin(), s.end(), fx->inSpect[1]);
        fx->processSpect();
        benchmark::DoNotOptimize(fx->outSpect[0][5]);
    }
    state.counters["hops/s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}

// White noise at about -40 dB per bin (mostly below the -30 dB threshold: the gains fall and
// the law is looked up for every bin) and a loud signal near 0 dB per bin.
void BM_ProcessSpectNoiseMono(benchmark::State& s) {
    frameHook(s, 1, 0.007f);
}
void BM_ProcessSpectNoiseStereo(benchmark::State& s) {
    frameHook(s, 2, 0.007f);
}
void BM_ProcessSpectLoudMono(benchmark::State& s) {
    frameHook(s, 1, 0.7f);
}
void BM_ProcessSpectLoudStereo(benchmark::State& s) {
    frameHook(s, 2, 0.7f);
}
BENCHMARK(BM_ProcessSpectNoiseMono);
BENCHMARK(BM_ProcessSpectNoiseStereo);
BENCHMARK(BM_ProcessSpectLoudMono);
BENCHMARK(BM_ProcessSpectLoudStereo);

std::vector<float> randomLevels() {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> db(-125.0f, 5.0f);
    std::vector<float> levels(4096);
    for (float& l : levels)
        l = std::pow(10.0f, db(rng) * 0.1f);
    return levels;
}

void BM_LevelLookupFast(benchmark::State& state) {
    const compander::LevelLookup lookup;
    const auto levels = randomLevels();
    for (auto _ : state)
        for (float l : levels)
            benchmark::DoNotOptimize(lookup.find(l));
    state.SetItemsProcessed(state.iterations() * levels.size());
}
void BM_LevelLookupLinearScan(benchmark::State& state) {
    const compander::LevelLookup lookup;
    const auto levels = randomLevels();
    for (auto _ : state)
        for (float l : levels)
            benchmark::DoNotOptimize(compander::LevelLookup::findLinear(lookup.levels(), l));
    state.SetItemsProcessed(state.iterations() * levels.size());
}
// The hook's lookup: a frame's levels to their targets in one loop.
void BM_TargetLookupFrame(benchmark::State& state) {
    const compander::LevelLookup lookup;
    std::array<float, compander::kLevels + 1> gains{};
    for (int i = 0; i <= compander::kLevels; ++i)
        gains[i] = static_cast<float>(i);
    auto targets = std::make_unique<compander::TargetLookup>();
    targets->build(lookup, gains);
    const auto levels = randomLevels();
    std::vector<float> found(levels.size());
    for (auto _ : state) {
        targets->findAll(levels.data(), found.data(), static_cast<int>(levels.size()));
        benchmark::DoNotOptimize(found.data());
    }
    state.SetItemsProcessed(state.iterations() * levels.size());
}
BENCHMARK(BM_LevelLookupFast);
BENCHMARK(BM_TargetLookupFrame);
BENCHMARK(BM_LevelLookupLinearScan);

// The whole effect (engine, transforms and hook), stereo, blocks of 512 samples. The
// "x realtime" counter is seconds of 44.1 kHz audio processed per second.
void BM_WholeEffectStereoRealtime(benchmark::State& state) {
    auto fx = std::make_unique<dehiss>(nullptr);
    fx->setProgram(0);
    constexpr int kBlock = 512;
    std::mt19937 rng(3);
    std::normal_distribution<float> n(0.0f, 0.05f);
    std::vector<float> in1(kBlock * 64), in2(kBlock * 64), out1(kBlock), out2(kBlock);
    for (std::size_t i = 0; i < in1.size(); ++i) {
        in1[i] = n(rng);
        in2[i] = n(rng);
    }
    float* outs[2] = {out1.data(), out2.data()};
    std::size_t pos = 0;
    for (auto _ : state) {
        float* ins[2] = {in1.data() + pos, in2.data() + pos};
        fx->processReplacing(ins, outs, kBlock);
        pos = (pos + kBlock) % in1.size();
        benchmark::DoNotOptimize(out1[7]);
    }
    state.counters["x realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / 44100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeEffectStereoRealtime);
} // namespace
