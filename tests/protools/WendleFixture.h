// Shared helpers of the wendle integration tests: the plug-in library, test signals, and
// block-wise rendering through the simulator.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PtSim.h"

namespace wendletest {

inline std::string pluginPath() {
    return std::string(MIRELOW_BUILD_DIR) + "/wendle.so";
}

using Channels = std::vector<std::vector<float>>;

// Low-passed noise (a spectrum with a shape to learn), one seed per channel.
inline Channels colouredNoise(int channels, size_t frames, unsigned seed, float gain = 0.5f) {
    Channels out(static_cast<size_t>(channels), std::vector<float>(frames));
    for (int ch = 0; ch < channels; ++ch) {
        std::mt19937 rng(seed + 97u * static_cast<unsigned>(ch));
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        float y = 0.0f;
        for (float& s : out[static_cast<size_t>(ch)]) {
            y = 0.9f * y + 0.1f * u(rng);
            s = gain * 4.0f * y;
        }
    }
    return out;
}

inline Channels silence(int channels, size_t frames) {
    return Channels(static_cast<size_t>(channels), std::vector<float>(frames, 0.0f));
}

// Renders the whole signal in blocks of blockSize (the last one shorter), tempo in bpm.
inline Channels render(ptsim::Instance& fx, const Channels& in, size_t blockSize,
                       double tempo = 120.0) {
    const size_t frames = in[0].size();
    Channels out(in.size(), std::vector<float>(frames, 0.0f));
    std::vector<float*> ins(in.size()), outs(in.size());
    for (size_t pos = 0; pos < frames; pos += blockSize) {
        const size_t n = std::min(blockSize, frames - pos);
        for (size_t ch = 0; ch < in.size(); ++ch) {
            ins[ch] = const_cast<float*>(in[ch].data()) + pos;
            outs[ch] = out[ch].data() + pos;
        }
        EXPECT_EQ(fx.render(ins.data(), outs.data(), static_cast<int32_t>(n), tempo), kPINoErr);
    }
    return out;
}

inline double energy(const std::vector<float>& x, size_t from = 0) {
    double e = 0;
    for (size_t i = from; i < x.size(); ++i)
        e += static_cast<double>(x[i]) * x[i];
    return e;
}

// The curve floats of a chunk record (big-endian data after the 56-byte header).
inline std::vector<float> curveOf(const std::vector<uint8_t>& record) {
    std::vector<float> curve((record.size() - 56) / 4);
    for (size_t i = 0; i < curve.size(); ++i) {
        const uint8_t* b = record.data() + 56 + 4 * i;
        const uint32_t bits = (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) |
                              (uint32_t{b[2]} << 8) | uint32_t{b[3]};
        std::memcpy(&curve[i], &bits, 4);
    }
    return curve;
}

// A curve chunk record holding the given floats.
inline std::vector<uint8_t> curveRecord(const std::vector<float>& curve) {
    std::vector<uint8_t> record(56 + 4 * curve.size(), 0);
    const int32_t size = static_cast<int32_t>(record.size());
    std::memcpy(record.data(), &size, 4);
    for (size_t i = 0; i < curve.size(); ++i) {
        uint32_t bits;
        std::memcpy(&bits, &curve[i], 4);
        uint8_t* b = record.data() + 56 + 4 * i;
        b[0] = static_cast<uint8_t>(bits >> 24);
        b[1] = static_cast<uint8_t>(bits >> 16);
        b[2] = static_cast<uint8_t>(bits >> 8);
        b[3] = static_cast<uint8_t>(bits);
    }
    return record;
}

class WendleTest : public ::testing::Test {
  protected:
    void SetUp() override { plugin = std::make_unique<ptsim::PlugIn>(pluginPath()); }
    std::unique_ptr<ptsim::PlugIn> plugin;
};

} // namespace wendletest
