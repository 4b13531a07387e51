// Offline rendering through a plug-in, the way a DAW bounces a track: fixed host blocks, the
// plug-in's latency compensated (output time-aligned with the input and of the same length,
// the tail flushed with silence) unless the raw delayed output is asked for.
#pragma once

#include "AudioFile.h"
#include "Plugin.h"

#include <functional>

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
