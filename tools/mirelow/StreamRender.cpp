// The block ring between the I/O thread and the plug-in's thread. Blocks circulate: the I/O
// thread fills a free block with input and hands it over; the plug-in's thread renders it into
// the block's output and hands it back; the I/O thread writes the output and refills the block.
// Each side waits only on its own hand-off, an atomic counter (no lock is taken).
#include "StreamRender.h"

#include "Error.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <thread>

namespace mirelow {
namespace {

// The buffers are left uninitialised: only the frames a side has written are read, and their
// pages are first touched where they are written (the input's on the I/O thread), not all at
// once before the render starts.
struct Block {
    std::vector<std::unique_ptr<float[]>> in, out;
    std::vector<float*> inPtr, outPtr;
    std::size_t capacity, inFrames = 0, outFrames = 0;
    bool last = false;      // nothing follows this block
    bool abandoned = false; // the I/O side has failed: the block holds nothing, the render ends

    Block(int channels, std::size_t inCapacity, std::size_t outCapacity) : capacity(inCapacity) {
        for (int c = 0; c < channels; ++c) {
            in.emplace_back(new float[inCapacity]);
            out.emplace_back(new float[outCapacity]);
            inPtr.push_back(in.back().get());
            outPtr.push_back(out.back().get());
        }
    }
};

// Block numbers passed from one thread to the other. Only kStreamBlocks numbers exist, so the
// queue never holds more; one thread puts, the other takes.
class Handoff {
  public:
    void put(int block) {
        const unsigned t = tail_.load(std::memory_order_relaxed);
        slots_[t % kStreamBlocks] = block;
        tail_.store(t + 1, std::memory_order_release);
        tail_.notify_one();
    }
    int take() {
        unsigned t;
        while ((t = tail_.load(std::memory_order_acquire)) == head_)
            tail_.wait(t, std::memory_order_acquire);
        const int block = slots_[head_ % kStreamBlocks];
        ++head_;
        return block;
    }

  private:
    std::array<int, kStreamBlocks> slots_{};
    std::atomic<unsigned> tail_{0};
    unsigned head_ = 0; // the taker's own
};

// The I/O thread's side: reads the input (then the silence that flushes the plug-in's delay)
// into blocks, writes the output of rendered blocks.
class IoSide {
  public:
    IoSide(AudioReader& reader, AudioWriter& writer, std::vector<Block>& blocks,
           std::size_t padding, const std::vector<StreamTap*>& taps, Handoff& toPlugin,
           Handoff& toWriter, const std::atomic<bool>& cancelled)
        : reader_(reader), writer_(writer), blocks_(blocks), padLeft_(padding), taps_(taps),
          toPlugin_(toPlugin), toWriter_(toWriter), cancelled_(cancelled) {}

    void run() {
        int inFlight = 0;
        for (std::size_t i = 0; i < blocks_.size() && !inputDone_; ++i, ++inFlight)
            fillAndHandOver(static_cast<int>(i));
        while (inFlight > 0) {
            const int i = toWriter_.take();
            --inFlight;
            Block& b = blocks_[static_cast<std::size_t>(i)];
            if (error_.empty() && !cancelled_.load(std::memory_order_relaxed)) {
                try {
                    writer_.write(b.outPtr.data(), b.outFrames);
                    for (StreamTap* tap : taps_)
                        tap->output(b.outPtr.data(), b.outFrames);
                    written_ += b.outFrames;
                } catch (const std::exception& e) {
                    error_ = e.what();
                }
            }
            if (!inputDone_) {
                fillAndHandOver(i);
                ++inFlight;
            }
        }
    }

    const std::string& error() const { return error_; }
    std::size_t written() const { return written_; }

  private:
    void fillAndHandOver(int i) {
        fill(blocks_[static_cast<std::size_t>(i)]);
        toPlugin_.put(i);
    }

    void fill(Block& b) {
        b.inFrames = b.outFrames = 0;
        b.last = b.abandoned = false;
        if (!error_.empty() || cancelled_.load(std::memory_order_relaxed)) {
            b.last = b.abandoned = inputDone_ = true;
            return;
        }
        const std::size_t capacity = b.capacity;
        std::size_t n = 0;
        try {
            if (!fileEnded_) {
                n = reader_.read(b.inPtr.data(), capacity);
                for (StreamTap* tap : taps_)
                    tap->input(b.inPtr.data(), n);
                fileEnded_ = n < capacity;
            }
        } catch (const std::exception& e) {
            error_ = e.what();
            b.last = b.abandoned = inputDone_ = true;
            return;
        }
        if (fileEnded_) {
            const std::size_t pad = std::min(capacity - n, padLeft_);
            for (float* ch : b.inPtr)
                std::fill_n(ch + n, pad, 0.0f);
            n += pad;
            padLeft_ -= pad;
            b.last = inputDone_ = padLeft_ == 0;
        }
        b.inFrames = n;
    }

    AudioReader& reader_;
    AudioWriter& writer_;
    std::vector<Block>& blocks_;
    std::size_t padLeft_;
    const std::vector<StreamTap*>& taps_;
    Handoff &toPlugin_, &toWriter_;
    const std::atomic<bool>& cancelled_;
    bool fileEnded_ = false, inputDone_ = false;
    std::string error_;
    std::size_t written_ = 0;
};

// |x| as its bit pattern: for magnitudes (and NaN above them all) the larger has the larger
// pattern, so the largest is found with integer maxima, which vectorise.
std::uint32_t magnitudeBits(float x) {
    return std::bit_cast<std::uint32_t>(x) & 0x7fffffffu;
}
float fromMagnitudeBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

} // namespace

void ChangeMeter::started(std::size_t latency, bool keepLatency) {
    offset_ = keepLatency ? latency : 0;
    // Reading runs ahead of writing by at most the delay, a host block and the blocks in flight.
    lag_ = latency + static_cast<std::size_t>(block_) + (kStreamBlocks + 1) * kStreamBlockFrames;
}

void ChangeMeter::input(const float* const* channels, std::size_t frames) {
    if (changed_)
        return;
    if (ring_.empty()) // made here, on the I/O thread, rather than before the render starts
        ring_.assign(static_cast<std::size_t>(channels_), std::vector<float>(lag_));
    for (std::size_t c = 0; c < ring_.size(); ++c) {
        auto& ring = ring_[c];
        // In runs that do not wrap around the ring.
        for (std::size_t i = 0; i < frames;) {
            const std::size_t at = (read_ + i) % lag_, n = std::min(frames - i, lag_ - at);
            const float* src = channels[c] + i;
            std::copy_n(src, n, ring.begin() + static_cast<std::ptrdiff_t>(at));
            std::uint32_t peak = 0;
            for (std::size_t k = 0; k < n; ++k)
                peak = std::max(peak, magnitudeBits(src[k]));
            inputPeak_ = std::max(inputPeak_, static_cast<double>(fromMagnitudeBits(peak)));
            i += n;
        }
    }
    read_ += frames;
}

void ChangeMeter::output(const float* const* channels, std::size_t frames) {
    if (changed_)
        return;
    for (std::size_t c = 0; c < ring_.size(); ++c) {
        const auto& ring = ring_[c];
        for (std::size_t i = 0; i < frames;) {
            // Output frame j answers input frame j - offset; outside the input it is silence.
            const std::size_t j = written_ + i;
            if (j < offset_ || j - offset_ >= read_) {
                change_ = std::max(change_, static_cast<double>(std::abs(channels[c][i])));
                ++i;
                continue;
            }
            const std::size_t at = (j - offset_) % lag_;
            const std::size_t n = std::min({frames - i, lag_ - at, read_ - (j - offset_)});
            const float* out = channels[c] + i;
            const float* in = ring.data() + at;
            std::uint32_t most = 0;
            for (std::size_t k = 0; k < n; ++k)
                most = std::max(most, magnitudeBits(out[k] - in[k]));
            change_ = std::max(change_, static_cast<double>(fromMagnitudeBits(most)));
            i += n;
        }
    }
    written_ += frames;
    changed_ = fullScale_ && change_ > kThreshold;
}

StreamResult renderStream(Plugin& plugin, AudioReader& reader, AudioWriter& writer,
                          const RenderSettings& settings, const ProgressFn& progress,
                          const std::vector<StreamTap*>& taps) {
    if (settings.blockSize < 1)
        throw Error("block size must be at least 1");
    const int channels = reader.channels();
    checkChannels(plugin, channels);
    plugin.start(reader.sampleRate(), settings.blockSize, channels);
    const int latency = std::max(0, plugin.latency());
    const auto delay = static_cast<std::size_t>(latency);
    const std::size_t skip = settings.keepLatency ? 0 : delay;
    const auto block = static_cast<std::size_t>(settings.blockSize);

    std::vector<Block> blocks;
    blocks.reserve(kStreamBlocks);
    for (int i = 0; i < kStreamBlocks; ++i)
        blocks.emplace_back(channels, kStreamBlockFrames, kStreamBlockFrames + block);
    for (StreamTap* tap : taps)
        tap->started(delay, settings.keepLatency);
    HostBlocks host(plugin, channels, settings.blockSize, skip);
    Handoff toPlugin, toWriter;
    std::atomic<bool> cancelled{false};
    IoSide io(reader, writer, blocks, delay, taps, toPlugin, toWriter, cancelled);
    std::thread ioThread([&io] { io.run(); });

    // Whatever happens on this side, blocks keep going back so that the I/O thread can finish.
    std::exception_ptr failure;
    const double expected = static_cast<double>(reader.expectedFrames() + delay);
    std::size_t done = 0;
    for (bool last = false; !last;) {
        const int i = toPlugin.take();
        Block& b = blocks[static_cast<std::size_t>(i)];
        if (!b.abandoned && !failure) {
            try {
                b.outFrames = host.push(b.inPtr.data(), b.inFrames, b.outPtr.data());
                if (b.last) {
                    std::vector<float*> at;
                    for (float* p : b.outPtr)
                        at.push_back(p + b.outFrames);
                    b.outFrames += host.flush(at.data());
                }
                done += b.inFrames;
                if (progress && expected > 0)
                    progress(std::min(1.0, static_cast<double>(done) / expected));
            } catch (...) {
                failure = std::current_exception();
                cancelled.store(true, std::memory_order_relaxed);
                b.outFrames = 0;
            }
        }
        last = b.last;
        toWriter.put(i);
    }
    ioThread.join();
    plugin.stop();
    if (!io.error().empty())
        throw Error(io.error());
    if (failure)
        std::rethrow_exception(failure);
    return {latency, reader.framesRead(), io.written()};
}

} // namespace mirelow
