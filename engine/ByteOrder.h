// Big-endian words and floats: every chunk and stored record keeps its numbers most significant
// byte first, whatever the machine's order. Floats travel as their IEEE bits.
#pragma once

#include <bit>
#include <cstdint>

inline void storeBigEndian32(std::uint32_t value, unsigned char* out) {
    out[0] = static_cast<unsigned char>(value >> 24);
    out[1] = static_cast<unsigned char>(value >> 16);
    out[2] = static_cast<unsigned char>(value >> 8);
    out[3] = static_cast<unsigned char>(value);
}

inline std::uint32_t loadBigEndian32(const unsigned char* in) {
    return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) |
           (std::uint32_t{in[2]} << 8) | std::uint32_t{in[3]};
}

inline void storeBigEndianFloat(float value, unsigned char* out) {
    storeBigEndian32(std::bit_cast<std::uint32_t>(value), out);
}

inline float loadBigEndianFloat(const unsigned char* in) {
    return std::bit_cast<float>(loadBigEndian32(in));
}
