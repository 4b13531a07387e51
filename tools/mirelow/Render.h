// Offline rendering through a plug-in, the way a DAW bounces a track: fixed host blocks, the
// plug-in's latency compensated (output time-aligned with the input and of the same length,
// the tail flushed with silence) unless the raw delayed output is asked for.
#pragma once

#include "AudioFile.h"
#include "Plugin.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace mirelow {

struct RenderSettings {
    int blockSize = 512;      // host block size, frames
    bool keepLatency = false; // keep the plug-in's delay: output is input length + latency
};

// Called with the fraction done (0 … 1) after each block.
using ProgressFn = std::function<void(double)>;

struct RenderStats {
    int latency = 0; // samples reported by the plug-in
};

// The host's side of block processing: gathers a stream into host blocks of `blockSize` frames,
// runs the plug-in on each, drops the first `skip` output frames (the plug-in's delay, when it is
// compensated) and hands on the rest. However the stream is sliced when it is pushed, the plug-in
// sees the same process calls: full host blocks from the first frame on, the last one partial.
// Mono material goes to the first two inputs; inputs beyond the second get silence.
class HostBlocks {
  public:
    // `plugin` is started for `channels` (1 or 2) channels in blocks of at most `blockSize`.
    HostBlocks(Plugin& plugin, int channels, int blockSize, std::size_t skip);

    // Feeds `n` frames of planar input (`channels` pointers, or null for silence) and writes the
    // output of the host blocks this completes to out[c] from index 0 on. Returns how many
    // frames were written: at most n + blockSize - 1.
    std::size_t push(const float* const* in, std::size_t n, float* const* out);
    // Runs the last, partial host block, if any; returns the frames written to `out`.
    std::size_t flush(float* const* out);

  private:
    std::size_t run(float* const* out);

    Plugin& plugin_;
    int channels_, block_;
    std::size_t skip_;
    int fill_ = 0;
    std::vector<std::vector<float>> in_, out_;
    std::vector<float*> inPtr_, outPtr_;
};

// Throws mirelow::Error when the plug-in cannot take `channels` channels.
void checkChannels(Plugin& plugin, int channels);

// Renders `input` through the plug-in (started here, stopped at the end).
AudioBuffer render(Plugin& plugin, const AudioBuffer& input, const RenderSettings& settings,
                   const ProgressFn& progress = {}, RenderStats* stats = nullptr);
// The same into `output`, whose memory is reused when it is large enough.
void render(Plugin& plugin, const AudioBuffer& input, const RenderSettings& settings,
            AudioBuffer& output, const ProgressFn& progress = {}, RenderStats* stats = nullptr);

// Runs `input` through the plug-in and throws the output away (learn passes): exactly the
// input's frames, no tail. `channels` is the channel layout to run in (the learn audio is fitted
// to it: mono is copied to both channels, stereo mixed down for a mono render).
void feed(Plugin& plugin, const AudioBuffer& input, int channels, int blockSize);

} // namespace mirelow
