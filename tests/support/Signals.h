// Test signals made by code: planar float audio the tests feed to the engine and the plug-ins.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

namespace testsignals {

using Signal = std::vector<float>;

// Uniform white noise in ±amplitude, the same for the same seed.
inline Signal noise(std::size_t n, unsigned seed, float amplitude = 0.5f) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> u(-amplitude, amplitude);
    Signal s(n);
    for (auto& x : s)
        x = u(rng);
    return s;
}

} // namespace testsignals
