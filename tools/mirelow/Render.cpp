// Host blocks, latency compensation, and whole-buffer renders and learn passes built on them.
#include "Render.h"

#include "Error.h"

#include <algorithm>
#include <array>

namespace mirelow {
namespace {

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

HostBlocks::HostBlocks(Plugin& plugin, int channels, int blockSize, std::size_t skip)
    : plugin_(plugin), channels_(channels), block_(blockSize), skip_(skip) {
    checkBlock(blockSize);
    // One buffer per pin, at least two so that mono material can be fed to both inputs.
    const auto block = static_cast<std::size_t>(blockSize);
    in_.assign(static_cast<std::size_t>(std::max(plugin.numInputs(), 2)),
               std::vector<float>(block, 0.0f));
    out_.assign(static_cast<std::size_t>(std::max(plugin.numOutputs(), 2)),
                std::vector<float>(block, 0.0f));
    for (auto& b : in_)
        inPtr_.push_back(b.data());
    for (auto& b : out_)
        outPtr_.push_back(b.data());
}

std::size_t HostBlocks::push(const float* const* in, std::size_t n, float* const* out) {
    std::size_t produced = 0;
    for (std::size_t pos = 0; pos < n;) {
        const std::size_t m = std::min(static_cast<std::size_t>(block_ - fill_), n - pos);
        for (std::size_t pin = 0; pin < 2; ++pin) {
            float* dst = in_[pin].data() + fill_;
            if (in) {
                const float* src = in[std::min(pin, static_cast<std::size_t>(channels_ - 1))] + pos;
                std::copy_n(src, m, dst);
            } else {
                std::fill_n(dst, m, 0.0f);
            }
        }
        fill_ += static_cast<int>(m);
        pos += m;
        if (fill_ == block_) {
            float* at[2] = {out[0] + produced, channels_ > 1 ? out[1] + produced : nullptr};
            produced += run(at);
        }
    }
    return produced;
}

std::size_t HostBlocks::flush(float* const* out) {
    return fill_ > 0 ? run(out) : 0;
}

std::size_t HostBlocks::run(float* const* out) {
    const auto n = static_cast<std::size_t>(fill_);
    for (std::size_t pin = 2; pin < in_.size(); ++pin)
        std::fill_n(in_[pin].data(), n, 0.0f);
    for (auto& b : out_)
        std::fill_n(b.data(), n, 0.0f);
    plugin_.process(inPtr_.data(), outPtr_.data(), fill_);
    fill_ = 0;
    // Output frame i of the stream lands at i - skip; the first `skip` frames are the delay.
    const std::size_t first = std::min(skip_, n);
    skip_ -= first;
    for (int c = 0; c < channels_; ++c)
        std::copy(out_[static_cast<std::size_t>(c)].data() + first,
                  out_[static_cast<std::size_t>(c)].data() + n, out[c]);
    return n - first;
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
    output.sampleRate = input.sampleRate;
    output.channels.assign(static_cast<std::size_t>(channels), std::vector<float>(total - skip));

    HostBlocks blocks(plugin, channels, settings.blockSize, skip);
    std::size_t produced = 0;
    auto outAt = [&](std::size_t at) {
        return std::array<float*, 2>{output.channels[0].data() + at,
                                     channels > 1 ? output.channels[1].data() + at : nullptr};
    };
    // Progress is reported about a thousand times per render, whatever the block size.
    const std::size_t slice = std::max<std::size_t>(1, total / 1000);
    for (std::size_t pos = 0; pos < total;) {
        const std::size_t n = std::min(slice, total - pos);
        const std::size_t fromInput = pos < frames ? std::min(n, frames - pos) : 0;
        if (fromInput > 0) {
            const float* in[2] = {input.channels[0].data() + pos,
                                  input.channels[channels > 1 ? 1 : 0].data() + pos};
            produced += blocks.push(in, fromInput, outAt(produced).data());
        }
        if (n > fromInput)
            produced += blocks.push(nullptr, n - fromInput, outAt(produced).data());
        pos += n;
        if (pos == total)
            produced += blocks.flush(outAt(produced).data());
        if (progress)
            progress(static_cast<double>(pos) / static_cast<double>(total));
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
    HostBlocks blocks(plugin, channels, blockSize, 0);
    const auto block = static_cast<std::size_t>(blockSize);
    std::vector<float> scratch0(2 * block), scratch1(2 * block);
    float* out[2] = {scratch0.data(), scratch1.data()};
    const std::size_t frames = audio.frames();
    for (std::size_t pos = 0; pos < frames; pos += block) {
        const float* in[2] = {audio.channels[0].data() + pos,
                              audio.channels[channels > 1 ? 1 : 0].data() + pos};
        blocks.push(in, std::min(block, frames - pos), out);
    }
    blocks.flush(out);
    plugin.stop();
}

} // namespace mirelow
