// Big-endian float encoding for the compander's chunks: every stored float travels in this form,
// whatever the byte order of the machine.
#pragma once

#include <cstdint>
#include <cstring>

namespace compander {

inline void writeBigEndianFloat(float value, unsigned char* out) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    out[0] = static_cast<unsigned char>(bits >> 24);
    out[1] = static_cast<unsigned char>(bits >> 16);
    out[2] = static_cast<unsigned char>(bits >> 8);
    out[3] = static_cast<unsigned char>(bits);
}

inline float readBigEndianFloat(const unsigned char* in) {
    const std::uint32_t bits = (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) |
                               (std::uint32_t{in[2]} << 8) | std::uint32_t{in[3]};
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace compander
