// 60 s of stereo through the plug-ins: the bare process calls (host buffers handed straight to
// the plug-in) against mirelow's whole-buffer render (host blocks, latency compensation) and its
// streaming render from a 16-bit WAV file to another (decoding, encoding and the I/O thread
// included: what `mirelow render` does once the plug-in is loaded). Counters: rtf = seconds of
// audio per second of wall time. Process-level figures beside ffmpeg and sox: bench/mirelow/peers.
#include "AudioFile.h"
#include "Plugin.h"
#include "Render.h"
#include "StreamRender.h"
#include "Synth.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sndfile.h>
#include <unistd.h>

namespace {

using namespace mirelow;

constexpr double kRate = 44100.0;
constexpr double kSeconds = 60.0;
constexpr int kBlock = 512;

const AudioBuffer& material() {
    static const AudioBuffer audio = [] {
        AudioBuffer a(2, static_cast<std::size_t>(kSeconds * kRate), kRate);
        synth::Noise n(3);
        for (auto& ch : a.channels) {
            synth::addNote(ch, kRate, {0.0, kSeconds, 220.0, 0.2, 8});
            synth::addNoise(ch, 0, ch.size(), 0.02, n);
        }
        return a;
    }();
    return audio;
}

// The plug-in set up as the demo uses it: a program that does real work.
std::unique_ptr<Plugin> prepared(const std::string& name) {
    auto plugin = loadPlugin(std::string(MIRELOW_BUILD_DIR) + "/" + name + ".so", kRate, 2);
    if (name == "tidemill")
        plugin->setProgram(0);
    return plugin;
}

// The plug-in ready to render, or null with the benchmark marked skipped and the reason given.
std::unique_ptr<Plugin> preparedOrSkip(benchmark::State& state, const std::string& name) {
    try {
        return prepared(name);
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

void reportRate(benchmark::State& state) {
    state.counters["rtf"] = benchmark::Counter(kSeconds * static_cast<double>(state.iterations()),
                                               benchmark::Counter::kIsRate);
}

void BM_BareProcess(benchmark::State& state, const std::string& name) {
    const std::unique_ptr<Plugin> plugin = preparedOrSkip(state, name);
    if (!plugin)
        return;
    const AudioBuffer& in = material();
    std::vector<float> out0(in.frames() + kBlock), out1(in.frames() + kBlock);
    for (auto _ : state) {
        plugin->start(kRate, kBlock, 2);
        const std::size_t frames = in.frames();
        for (std::size_t pos = 0; pos < frames; pos += kBlock) {
            const int n = static_cast<int>(std::min<std::size_t>(kBlock, frames - pos));
            float* ins[2] = {const_cast<float*>(in.channels[0].data() + pos),
                             const_cast<float*>(in.channels[1].data() + pos)};
            float* outs[2] = {out0.data() + pos, out1.data() + pos};
            plugin->process(ins, outs, n);
        }
        plugin->stop();
        benchmark::DoNotOptimize(out0.data());
    }
    reportRate(state);
}

void BM_MirelowRender(benchmark::State& state, const std::string& name) {
    const std::unique_ptr<Plugin> plugin = preparedOrSkip(state, name);
    if (!plugin)
        return;
    const AudioBuffer& in = material();
    AudioBuffer out; // like the bare loop's output, reused from one pass to the next
    for (auto _ : state) {
        render(*plugin, in, {kBlock, false}, out, [](double) {});
        benchmark::DoNotOptimize(out.channels[0].data());
    }
    reportRate(state);
}

// The material as a 16-bit WAV file, written once per run.
const std::string& materialFile() {
    static const std::string path = [] {
        const std::string p = "/tmp/mirelow-bench-" + std::to_string(getpid()) + ".wav";
        writeAudioFile(p, material(), AudioFormat{SF_FORMAT_WAV | SF_FORMAT_PCM_16});
        std::atexit([] { std::remove(materialFile().c_str()); });
        return p;
    }();
    return path;
}

void BM_MirelowStream(benchmark::State& state, const std::string& name) {
    const std::unique_ptr<Plugin> plugin = preparedOrSkip(state, name);
    if (!plugin)
        return;
    const std::string out = materialFile() + ".out.wav";
    for (auto _ : state) {
        AudioReader reader(materialFile());
        AudioWriter writer(out, reader.format(), reader.channels(), reader.sampleRate());
        renderStream(*plugin, reader, writer, {kBlock, false});
        writer.commit();
    }
    std::remove(out.c_str());
    reportRate(state);
}

BENCHMARK_CAPTURE(BM_BareProcess, tidemill, std::string("tidemill"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MirelowRender, tidemill, std::string("tidemill"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MirelowStream, tidemill, std::string("tidemill"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_BareProcess, wendle, std::string("wendle"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MirelowRender, wendle, std::string("wendle"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MirelowStream, wendle, std::string("wendle"))
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
