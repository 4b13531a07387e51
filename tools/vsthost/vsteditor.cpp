// vsteditor: the host harness in editor mode. Loads a VST 2.4 plug-in, opens its editor in a
// top-level X11 window, calls effEditIdle 30 times a second on the main (GUI) thread while an
// audio thread renders a file or generated noise through the plug-in in real time, and reports
// the plug-in's host calls. Commands on standard input drive it like a host would.
//
//   vsteditor PLUGIN.so [--input AUDIO] [--mono] [--instances N] [--seconds S]
//
// Reports (one line each, on standard output):
//   window ID                  the editor's parent window, once open (one per instance)
//   automate INDEX VALUE       audioMasterAutomate
//   beginEdit INDEX            audioMasterBeginEdit
//   endEdit INDEX              audioMasterEndEdit
// Commands (one line each; every command answers one line):
//   get INDEX                  -> "param INDEX VALUE"
//   set INDEX VALUE            host setParameter on the GUI thread -> "ok"
//   midi CONTROLLER VALUE      a control change, delivered on the audio thread -> "ok" once sent
//   chunk FILE                 writes the current program's chunk to FILE -> "ok"
//   level                      -> "level DB", the output's RMS over the last half second
//   pixel X Y                  -> "pixel RRGGBB" of the top-level window
//   idle                       one more effEditIdle -> "ok"
//   close | open               effEditClose / effEditOpen -> "ok" or "open 0|1"
//   cycle N                    N times effEditOpen then effEditClose on every instance, then
//                              opens again -> "ok"
//   quit
#include "VstHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sndfile.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr auto kIdlePeriod = std::chrono::microseconds(1000000 / 30);

int usage() {
    std::fprintf(stderr, "usage: vsteditor PLUGIN.so [--input AUDIO] [--mono] [--instances N] "
                         "[--seconds S]\n");
    return 2;
}

// Planar audio that the audio thread plays in a loop.
struct Source {
    std::vector<std::vector<float>> channels;

    static Source noise(double seconds) {
        Source s;
        const auto frames = static_cast<size_t>(seconds * kRate);
        std::mt19937 rng(7);
        std::normal_distribution<float> n(0.f, 0.05f);
        s.channels.assign(2, std::vector<float>(frames));
        for (size_t i = 0; i < frames; ++i) {
            const float tone =
                0.25f * std::sin(2.f * float(M_PI) * 440.f * float(i) / float(kRate));
            s.channels[0][i] = tone + n(rng);
            s.channels[1][i] = 0.5f * tone + n(rng);
        }
        return s;
    }

    static bool load(const char* path, Source& out, std::string& error) {
        SF_INFO info{};
        SNDFILE* f = sf_open(path, SFM_READ, &info);
        if (!f) {
            error = std::string("cannot read ") + path + ": " + sf_strerror(nullptr);
            return false;
        }
        if (info.channels < 1 || info.channels > 2 || info.frames <= 0) {
            sf_close(f);
            error = std::string(path) + ": needs one or two channels of audio";
            return false;
        }
        std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
        const sf_count_t got = sf_readf_float(f, interleaved.data(), info.frames);
        sf_close(f);
        out.channels.assign(2, std::vector<float>(static_cast<size_t>(got)));
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < 2; ++c)
                out.channels[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                    std::isfinite(interleaved[static_cast<size_t>(i * info.channels +
                                                                  std::min(c, info.channels - 1))])
                        ? interleaved[static_cast<size_t>(i * info.channels +
                                                          std::min(c, info.channels - 1))]
                        : 0.f;
        return got > 0;
    }
};

struct Instance {
    std::unique_ptr<vsthost::Plugin> plugin;
    Window window = 0;
    bool open = false;
};

class Harness {
  public:
    Harness(Display* d, std::vector<Instance>& inst, Source src)
        : dpy(d), instances(inst), source(std::move(src)) {}

    void startAudio() {
        audio = std::thread([this] { audioLoop(); });
    }
    void stopAudio() {
        running.store(false);
        if (audio.joinable())
            audio.join();
    }

    bool openEditor(Instance& in) {
        in.open = in.plugin->dispatch(effEditOpen, 0, 0,
                                      reinterpret_cast<void*>(static_cast<uintptr_t>(in.window)),
                                      0.f) != 0;
        XSync(dpy, False);
        return in.open;
    }
    void closeEditor(Instance& in) {
        in.plugin->dispatch(effEditClose);
        in.open = false;
    }

    void idleAll() {
        for (auto& in : instances)
            in.plugin->dispatch(effEditIdle);
        reportEvents();
    }

    // Host calls made since the last report; they happen on this (GUI) thread only.
    void reportEvents() {
        for (auto& in : instances) {
            for (const auto& e : in.plugin->events()) {
                switch (e.kind) {
                case vsthost::HostEventKind::Automate:
                    std::printf("automate %d %.6f\n", e.index, static_cast<double>(e.value));
                    break;
                case vsthost::HostEventKind::BeginEdit:
                    std::printf("beginEdit %d\n", e.index);
                    break;
                case vsthost::HostEventKind::EndEdit:
                    std::printf("endEdit %d\n", e.index);
                    break;
                case vsthost::HostEventKind::SizeWindow:
                    break;
                }
            }
            in.plugin->clearEvents();
        }
        std::fflush(stdout);
    }

    // One command line; false on quit.
    bool command(const std::string& line) {
        std::istringstream in(line);
        std::string verb;
        in >> verb;
        Instance& first = instances.front();
        vsthost::Plugin& p = *first.plugin;
        if (verb == "quit")
            return false;
        if (verb == "get") {
            int index = -1;
            in >> index;
            std::printf("param %d %.6f\n", index, static_cast<double>(p.getParameter(index)));
        } else if (verb == "set") {
            int index = -1;
            float value = 0.f;
            in >> index >> value;
            p.setParameter(index, value);
            answer("ok");
        } else if (verb == "midi") {
            int controller = 0, value = 0;
            in >> controller >> value;
            midiSlot.store(0x1000000u | (uint32_t(controller & 0x7f) << 8) |
                           uint32_t(value & 0x7f));
            while (midiSlot.load() != 0 && running.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            answer("ok");
        } else if (verb == "chunk") {
            std::string path;
            in >> path;
            const auto bytes = p.getChunk(true);
            std::ofstream f(path, std::ios::binary);
            f.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
            answer(f ? "ok" : "error cannot write");
        } else if (verb == "level") {
            std::printf("level %.2f\n", static_cast<double>(levelDb.load()));
        } else if (verb == "pixel") {
            int x = 0, y = 0;
            in >> x >> y;
            std::printf("pixel %06lx\n", pixel(first.window, x, y));
        } else if (verb == "idle") {
            idleAll();
            answer("ok");
        } else if (verb == "close") {
            closeEditor(first);
            answer("ok");
        } else if (verb == "open") {
            std::printf("open %d\n", openEditor(first) ? 1 : 0);
        } else if (verb == "cycle") {
            int n = 0;
            in >> n;
            for (int i = 0; i < n; ++i) {
                for (auto& inst : instances)
                    openEditor(inst);
                idleAll();
                for (auto& inst : instances)
                    closeEditor(inst);
            }
            for (auto& inst : instances)
                openEditor(inst);
            answer("ok");
        } else {
            answer("error unknown command");
        }
        std::fflush(stdout);
        return true;
    }

  private:
    static void answer(const char* text) { std::printf("%s\n", text); }

    unsigned long pixel(Window w, int x, int y) {
        XImage* img = XGetImage(dpy, w, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!img)
            return 0;
        const unsigned long v = XGetPixel(img, 0, 0) & 0xFFFFFF;
        XDestroyImage(img);
        return v;
    }

    // Renders in real time: one block per block period, paced by the clock.
    void audioLoop() {
        std::vector<std::vector<float>> in(2, std::vector<float>(kBlock)),
            out(2, std::vector<float>(kBlock));
        float* inPtr[2] = {in[0].data(), in[1].data()};
        float* outPtr[2] = {out[0].data(), out[1].data()};
        const size_t length = source.channels[0].size();
        size_t pos = 0;
        double sum = 0;
        int counted = 0;
        const int perLevel = static_cast<int>(kRate / 2);
        auto next = std::chrono::steady_clock::now();
        const auto period = std::chrono::nanoseconds(static_cast<long>(1e9 * kBlock / kRate));
        while (running.load()) {
            if (const uint32_t cc = midiSlot.load(); cc != 0) {
                VstMidiEvent e{};
                e.type = kVstMidiType;
                e.byteSize = sizeof e;
                e.midiData[0] = static_cast<char>(0xb0);
                e.midiData[1] = static_cast<char>((cc >> 8) & 0x7f);
                e.midiData[2] = static_cast<char>(cc & 0x7f);
                struct {
                    VstInt32 numEvents = 1;
                    VstIntPtr reserved = 0;
                    VstEvent* events[2] = {};
                } list;
                list.events[0] = reinterpret_cast<VstEvent*>(&e);
                for (auto& inst : instances)
                    inst.plugin->dispatch(effProcessEvents, 0, 0, &list, 0.f);
                midiSlot.store(0);
            }
            for (int i = 0; i < kBlock; ++i, pos = (pos + 1) % length)
                for (int c = 0; c < 2; ++c)
                    in[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                        source.channels[static_cast<size_t>(c)][pos];
            for (auto& inst : instances)
                inst.plugin->processReplacing(inPtr, outPtr, kBlock);
            for (int i = 0; i < kBlock; ++i)
                sum += double(out[0][static_cast<size_t>(i)]) * out[0][static_cast<size_t>(i)];
            counted += kBlock;
            if (counted >= perLevel) {
                const double rms = std::sqrt(sum / counted);
                levelDb.store(rms > 0 ? static_cast<float>(20 * std::log10(rms)) : -200.f);
                sum = 0;
                counted = 0;
            }
            next += period;
            std::this_thread::sleep_until(next);
        }
    }

    Display* dpy;
    std::vector<Instance>& instances;
    Source source;
    std::thread audio;
    std::atomic<bool> running{true};
    std::atomic<uint32_t> midiSlot{0};
    std::atomic<float> levelDb{-200.f};
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string path = argv[1];
    std::string input;
    bool mono = false;
    int count = 1;
    double seconds = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--input" && i + 1 < argc)
            input = argv[++i];
        else if (a == "--mono")
            mono = true;
        else if (a == "--instances" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            return usage();
    }
    if (count < 1 || count > 8 || seconds < 0)
        return usage();

    Source source;
    if (input.empty()) {
        source = Source::noise(4.0);
    } else {
        std::string error;
        if (!Source::load(input.c_str(), source, error)) {
            std::fprintf(stderr, "vsteditor: %s\n", error.c_str());
            return 1;
        }
    }

    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "vsteditor: cannot open the X display\n");
        return 1;
    }

    std::vector<Instance> instances(static_cast<size_t>(count));
    try {
        for (auto& in : instances) {
            vsthost::HostAnswers answers;
            answers.sampleRate = static_cast<float>(kRate);
            answers.blockSize = kBlock;
            // A mono track: the second input pin is not connected.
            answers.inputConnected[1] = !mono;
            in.plugin = std::make_unique<vsthost::Plugin>(path, answers);
        }
    } catch (const vsthost::LoadError& e) {
        std::fprintf(stderr, "vsteditor: %s\n", e.what());
        XCloseDisplay(dpy);
        return 1;
    }

    Harness harness(dpy, instances, std::move(source));
    int index = 0;
    for (auto& in : instances) {
        vsthost::Plugin& p = *in.plugin;
        p.dispatch(effOpen);
        p.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
        p.dispatch(effSetBlockSize, 0, kBlock);
        p.dispatch(effMainsChanged, 0, 1);
        if (!(p.flags() & effFlagsHasEditor)) {
            std::fprintf(stderr, "vsteditor: %s has no editor\n", path.c_str());
            return 1;
        }
        ERect* r = nullptr;
        int w = 400, h = 300;
        if (p.dispatch(effEditGetRect, 0, 0, &r) && r) {
            w = r->right - r->left;
            h = r->bottom - r->top;
        }
        const int scr = DefaultScreen(dpy);
        in.window = XCreateSimpleWindow(
            dpy, RootWindow(dpy, scr), 10 + 460 * index, 10, static_cast<unsigned>(std::max(1, w)),
            static_cast<unsigned>(std::max(1, h)), 0, BlackPixel(dpy, scr), WhitePixel(dpy, scr));
        const std::string title = "vsteditor " + std::to_string(index) + ": " + p.effectName();
        XStoreName(dpy, in.window, title.c_str());
        XMapRaised(dpy, in.window);
        XSync(dpy, False);
        if (!harness.openEditor(in)) {
            std::fprintf(stderr, "vsteditor: the editor did not open\n");
            return 1;
        }
        std::printf("window %lu\n", static_cast<unsigned long>(in.window));
        ++index;
    }
    std::fflush(stdout);

    harness.startAudio();
    const auto start = std::chrono::steady_clock::now();
    auto nextIdle = start;
    std::string pendingInput;
    bool quit = false;
    bool stdinOpen = true;
    while (!quit) {
        harness.idleAll();
        // Drain our own window's events (the editor reads its child window's on its own).
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
        }
        nextIdle += kIdlePeriod;
        // Commands arriving until the next idle.
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= nextIdle)
                break;
            const int ms = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(nextIdle - now).count());
            pollfd pfd{STDIN_FILENO, POLLIN, 0};
            if (!stdinOpen || poll(&pfd, 1, std::max(1, ms)) <= 0) {
                if (!stdinOpen)
                    std::this_thread::sleep_until(nextIdle);
                continue;
            }
            char buf[512];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;
                if (seconds == 0)
                    quit = true;
                break;
            }
            pendingInput.append(buf, static_cast<size_t>(n));
            for (size_t eol; (eol = pendingInput.find('\n')) != std::string::npos;) {
                const std::string line = pendingInput.substr(0, eol);
                pendingInput.erase(0, eol + 1);
                if (!harness.command(line)) {
                    quit = true;
                    break;
                }
            }
            if (quit)
                break;
        }
        if (seconds > 0 &&
            std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds))
            quit = true;
    }
    harness.stopAudio();
    for (auto& in : instances) {
        harness.closeEditor(in);
        in.plugin->dispatch(effMainsChanged, 0, 0);
        in.plugin.reset();
        XDestroyWindow(dpy, in.window);
    }
    XCloseDisplay(dpy);
    return 0;
}
