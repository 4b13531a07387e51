// What wendle's editor shows of the audio thread's work: the input and output spectra of both
// channels, the applied gains and the tilt curve of one frame, published whole by the frame hook
// while an editor asks for them, so that a repaint never reads arrays the audio thread is writing.
#pragma once

#include <array>

#include "wendle/WendleProgram.h"

namespace wendlefx {

constexpr int kSpectrumFloats = 1024; // a halfcomplex spectrum of the 1024-point transform

struct WendleDisplayFrame {
    std::array<std::array<float, kSpectrumFloats>, 2> input{};  // per channel, halfcomplex
    std::array<std::array<float, kSpectrumFloats>, 2> output{}; // what the frame resynthesises
    std::array<std::array<float, kBins>, 2> appliedGain{};      // per side
    std::array<float, kBins> tilt{};
    WendleDisplayFrame() {
        for (auto& side : appliedGain)
            side.fill(1.0f);
        tilt.fill(1.0f);
    }
};

} // namespace wendlefx
