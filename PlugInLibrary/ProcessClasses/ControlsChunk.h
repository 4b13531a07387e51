// The "Complete Controls State" chunk: the values of all of a process's controls. Data after
// the 56-byte header, big-endian: control count, then per control its ID and its 32-bit value.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "../Controls/CPluginControl.h"
#include "../PlugInProtocol.h"

namespace pil {

constexpr PIFourCC kControlsChunkID = fourCharCode("ctst");
constexpr const char* kControlsChunkName = "Complete Controls State";
constexpr int32_t kControlsChunkVersion = 1;

using ControlList = std::vector<std::unique_ptr<CPluginControl>>;

// Total record size for numControls controls.
int32_t ControlsChunkSize(size_t numControls);

// Writes the data and the size word (the record must hold ControlsChunkSize bytes).
void WriteControlsChunk(const ControlList& controls, PIChunkHeader* record);

// Checks a record of length bytes, then, only when all of it is sound, sets the controls it
// names (IDs the process does not have are skipped) and calls changed(index) for each control
// set (numbered from 1). Refuses with kPIErr_BadChunk: a size word that is not the record's own
// size or exceeds length, or a count that does not fit.
template <typename Changed>
PIErr ReadControlsChunk(const ControlList& controls, const PIChunkHeader* record, int32_t length,
                        Changed&& changed);

PIErr CheckControlsChunk(const PIChunkHeader* record, int32_t length, uint32_t* count);
int32_t FindControl(const ControlList& controls, PIFourCC id); // index from 1, or 0

} // namespace pil

#include "../EffectClasses/ChunkRecord.h"

template <typename Changed>
PIErr pil::ReadControlsChunk(const ControlList& controls, const PIChunkHeader* record,
                             int32_t length, Changed&& changed) {
    uint32_t count = 0;
    if (PIErr err = CheckControlsChunk(record, length, &count))
        return err;
    const uint8_t* entry = ChunkData(record) + 4;
    for (uint32_t i = 0; i < count; ++i, entry += 8) {
        const int32_t index = FindControl(controls, loadBigEndian32(entry));
        if (index == 0)
            continue;
        controls[static_cast<size_t>(index - 1)]->SetValue(
            static_cast<int32_t>(loadBigEndian32(entry + 4)));
        changed(index);
    }
    return kPINoErr;
}
