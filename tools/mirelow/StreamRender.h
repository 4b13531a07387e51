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
    // Once the plug-in has started, before any audio: its delay (samples) and whether the output
    // keeps it. Called on the calling thread.
    virtual void started(std::size_t latency, bool keepLatency) = 0;
    virtual void input(const float* const* channels, std::size_t frames) = 0;
    virtual void output(const float* const* channels, std::size_t frames) = 0;
};

// How far the output strays from the input, frame for frame (the output delayed by the
// plug-in's latency when it is kept): whether a render changed anything at all. Keeps the input
// of the frames in flight between reading and writing (the delay, a host block, the blocks).
// With `fullScale` (an input known to lie within -1 … 1, as integer encodings do), it stops
// looking once the output has strayed by more than the threshold of full scale: the render has
// then changed the audio, whatever follows.
class ChangeMeter : public StreamTap {
  public:
    static constexpr double kThreshold = 1e-3; // -60 dB, above the engine's reconstruction ripple

    ChangeMeter(int channels, int blockSize, bool fullScale = false)
        : channels_(channels), block_(blockSize), fullScale_(fullScale) {}
    void started(std::size_t latency, bool keepLatency) override;
    void input(const float* const* channels, std::size_t frames) override;
    void output(const float* const* channels, std::size_t frames) override;

    // True when the input is not silent and the output differs from it by no more than
    // kThreshold of the input's peak.
    bool unchanged() const {
        return !changed_ && inputPeak_ > 0 && change_ <= kThreshold * inputPeak_;
    }

  private:
    int channels_, block_;
    bool fullScale_, changed_ = false;
    std::vector<std::vector<float>> ring_; // input frame i at [i mod lag]
    std::size_t offset_ = 0, lag_ = 1, read_ = 0, written_ = 0;
    double inputPeak_ = 0, change_ = 0;
};

struct StreamResult {
    int latency = 0;           // samples reported by the plug-in
    std::size_t framesIn = 0;  // read from the input
    std::size_t framesOut = 0; // written to the output
};

// Frames per block between the I/O thread and the plug-in, and blocks in flight: small enough
// that the first block is read and the last written in well under a millisecond, enough of them
// that a slow read or write does not stall the plug-in.
constexpr std::size_t kStreamBlockFrames = 16384;
constexpr int kStreamBlocks = 8;

// Renders everything `reader` holds through `plugin` (started here, stopped at the end) into
// `writer`, compensating the latency unless settings.keepLatency. `progress` is called on the
// calling thread with the fraction done. The writer is not committed: the caller decides. Throws
// mirelow::Error when reading or writing fails (a NaN in the input, a full disk); the writer then
// holds a partial file that its destructor removes.
StreamResult renderStream(Plugin& plugin, AudioReader& reader, AudioWriter& writer,
                          const RenderSettings& settings, const ProgressFn& progress = {},
                          const std::vector<StreamTap*>& taps = {});

} // namespace mirelow
