// The host torture test: build/tidemill.so through the VST host and build/wendle.so through the
// simulator, each with an audio thread rendering blocks of random sizes while a second thread
// changes everything a host can change (parameters with values outside 0 ... 1, NaN and
// infinities; programs and their names; chunks got and set in a loop; controls with any 32-bit
// value; saved states restored; sample rate and block size with suspend and resume around
// them). MIDI controllers arrive on the audio thread, as hosts deliver them. A third thread opens
// the editor, idles it and closes it again, over and over (in a window on the X display; wendle's
// off screen when there is none).
// Checks: no crash; every output sample finite; no heap traffic and no blocking lock on the audio
// thread (where the counters can be installed); at the end, the state reads back as the last
// accepted calls left it.
//   torture [--seconds S] [--seed N]      (S: both plug-ins together, default 4)
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"
#define MIRELOW_LOCK_COUNTER_DEFINE
#include "tests/support/LockCounter.h"

#include "HostWindow.h"
#include "PtSim.h"
#include "tools/vsthost/VstHost.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kMaxBlock = 4096;

int failures = 0;
void fail(const std::string& what) {
    std::fprintf(stderr, "torture: %s\n", what.c_str());
    ++failures;
}

// The audio thread: renders blocks until stopped, and parks (spinning, never waiting on a lock)
// while the other thread has the effect suspended.
class AudioThread {
  public:
    // block(frames, rng, in, out) renders one block; answers whether its output was finite.
    using Block = std::function<bool(int, std::mt19937&, float**, float**)>;
    AudioThread(int channels, unsigned seed, Block b) : block(std::move(b)) {
        for (int c = 0; c < channels; ++c) {
            ins.emplace_back(kMaxBlock);
            outs.emplace_back(kMaxBlock);
        }
        thread = std::thread([this, seed] { run(seed); });
    }
    ~AudioThread() { stop(); }

    void stop() {
        stopping = true;
        if (thread.joinable())
            thread.join();
    }
    // Holds the audio thread between blocks for as long as the returned guard lives.
    struct Pause {
        explicit Pause(AudioThread& a) : audio(a) {
            audio.pauseRequested = true;
            while (!audio.paused && !audio.stopping)
                std::this_thread::yield();
        }
        ~Pause() { audio.pauseRequested = false; }
        AudioThread& audio;
    };
    std::atomic<int> maxBlock{512};
    std::atomic<long> blocks{0}, nonFinite{0}, heapCalls{0}, lockCalls{0};

  private:
    void run(unsigned seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> u(-1.f, 1.f);
        std::vector<float*> in, out;
        for (size_t c = 0; c < ins.size(); ++c) {
            in.push_back(ins[c].data());
            out.push_back(outs[c].data());
        }
        while (!stopping) {
            if (pauseRequested) {
                paused = true;
                while (pauseRequested && !stopping)
                    std::this_thread::yield();
                paused = false;
                continue;
            }
            const int most = maxBlock.load();
            // Mostly up to the announced size, sometimes above it, sometimes a single frame.
            int frames = static_cast<int>(rng() % static_cast<unsigned>(most > 0 ? most : 1)) + 1;
            if (rng() % 16 == 0)
                frames = rng() % 2 ? 1 : kMaxBlock;
            for (auto& ch : ins)
                for (int i = 0; i < frames; ++i)
                    ch[static_cast<size_t>(i)] = rng() % 512 ? 0.5f * u(rng) : NAN;
            bool finite;
            {
                alloccounter::Scope heap;
                lockcounter::Scope locks;
                finite = block(frames, rng, in.data(), out.data());
                heapCalls += heap.counts().total();
                lockCalls += locks.count();
            }
            if (!finite)
                ++nonFinite;
            ++blocks;
        }
    }

    Block block;
    std::vector<std::vector<float>> ins, outs;
    std::atomic<bool> stopping{false}, pauseRequested{false}, paused{false};
    std::thread thread;
};

// The editor thread: opens the editor, idles it a random number of times at a brisk pace and
// closes it, until stopped; as a user opening and closing the window while the host plays.
class EditorThread {
  public:
    struct Calls {
        std::function<bool()> open; // answers whether the editor opened
        std::function<void()> idle;
        std::function<void()> close;
    };
    EditorThread(unsigned seed, Calls c) : calls(std::move(c)) {
        thread = std::thread([this, seed] { run(seed); });
    }
    ~EditorThread() { stop(); }
    void stop() {
        stopping = true;
        if (thread.joinable())
            thread.join();
    }
    std::atomic<long> opens{0}, idles{0}, refused{0};

  private:
    void run(unsigned seed) {
        std::mt19937 rng(seed);
        while (!stopping) {
            if (!calls.open()) {
                ++refused;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            ++opens;
            for (int n = static_cast<int>(rng() % 24); n > 0 && !stopping; --n) {
                calls.idle();
                ++idles;
                std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 8));
            }
            calls.close();
        }
    }

    Calls calls;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

bool finite(float** out, int channels, int frames) {
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            if (!std::isfinite(out[c][i]))
                return false;
    return true;
}

float wildValue(std::mt19937& rng) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    const float table[] = {NAN, inf, -inf, -0.5f, 1.5f, -0.f, 1e30f};
    if (rng() % 3 == 0)
        return table[rng() % 7];
    return std::uniform_real_distribution<float>(0.f, 1.f)(rng);
}

void report(const char* name, const AudioThread& audio, long calls) {
    std::printf("torture: %s: %ld blocks, %ld host calls from the other thread\n", name,
                audio.blocks.load(), calls);
    if (audio.blocks == 0)
        fail(std::string(name) + ": the audio thread rendered nothing");
    if (audio.nonFinite)
        fail(std::string(name) + ": " + std::to_string(audio.nonFinite.load()) +
             " blocks with non-finite output");
    if (alloccounter::installed && audio.heapCalls)
        fail(std::string(name) + ": " + std::to_string(audio.heapCalls.load()) +
             " heap calls on the audio thread");
    if (lockcounter::installed && audio.lockCalls)
        fail(std::string(name) + ": " + std::to_string(audio.lockCalls.load()) +
             " blocking lock calls on the audio thread");
}

// The editor thread's part of the report; without a window it is not run at all (null).
void report(const char* name, const EditorThread* editor) {
    if (!editor) {
        std::printf("torture: %s: no window on an X display, the editor was not opened\n", name);
        return;
    }
    std::printf("torture: %s: the editor opened %ld times and idled %ld times\n", name,
                editor->opens.load(), editor->idles.load());
    if (editor->opens == 0 || editor->refused)
        fail(std::string(name) + ": the editor was refused " +
             std::to_string(editor->refused.load()) + " times and opened " +
             std::to_string(editor->opens.load()) + " times");
}

// A plug-in window on the X display, or none when there is no display (or it takes no more
// clients).
std::unique_ptr<ptsim::HostWindow> hostWindow(int width, int height, const char* title) {
    if (!ptsim::HostWindow::displayAvailable())
        return nullptr;
    try {
        auto window = std::make_unique<ptsim::HostWindow>(width, height, title);
        window->waitMapped();
        return window;
    } catch (const ptsim::Error& e) {
        std::printf("torture: %s: %s\n", title, e.what());
        return nullptr;
    }
}

void tortureTidemill(double seconds, unsigned seed) {
    vsthost::Plugin p(MIRELOW_BUILD_DIR "/tidemill.so");
    p.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
    p.dispatch(effSetBlockSize, 0, 512);
    p.dispatch(effMainsChanged, 0, 1);
    std::atomic<bool> midi{true};
    const int params = p.numParams();
    AudioThread audio(2, seed, [&](int frames, std::mt19937& rng, float** in, float** out) {
        if (midi && rng() % 4 == 0) {
            VstMidiEvent cc{};
            cc.type = kVstMidiType;
            cc.byteSize = sizeof cc;
            const unsigned char controllers[] = {7, 72, 73, 75, 76, 77, 1};
            cc.midiData[0] = static_cast<char>(0xb0 | rng() % 16);
            cc.midiData[1] = static_cast<char>(controllers[rng() % 7]);
            cc.midiData[2] = static_cast<char>(rng() % 128);
            struct {
                VstInt32 numEvents;
                VstIntPtr reserved;
                VstEvent* events[2];
            } list{1, 0, {reinterpret_cast<VstEvent*>(&cc), nullptr}};
            p.dispatch(effProcessEvents, 0, 0, &list);
        }
        p.processReplacing(in, out, frames);
        return finite(out, 2, frames);
    });
    // A VST editor needs the host's window to open in.
    const auto window = hostWindow(445, 370, "torture: tidemill");
    std::unique_ptr<EditorThread> editor;
    if (window)
        editor = std::make_unique<EditorThread>(
            seed + 3, EditorThread::Calls{[&] {
                                              ERect* rect = nullptr;
                                              p.dispatch(effEditGetRect, 0, 0, &rect);
                                              void* parent = reinterpret_cast<void*>(
                                                  static_cast<uintptr_t>(window->window()));
                                              return p.dispatch(effEditOpen, 0, 0, parent) != 0 &&
                                                     rect != nullptr;
                                          },
                                          [&] {
                                              p.dispatch(effEditIdle);
                                              window->pump();
                                          },
                                          [&] { p.dispatch(effEditClose); }});

    std::mt19937 rng(seed + 1);
    long calls = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds * 0.9);
    while (Clock::now() < end) {
        ++calls;
        switch (rng() % 7) {
        case 0:
        case 1:
            p.setParameter(static_cast<VstInt32>(rng() % (params + 2)) - 1, wildValue(rng));
            break;
        case 2:
            p.dispatch(effSetProgram, 0, static_cast<VstIntPtr>(rng() % 10) - 1);
            break;
        case 3: {
            char name[kVstMaxProgNameLen] = {};
            const int n = static_cast<int>(rng() % kVstMaxProgNameLen);
            for (int i = 0; i < n; ++i)
                name[i] = static_cast<char>('a' + rng() % 26);
            p.dispatch(effSetProgramName, 0, 0, name);
            break;
        }
        case 4: {
            const bool preset = rng() % 2;
            const auto chunk = p.getChunk(preset);
            if (!p.setChunk(chunk, preset))
                fail("tidemill refused its own chunk");
            break;
        }
        case 5: {
            AudioThread::Pause pause(audio);
            const float rates[] = {44100.f, 48000.f, 96000.f, 8000.f, 384000.f, 0.f, NAN};
            const int sizes[] = {64, 512, 1024, 4096, 1, 0};
            const int size = sizes[rng() % 6];
            p.dispatch(effMainsChanged, 0, 0);
            p.dispatch(effSetSampleRate, 0, 0, nullptr, rates[rng() % 7]);
            p.dispatch(effSetBlockSize, 0, size);
            p.dispatch(effMainsChanged, 0, 1);
            audio.maxBlock = size > 0 ? size : 512;
            break;
        }
        default:
            for (VstInt32 i = 0; i < params; ++i)
                if (p.paramDisplay(i).size() > 64)
                    fail("a parameter display text ran long");
            break;
        }
    }

    // The last calls, with the audio still running but no more controllers and the editor
    // closed (its idle lets go of the momentary buttons): what they set must be what reads back
    // once everything has stopped.
    if (editor)
        editor->stop();
    midi = false;
    const VstIntPtr program = static_cast<VstIntPtr>(rng() % p.numPrograms());
    p.dispatch(effSetProgram, 0, program);
    char name[kVstMaxProgNameLen] = "tortured";
    p.dispatch(effSetProgramName, 0, 0, name);
    std::vector<float> expected(static_cast<size_t>(params));
    for (VstInt32 i = 0; i < params; ++i) {
        expected[static_cast<size_t>(i)] = std::uniform_real_distribution<float>(0.f, 1.f)(rng);
        p.setParameter(i, expected[static_cast<size_t>(i)]);
        p.setParameter(i, NAN); // ignored
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds * 0.05));
    audio.stop();
    report("tidemill", audio, calls);
    report("tidemill", editor.get());
    if (p.dispatch(effGetProgram) != program)
        fail("tidemill: the program set last is not the current one");
    if (p.programName() != "tortured")
        fail("tidemill: the program name set last reads back as \"" + p.programName() + "\"");
    for (VstInt32 i = 0; i < params; ++i)
        if (p.getParameter(i) != expected[static_cast<size_t>(i)])
            fail("tidemill: parameter " + std::to_string(i) + " reads back " +
                 std::to_string(p.getParameter(i)) + ", not " +
                 std::to_string(expected[static_cast<size_t>(i)]));
    const auto bank = p.getChunk(false);
    p.setChunk(bank, false);
    if (p.getChunk(false) != bank)
        fail("tidemill: the bank does not read back as it was set");
}

void tortureWendle(double seconds, unsigned seed) {
    ptsim::PlugIn plugin(MIRELOW_BUILD_DIR "/wendle.so");
    auto x = plugin.createInstance(2, 44100.0);
    const int controls = static_cast<int>(x->controls().size());
    AudioThread audio(2, seed, [&](int frames, std::mt19937& rng, float** in, float** out) {
        const double tempos[] = {120.0, 60.0, 200.0, 0.0, NAN};
        const bool ok = x->render(in, out, frames, tempos[rng() % 5]) == kPINoErr;
        return ok && finite(out, 2, frames);
    });
    // In a plug-in window when there is a display, else drawn into memory only.
    const auto window = hostWindow(600, 440, "torture: wendle");
    const PIViewRect all{0, 0, 440, 370};
    EditorThread editor(
        seed + 4, EditorThread::Calls{[&] {
                                          if (!x->view().view)
                                              return false;
                                          return (window ? x->openView(window->window())
                                                         : x->openViewOffscreen()) == kPINoErr;
                                      },
                                      [&] {
                                          x->idleView();
                                          x->drawView(all);
                                          if (window)
                                              window->pump();
                                      },
                                      [&] { x->closeView(); }});

    std::mt19937 rng(seed + 2);
    std::vector<ptsim::SessionState> saved = {x->saveState()};
    long calls = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds * 0.9);
    while (Clock::now() < end) {
        ++calls;
        switch (rng() % 5) {
        case 0:
        case 1:
            x->setControl(static_cast<int>(rng() % (controls + 2)), static_cast<int32_t>(rng()));
            break;
        case 2:
            if (saved.size() < 16)
                saved.push_back(x->saveState());
            else
                saved[rng() % saved.size()] = x->saveState();
            break;
        case 3:
            if (x->restoreState(saved[rng() % saved.size()]) != kPINoErr)
                fail("wendle refused a state it saved");
            break;
        default:
            for (const auto& c : x->chunks())
                if (x->setChunk(c.id, x->chunk(c.id).data(), x->chunk(c.id).size()) != kPINoErr)
                    fail("wendle refused its own chunk");
            break;
        }
    }
    editor.stop(); // its idle lets go of the reset button
    std::vector<int32_t> expected(static_cast<size_t>(controls) + 1);
    for (int i = 1; i <= controls; ++i) {
        x->setControl(i, static_cast<int32_t>(rng()));
        expected[static_cast<size_t>(i)] = x->control(i);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds * 0.05));
    audio.stop();
    report("wendle", audio, calls);
    report("wendle", &editor);
    for (int i = 1; i <= controls; ++i)
        if (x->control(i) != expected[static_cast<size_t>(i)])
            fail("wendle: control " + std::to_string(i) + " does not read back as set last");
    const auto state = x->saveState();
    x->restoreState(state);
    const auto again = x->saveState();
    for (size_t c = 0; c < state.chunks.size(); ++c)
        if (again.chunks[c].record != state.chunks[c].record)
            fail("wendle: a restored state does not save again to the same bytes");
}
} // namespace

int main(int argc, char** argv) {
    double seconds = 4;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds")
            seconds = std::strtod(argv[i + 1], nullptr);
        else if (a == "--seed")
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    }
    if (!(seconds > 0)) {
        std::fprintf(stderr, "usage: torture [--seconds S] [--seed N]\n");
        return 2;
    }
    if (!alloccounter::installed || !lockcounter::installed)
        std::printf("torture: heap and lock counters not installed here (sanitizer build): not "
                    "checked\n");
    tortureTidemill(seconds / 2, seed);
    tortureWendle(seconds / 2, seed);
    std::printf("torture: %s\n", failures ? "FAILED" : "every check held");
    return failures ? 1 : 0;
}
