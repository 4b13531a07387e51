// Big-endian words and floats: every chunk, stored record and file header keeps its numbers most
// significant byte first, whatever the machine's order. Floats travel as their IEEE bits. Also the
// four-character codes, which are such words read as text.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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

// A run of floats, 4 bytes each; answers the byte after the last one written or read.
inline unsigned char* storeBigEndianFloats(std::span<const float> values, unsigned char* out) {
    for (float v : values) {
        storeBigEndianFloat(v, out);
        out += 4;
    }
    return out;
}

inline const unsigned char* loadBigEndianFloats(const unsigned char* in, std::span<float> values) {
    for (float& v : values) {
        v = loadBigEndianFloat(in);
        in += 4;
    }
    return in;
}

// True when each of the `count` big-endian floats at `in` is finite.
inline bool bigEndianFloatsFinite(const unsigned char* in, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, in += 4)
        if (!std::isfinite(loadBigEndianFloat(in)))
            return false;
    return true;
}

// A four-character code as a word, first character in the most significant byte ("VstP" is
// 0x56737450).
constexpr std::uint32_t fourCharCode(const char (&c)[5]) {
    return (std::uint32_t{static_cast<unsigned char>(c[0])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(c[1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(c[2])} << 8) |
           std::uint32_t{static_cast<unsigned char>(c[3])};
}

// How fourCharText shows a byte outside printable ASCII.
enum class Unprintable {
    Question, // '?'
    Escape,   // "\xNN", upper-case hex
};

// A code's four characters, first the most significant byte.
inline std::string fourCharText(std::uint32_t code, Unprintable shown = Unprintable::Question) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(code >> shift);
        if (c >= 32 && c < 127) {
            s += static_cast<char>(c);
        } else if (shown == Unprintable::Question) {
            s += '?';
        } else {
            s += "\\x";
            s += kHex[c >> 4];
            s += kHex[c & 15];
        }
    }
    return s;
}
