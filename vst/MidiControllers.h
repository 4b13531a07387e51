// MIDI control changes as parameter moves: each effect names, in a table, the controller numbers
// it follows and the parameter each one moves.
#pragma once

#include "VstAbi.h"

#include <span>

namespace vst {

struct MidiController {
    int controller; // 0 … 127
    int param;      // the effect's parameter index
};

// A controller's 7-bit value as a parameter value: value / 128 (127 → 0.9921875, 64 → 0.5).
constexpr float controllerValue(int value) {
    return static_cast<float>(value & 0x7f) / 128.0f;
}

// For every control change in `events` whose controller the table names, in the list's order:
// set(param, controllerValue(value)). A null list, a count of 0 or less, null events and events
// that are not MIDI control changes are passed over. No allocation.
template <class Set>
void forEachControllerMove(const VstEvents* events, std::span<const MidiController> table,
                           Set&& set) {
    if (events == nullptr)
        return;
    // The list is declared with two entries but holds numEvents: read it through a pointer.
    VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = list[i];
        if (event == nullptr || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        if ((static_cast<unsigned char>(midi->midiData[0]) & 0xf0) != 0xb0)
            continue;
        const int controller = static_cast<unsigned char>(midi->midiData[1]);
        for (const MidiController& c : table)
            if (c.controller == controller)
                set(c.param, controllerValue(static_cast<unsigned char>(midi->midiData[2])));
    }
}

} // namespace vst
