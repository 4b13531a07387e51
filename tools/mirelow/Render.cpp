// Block rendering with latency compensation.
#include "Render.h"

#include "Error.h"

#include <algorithm>

namespace mirelow {
namespace {

// Host-side buffers: one per plug-in pin, at least two so that mono material can be fed to both
// inputs of a stereo plug-in.
struct PinBuffers {
    PinBuffers(int numIns, int numOuts, int block)
        : in(static_cast<std::size_t>(std::max(numIns, 2)),
             std::vector<float>(static_cast<std::size_t>(block))),
          out(static_cast<std::size_t>(std::max(numOuts, 2)),
              std::vector<float>(static_cast<std::size_t>(block))) {
        for (auto& b : in)
            inPtr.push_back(b.data());
        for (auto& b : out)
            outPtr.push_back(b.data());
    }

    // Points the inputs at `n` frames of `src` from `pos`: straight into `src` where it has them
    // (the plug-in only reads its inputs), else a copy padded with silence. Mono goes to the
    // first two inputs; pins beyond the second get silence.
    void load(const AudioBuffer& src, std::size_t pos, int n) {
        const std::size_t frames = src.frames();
        const int chans = src.numChannels();
        for (std::size_t pin = 0; pin < in.size(); ++pin) {
            float* own = in[pin].data();
            inPtr[pin] = own;
            if (pin >= 2 || chans == 0) {
                std::fill(own, own + n, 0.0f);
                continue;
            }
            const auto& ch =
                src.channels[std::min<std::size_t>(pin, static_cast<std::size_t>(chans - 1))];
            if (pos + static_cast<std::size_t>(n) <= frames) {
                inPtr[pin] = const_cast<float*>(ch.data() + pos);
                continue;
            }
            const std::size_t avail = pos < frames ? frames - pos : 0;
            std::copy_n(ch.begin() + static_cast<std::ptrdiff_t>(std::min(pos, frames)), avail,
                        own);
            std::fill(own + avail, own + n, 0.0f);
        }
        for (auto& b : out)
            std::fill(b.begin(), b.begin() + n, 0.0f);
    }

    std::vector<std::vector<float>> in, out;
    std::vector<float*> inPtr, outPtr;
};

void checkBlock(int blockSize) {
    if (blockSize < 1)
        throw Error("block size must be at least 1");
}

// A learn file is fitted to the layout of the render: mono material is used for both channels,
// stereo material is mixed down for a mono render.
AudioBuffer fitChannels(const AudioBuffer& input, int channels) {
    if (input.numChannels() == channels)
        return input;
    if (input.numChannels() == 1 && channels == 2) {
        AudioBuffer out = input;
        out.channels.push_back(out.channels.front());
        return out;
    }
    if (input.numChannels() == 2 && channels == 1) {
        AudioBuffer out(1, input.frames(), input.sampleRate);
        for (std::size_t i = 0; i < input.frames(); ++i)
            out.channels[0][i] = 0.5f * (input.channels[0][i] + input.channels[1][i]);
        return out;
    }
    throw Error("a " + std::to_string(input.numChannels()) + "-channel file cannot drive a " +
                std::to_string(channels) + "-channel render");
}

} // namespace

void checkChannels(Plugin& plugin, int channels) {
    if (channels < 1)
        throw Error("the audio has no channels");
    const int most = plugin.maxChannels();
    if (channels > most)
        throw Error("the audio has " + std::to_string(channels) + " channels; " +
                    plugin.effectName() + " takes at most " + std::to_string(most));
}

AudioBuffer render(Plugin& plugin, const AudioBuffer& input, const RenderSettings& settings,
                   const ProgressFn& progress, RenderStats* stats) {
    AudioBuffer output;
    render(plugin, input, settings, output, progress, stats);
    return output;
}

void render(Plugin& plugin, const AudioBuffer& input, const RenderSettings& settings,
            AudioBuffer& output, const ProgressFn& progress, RenderStats* stats) {
    checkBlock(settings.blockSize);
    const int channels = input.numChannels();
    checkChannels(plugin, channels);

    plugin.start(input.sampleRate, settings.blockSize, channels);
    const int latency = std::max(0, plugin.latency());
    const std::size_t frames = input.frames();
    const std::size_t total = frames + static_cast<std::size_t>(latency);
    const std::size_t skip = settings.keepLatency ? 0 : static_cast<std::size_t>(latency);
    // Filled by appending: the pages are touched once, by the samples themselves.
    output.sampleRate = input.sampleRate;
    output.channels.resize(static_cast<std::size_t>(channels));
    for (auto& ch : output.channels) {
        ch.clear();
        ch.reserve(total - skip);
    }

    PinBuffers pins(plugin.numInputs(), plugin.numOutputs(), settings.blockSize);
    // Progress is reported about a thousand times per render, whatever the block size.
    const std::size_t reportEvery = std::max<std::size_t>(1, total / 1000);
    std::size_t nextReport = 0;
    for (std::size_t pos = 0; pos < total;) {
        const int n = static_cast<int>(
            std::min<std::size_t>(static_cast<std::size_t>(settings.blockSize), total - pos));
        pins.load(input, pos, n);
        plugin.process(pins.inPtr.data(), pins.outPtr.data(), n);
        // Output frame pos + i lands at pos + i - skip; the first `skip` frames are the delay.
        const std::size_t first =
            std::min<std::size_t>(pos < skip ? skip - pos : 0, static_cast<std::size_t>(n));
        for (int c = 0; c < channels; ++c) {
            const float* src = pins.out[static_cast<std::size_t>(c)].data();
            auto& dst = output.channels[static_cast<std::size_t>(c)];
            dst.insert(dst.end(), src + first, src + n);
        }
        pos += static_cast<std::size_t>(n);
        if (progress && (pos >= nextReport || pos == total)) {
            progress(static_cast<double>(pos) / static_cast<double>(total));
            nextReport = pos + reportEvery;
        }
    }
    plugin.stop();
    if (stats)
        stats->latency = latency;
}

void feed(Plugin& plugin, const AudioBuffer& input, int channels, int blockSize) {
    checkBlock(blockSize);
    checkChannels(plugin, channels);
    const AudioBuffer audio = fitChannels(input, channels);
    plugin.start(audio.sampleRate, blockSize, channels);
    PinBuffers pins(plugin.numInputs(), plugin.numOutputs(), blockSize);
    const std::size_t frames = audio.frames();
    for (std::size_t pos = 0; pos < frames;) {
        const int n = static_cast<int>(
            std::min<std::size_t>(static_cast<std::size_t>(blockSize), frames - pos));
        pins.load(audio, pos, n);
        plugin.process(pins.inPtr.data(), pins.outPtr.data(), n);
        pos += static_cast<std::size_t>(n);
    }
    plugin.stop();
}

} // namespace mirelow
