// Streaming renders: a file through a plug-in into another, block by block, in constant memory.
// The calling thread runs the plug-in, as a host's audio thread would; a second thread reads the
// input and writes the output a few blocks ahead and behind, so that file I/O hides behind the
// processing. The output is the same as a whole-buffer render (Render.h) of the same audio.
#pragma once

#include "AudioFile.h"
#include "Plugin.h"
#include "Render.h"

#include <cstddef>
#include <vector>

namespace mirelow {

// Watches the audio go by, on the I/O thread: the input as it is read (the file's frames, no
// padding), the output as it is written. Both are planar, one pointer per channel.
class StreamTap {
  public:
    virtual ~StreamTap() = default;
    virtual void input(const float* const* channels, std::size_t frames) = 0;
    virtual void output(const float* const* channels, std::size_t frames) = 0;
};

struct StreamResult {
    int latency = 0;           // samples reported by the plug-in
    std::size_t framesIn = 0;  // read from the input
    std::size_t framesOut = 0; // written to the output
};

// Frames per block between the I/O thread and the plug-in, and blocks in flight.
constexpr std::size_t kStreamBlockFrames = 65536;
constexpr int kStreamBlocks = 4;

// Renders everything `reader` holds through `plugin` (started here, stopped at the end) into
// `writer`, compensating the latency unless settings.keepLatency. `progress` is called on the
// calling thread with the fraction done. The writer is not committed: the caller decides. Throws
// mirelow::Error when reading or writing fails (a NaN in the input, a full disk); the writer then
// holds a partial file that its destructor removes.
StreamResult renderStream(Plugin& plugin, AudioReader& reader, AudioWriter& writer,
                          const RenderSettings& settings, const ProgressFn& progress = {},
                          const std::vector<StreamTap*>& taps = {});

} // namespace mirelow
