// Helpers for the tests that drive an effect from several threads at once: a steady stereo test
// block, a burst of MIDI control changes, and a runner that keeps host threads busy while the
// audio thread renders a fixed number of blocks.
#pragma once

#include "vst/VstAbi.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

namespace threadrig {

// Two channels of a signal that repeats every hop (256 samples), so that every analysis frame
// sees the same spectrum and the effects' per-bin gains settle.
struct Block {
    static constexpr int kFrames = 256;
    std::vector<float> in[2], out[2];
    float* ins[2];
    float* outs[2];
    Block() {
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kFrames);
            out[c].assign(kFrames, 0.0f);
            ins[c] = in[c].data();
            outs[c] = out[c].data();
        }
        const double w = 2.0 * 3.14159265358979323846 / kFrames;
        for (int i = 0; i < kFrames; ++i) {
            in[0][i] = static_cast<float>(0.3 * std::sin(3 * w * i) + 0.05 * std::sin(40 * w * i) +
                                          0.01 * std::sin(101 * w * i));
            in[1][i] = static_cast<float>(0.2 * std::sin(7 * w * i) + 0.02 * std::cos(63 * w * i));
        }
    }
};

// Control changes (status 0xB0) of the given controllers and 7-bit values.
struct MidiBurst {
    std::vector<VstMidiEvent> events;
    std::vector<VstEvent*> pointers;
    std::vector<unsigned char> list; // VstEvents with room for every pointer
    explicit MidiBurst(const std::vector<std::pair<int, int>>& changes) : events(changes.size()) {
        for (std::size_t i = 0; i < changes.size(); ++i) {
            events[i] = {};
            events[i].type = kVstMidiType;
            events[i].byteSize = sizeof(VstMidiEvent);
            events[i].midiData[0] = static_cast<char>(0xB0);
            events[i].midiData[1] = static_cast<char>(changes[i].first);
            events[i].midiData[2] = static_cast<char>(changes[i].second);
            pointers.push_back(reinterpret_cast<VstEvent*>(&events[i]));
        }
        list.resize(sizeof(VstEvents) + sizeof(VstEvent*) * pointers.size());
        auto* e = reinterpret_cast<VstEvents*>(list.data());
        e->numEvents = static_cast<VstInt32>(pointers.size());
        VstEvent** slots = e->events; // declared with two entries, really numEvents
        for (std::size_t i = 0; i < pointers.size(); ++i)
            slots[i] = pointers[i];
    }
    VstEvents* get() { return reinterpret_cast<VstEvents*>(list.data()); }
};

// Runs each host function in a loop on its own thread (it is handed its round number) while
// `audio` runs `blocks` times on this thread; then stops and joins the host threads.
inline void runBeside(int blocks, const std::function<void(int)>& audio,
                      const std::vector<std::function<void(int)>>& hosts) {
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (const auto& host : hosts)
        threads.emplace_back([&done, &host] {
            for (int round = 0; !done.load(); ++round)
                host(round);
        });
    for (int b = 0; b < blocks; ++b)
        audio(b);
    done = true;
    for (auto& t : threads)
        t.join();
}

} // namespace threadrig
