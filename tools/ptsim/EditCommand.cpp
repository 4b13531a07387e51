// `ptsim edit`: host window, view, idle and draw timer, real-time render thread, automation lanes.
#include "EditCommand.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <thread>

#include "HostWindow.h"

namespace ptsim {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
void onSignal(int) {
    gInterrupted = 1;
}

// Noise, a little darker than white, different in each channel.
class NoiseSource {
  public:
    explicit NoiseSource(uint32_t seed) : state(seed) {}
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const float white = static_cast<float>(state) / 4294967296.0f * 2.0f - 1.0f;
        low = 0.6f * low + 0.4f * white;
        return 0.3f * low;
    }

  private:
    uint32_t state;
    float low = 0.0f;
};

std::string controlName(const Instance& fx, int index) {
    if (index >= 1 && index <= static_cast<int>(fx.controls().size()))
        return fx.controls()[static_cast<size_t>(index - 1)].longName;
    return "control " + std::to_string(index);
}

} // namespace

std::vector<std::vector<float>> readAudio(const std::string& path, double* rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw Error("cannot read audio file " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.frames < 1) {
        sf_close(file);
        throw Error(path + " holds no audio");
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) *
                                   static_cast<size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    std::vector<std::vector<float>> channels(static_cast<size_t>(info.channels));
    for (int c = 0; c < info.channels; ++c) {
        auto& ch = channels[static_cast<size_t>(c)];
        ch.resize(static_cast<size_t>(got));
        for (sf_count_t i = 0; i < got; ++i) {
            const float v = interleaved[static_cast<size_t>(i * info.channels + c)];
            if (!std::isfinite(v))
                throw Error(path + " holds samples that are not finite");
            ch[static_cast<size_t>(i)] = v;
        }
    }
    if (got < 1)
        throw Error(path + " holds no audio");
    *rate = info.samplerate;
    return channels;
}

int runEdit(Instance& fx, const EditOptions& o) {
    const std::vector<std::vector<float>>& input = o.audio;

    const PIViewInfo info = fx.view();
    if (!info.view)
        throw Error("the plug-in shows no view of its own (view \"" + std::string(info.name) +
                    "\")");
    PIViewRect rect{};
    if (PIErr err = fx.viewRect(rect))
        throw Error("the plug-in gives no view size", err);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;

    HostWindow window(
        std::max(o.windowWidth, w), std::max(o.windowHeight, h),
        "ptsim: " +
            std::string(fx.type().names).substr(0, std::string(fx.type().names).find('\n')));
    window.waitMapped();
    if (PIErr err = fx.openView(window.window()))
        throw Error("the plug-in cannot open its view in the window", err);
    std::printf("%s instance, %g Hz, tempo %g BPM, input %s\n",
                fx.channels() == 1 ? "mono" : "stereo", fx.sampleRate(), o.tempo,
                o.input.empty() ? "generated noise" : o.input.c_str());
    std::printf("view \"%s\" %d x %d in a %d x %d plug-in window at (%d, %d)\n", info.name, w, h,
                window.width(), window.height(),
                window.width() != w ? (window.width() - w) / 2 : rect.left, window.height() - h);
    std::printf("automation (time, event, control, value):\n");
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    int counts[4] = {};
    fx.onAutomation([&](const AutomationEvent& e) {
        ++counts[static_cast<int>(e.kind)];
        const std::string name = controlName(fx, e.control);
        if (e.kind == AutomationEvent::Kind::Value)
            std::printf("%8.3f s  %-7s  %-14s %-10s (%d)\n", elapsed(), automationKindName(e.kind),
                        name.c_str(), fx.controlText(e.control).c_str(), e.value);
        else
            std::printf("%8.3f s  %-7s  %s\n", elapsed(), automationKindName(e.kind), name.c_str());
        std::fflush(stdout);
    });

    // The audio thread: blocks of 512 frames, paced to the sample rate.
    fx.setTempo(o.tempo);
    std::atomic<bool> running{true};
    std::thread audio([&] {
        constexpr int kBlock = 512;
        const int channels = fx.channels();
        std::vector<std::vector<float>> in(static_cast<size_t>(channels),
                                           std::vector<float>(kBlock)),
            out = in;
        std::vector<float*> inPtr, outPtr;
        for (int c = 0; c < channels; ++c) {
            inPtr.push_back(in[static_cast<size_t>(c)].data());
            outPtr.push_back(out[static_cast<size_t>(c)].data());
        }
        NoiseSource noise[2] = {NoiseSource(0x2545F491u), NoiseSource(0x9E3779B9u)};
        size_t pos = 0;
        const auto period = std::chrono::duration<double>(kBlock / fx.sampleRate());
        auto next = std::chrono::steady_clock::now();
        while (running.load(std::memory_order_relaxed)) {
            for (int c = 0; c < channels; ++c) {
                float* dst = inPtr[static_cast<size_t>(c)];
                for (int i = 0; i < kBlock; ++i) {
                    if (input.empty()) {
                        dst[i] = noise[c].next();
                    } else {
                        const auto& src = input[std::min(static_cast<size_t>(c), input.size() - 1)];
                        dst[i] = src[(pos + static_cast<size_t>(i)) % src.size()];
                    }
                }
            }
            if (!input.empty())
                pos = (pos + kBlock) % input[0].size();
            fx.render(inPtr.data(), outPtr.data(), kBlock);
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
            std::this_thread::sleep_until(next);
        }
    });

    gInterrupted = 0;
    auto oldInt = std::signal(SIGINT, onSignal);
    auto oldTerm = std::signal(SIGTERM, onSignal);
    const auto tick = std::chrono::milliseconds(33);
    auto next = std::chrono::steady_clock::now();
    const PIViewRect all{0, 0, static_cast<int16_t>(w), static_cast<int16_t>(h)};
    while (!gInterrupted && window.pump() && (o.seconds <= 0 || elapsed() < o.seconds)) {
        fx.idleView();
        fx.drawView(all);
        next += tick;
        std::this_thread::sleep_until(next);
    }
    running.store(false);
    audio.join();
    fx.closeView();
    fx.onAutomation(nullptr);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);

    const Meters m = fx.meters();
    std::printf("closed after %.1f s: %d touches, %d values, %d releases, %d notes; output meter",
                elapsed(), counts[0], counts[1], counts[2], counts[3]);
    for (int32_t v : m.values)
        std::printf(" %.3f", v < 0 ? 1.0 : v / 2147483648.0);
    std::printf("\n");
    return 0;
}

} // namespace ptsim
