// The two builds of wendle side by side, as their hosts run them: build/wendle-vst.so through
// the VST host harness and build/wendle.so through the Pro Tools simulator, stereo, 512-frame
// blocks of noise at 44.1 kHz, the filter standing still or swept by the LFO on every hop.
#include <benchmark/benchmark.h>

#include "PtSim.h"
#include "tools/vsthost/VstHost.h"

#include <random>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr double kRate = 44100.0;

// Depth 1, tilt +1 dB, LFO at 3 Hz with divisor 1: the same settings in either build.
constexpr float kDepth = 0.75f, kTilt = 7.0f / 12.0f, kLfoRate = 0.3f;

struct Block {
    std::vector<std::vector<float>> in, out;
    float* ins[2];
    float* outs[2];
    Block() : in(2, std::vector<float>(kBlock)), out(in) {
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (auto& ch : in)
            for (float& s : ch)
                s = u(rng);
        for (int c = 0; c < 2; ++c) {
            ins[c] = in[c].data();
            outs[c] = out[c].data();
        }
    }
};

void countRealTime(benchmark::State& state) {
    // Seconds of audio per second of rendering.
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}

void VstBuild(benchmark::State& state) {
    const bool lfo = state.range(0) != 0;
    vsthost::Plugin p(std::string(MIRELOW_BUILD_DIR) + "/wendle-vst.so");
    p.answers().timeInfoValid = true;
    p.answers().timeInfo.tempo = 120.0;
    p.answers().timeInfo.flags = kVstTempoValid;
    p.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
    p.dispatch(effSetBlockSize, 0, kBlock);
    p.dispatch(effMainsChanged, 0, 1);
    p.setParameter(2, kDepth);
    p.setParameter(3, kTilt);
    if (lfo)
        p.setParameter(13, kLfoRate);
    Block b;
    for (auto _ : state) {
        p.processReplacing(b.ins, b.outs, kBlock);
        benchmark::DoNotOptimize(b.out[0][0]);
    }
    countRealTime(state);
}

void ProToolsBuild(benchmark::State& state) {
    const bool lfo = state.range(0) != 0;
    static ptsim::PlugIn plugin(std::string(MIRELOW_BUILD_DIR) + "/wendle.so");
    auto fx = plugin.createInstance(2, kRate);
    fx->setControlUnits("depth", 1.0);
    fx->setControlUnits("tilt", 1.0);
    fx->setControlUnits("lfo divisor", 1.0);
    if (lfo)
        fx->setControlUnits("lfo speed", 3.0);
    Block b;
    for (auto _ : state) {
        fx->render(b.ins, b.outs, kBlock, 120.0);
        benchmark::DoNotOptimize(b.out[0][0]);
    }
    countRealTime(state);
}

} // namespace

BENCHMARK(VstBuild)->ArgName("lfo")->Arg(0)->Arg(1);
BENCHMARK(ProToolsBuild)->ArgName("lfo")->Arg(0)->Arg(1);

BENCHMARK_MAIN();
