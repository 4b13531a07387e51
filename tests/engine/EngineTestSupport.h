// Signals and a block-wise runner shared by the engine tests.
#pragma once

#include "engine/SpectralEngine.h"
#include "tests/support/Signals.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace enginetest {

using testsignals::noise;
using testsignals::Signal;

inline Signal sine(size_t n, double cyclesPerSample, float amplitude = 1.f) {
    Signal s(n);
    for (size_t i = 0; i < n; ++i)
        s[i] = amplitude * static_cast<float>(std::sin(2.0 * M_PI * cyclesPerSample * i));
    return s;
}

// Feeds both channels through processAudio in blocks of blockSize; outputs start as fill.
inline std::vector<Signal> run(SpectralEngine& e, const Signal& in0, const Signal& in1,
                               int blockSize, float fill = 0.f, bool replace = true) {
    std::vector<Signal> out(2, Signal(in0.size(), fill));
    for (size_t pos = 0; pos < in0.size(); pos += static_cast<size_t>(blockSize)) {
        const auto n = static_cast<int32_t>(std::min<size_t>(blockSize, in0.size() - pos));
        float* ins[2] = {const_cast<float*>(in0.data()) + pos,
                         const_cast<float*>(in1.data()) + pos};
        float* outs[2] = {out[0].data() + pos, out[1].data() + pos};
        e.processAudio(ins, outs, n, replace);
    }
    return out;
}

// The gain an identity hook applies at each position j of a hop: N times the sum of the
// analysis and synthesis window products of the four frames that overlap there.
inline std::vector<double> overlapGain() {
    constexpr int n = SpectralEngine::kFftSize, h = SpectralEngine::kHopSize;
    std::vector<float> ana(n), syn(n);
    SpectralEngine::buildWindows(ana.data(), syn.data(), n, h, false);
    std::vector<double> g(h, 0.0);
    for (int j = 0; j < h; ++j)
        for (int k = j; k < n; k += h)
            g[j] += static_cast<double>(n) * ana[k] * syn[k];
    return g;
}

} // namespace enginetest
