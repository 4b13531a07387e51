// Buffers, signals and seed files shared by the fuzz targets.
#include "FuzzSupport.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace fuzz {

AudioBuffers::AudioBuffers(int channels, size_t n) : frames(n) {
    for (int c = 0; c < channels; ++c) {
        data.emplace_back(new float[n]());
        ptrs.push_back(data.back().get());
    }
}

bool AudioBuffers::finite() const {
    for (const auto& d : data)
        if (!allFinite(d.get(), frames))
            return false;
    return true;
}

void fillSignal(AudioBuffers& in, uint8_t kind, uint32_t seed) {
    // Uniform noise in [-1, 1) from a xorshift generator: the signal needs no finer randomness,
    // and a block of it costs a few operations a sample rather than a library distribution's.
    uint32_t x = seed * 2654435761u + 0x9E3779B9u;
    if (x == 0)
        x = 1;
    for (auto& d : in.data)
        for (size_t i = 0; i < in.frames; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            float v = static_cast<float>(x >> 8) * (2.0f / 16777216.0f) - 1.0f;
            switch (kind % 4) {
            case 1:
                v = 0.f;
                break;
            case 2:
                v = (i & 1) ? 1e-42f : -1e-42f;
                break;
            case 3:
                if (i % 37 == 5)
                    v = (i & 2) ? NAN : (i & 4) ? HUGE_VALF : -HUGE_VALF;
                break;
            default:
                break;
            }
            d[i] = v;
        }
}

std::string builtPlugin(const char* file) {
    return std::string(MIRELOW_BUILD_DIR) + "/" + file;
}

int writeSeeds(const std::string& dir) {
    std::filesystem::create_directories(dir);
    const auto all = seeds();
    for (size_t i = 0; i < all.size(); ++i) {
        std::ofstream out(dir + "/seed-" + std::to_string(i), std::ios::binary);
        out.write(reinterpret_cast<const char*>(all[i].data()),
                  static_cast<std::streamsize>(all[i].size()));
    }
    return static_cast<int>(all.size());
}

} // namespace fuzz
