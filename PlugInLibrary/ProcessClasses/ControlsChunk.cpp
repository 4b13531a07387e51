// The controls chunk.
#include "ControlsChunk.h"

namespace pil {

int32_t ControlsChunkSize(size_t numControls) {
    return kChunkHeaderSize + 4 + 8 * static_cast<int32_t>(numControls);
}

void WriteControlsChunk(const ControlList& controls, PIChunkHeader* record) {
    record->size = ControlsChunkSize(controls.size());
    record->version = kControlsChunkVersion;
    uint8_t* data = ChunkData(record);
    storeBigEndian32(static_cast<uint32_t>(controls.size()), data);
    data += 4;
    for (const auto& control : controls) {
        storeBigEndian32(control->GetID(), data);
        storeBigEndian32(static_cast<uint32_t>(control->GetValue()), data + 4);
        data += 8;
    }
}

PIErr CheckControlsChunk(const PIChunkHeader* record, int32_t length, uint32_t* count) {
    if (!record || length < kChunkHeaderSize + 4)
        return kPIErr_BadChunk;
    const int32_t size = record->size;
    if (size < kChunkHeaderSize + 4 || size > length)
        return kPIErr_BadChunk;
    const uint32_t n = loadBigEndian32(ChunkData(record));
    if (n > 4096 || ControlsChunkSize(n) != size)
        return kPIErr_BadChunk;
    *count = n;
    return kPINoErr;
}

int32_t FindControl(const ControlList& controls, PIFourCC id) {
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i]->GetID() == id)
            return static_cast<int32_t>(i + 1);
    return 0;
}

} // namespace pil
