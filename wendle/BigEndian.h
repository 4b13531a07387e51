// Big-endian float storage for the effect's chunks: stored floats keep their IEEE bits with the
// most significant byte first, whatever the machine's order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace wendlefx {

inline void storeBigEndianFloat(float value, unsigned char* out) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    out[0] = static_cast<unsigned char>(bits >> 24);
    out[1] = static_cast<unsigned char>(bits >> 16);
    out[2] = static_cast<unsigned char>(bits >> 8);
    out[3] = static_cast<unsigned char>(bits);
}

inline float loadBigEndianFloat(const unsigned char* in) {
    const uint32_t bits = (static_cast<uint32_t>(in[0]) << 24) |
                          (static_cast<uint32_t>(in[1]) << 16) |
                          (static_cast<uint32_t>(in[2]) << 8) | static_cast<uint32_t>(in[3]);
    return std::bit_cast<float>(bits);
}

} // namespace wendlefx
