// Plug-in chunk records: the 56-byte header and the big-endian byte order of chunk data. Every
// chunk reads and writes its numbers through these helpers.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../PlugInProtocol.h"

namespace pil {

constexpr int32_t kChunkHeaderSize = static_cast<int32_t>(sizeof(PIChunkHeader));

inline uint8_t* ChunkData(PIChunkHeader* record) {
    return reinterpret_cast<uint8_t*>(record) + kChunkHeaderSize;
}
inline const uint8_t* ChunkData(const PIChunkHeader* record) {
    return reinterpret_cast<const uint8_t*>(record) + kChunkHeaderSize;
}

inline void StoreBigEndian32(uint32_t value, uint8_t* out) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

inline uint32_t LoadBigEndian32(const uint8_t* in) {
    return (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) | (uint32_t{in[2]} << 8) |
           uint32_t{in[3]};
}

inline void StoreBigEndianFloat(float value, uint8_t* out) {
    StoreBigEndian32(std::bit_cast<uint32_t>(value), out);
}

inline float LoadBigEndianFloat(const uint8_t* in) {
    return std::bit_cast<float>(LoadBigEndian32(in));
}

// count floats into 4 x count bytes, big-endian, and back.
inline void StoreBigEndianFloats(const float* values, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i)
        StoreBigEndianFloat(values[i], out + 4 * i);
}

inline void LoadBigEndianFloats(const uint8_t* in, size_t count, float* values) {
    for (size_t i = 0; i < count; ++i)
        values[i] = LoadBigEndianFloat(in + 4 * i);
}

} // namespace pil
