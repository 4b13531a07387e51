// Plug-in chunk records: the 56-byte header and the big-endian byte order of chunk data. Every
// chunk reads and writes its numbers through these helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../PlugInProtocol.h"
#include "engine/ByteOrder.h"

namespace pil {

constexpr int32_t kChunkHeaderSize = static_cast<int32_t>(sizeof(PIChunkHeader));

inline uint8_t* ChunkData(PIChunkHeader* record) {
    return reinterpret_cast<uint8_t*>(record) + kChunkHeaderSize;
}
inline const uint8_t* ChunkData(const PIChunkHeader* record) {
    return reinterpret_cast<const uint8_t*>(record) + kChunkHeaderSize;
}

// count floats into 4 x count bytes, big-endian, and back.
inline void StoreBigEndianFloats(const float* values, size_t count, uint8_t* out) {
    for (size_t i = 0; i < count; ++i)
        storeBigEndianFloat(values[i], out + 4 * i);
}

inline void LoadBigEndianFloats(const uint8_t* in, size_t count, float* values) {
    for (size_t i = 0; i < count; ++i)
        values[i] = loadBigEndianFloat(in + 4 * i);
}

} // namespace pil
