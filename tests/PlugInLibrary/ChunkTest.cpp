// Chunk records: byte order, the controls chunk, refusal of bad records, the routine table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "PlugInLibrary/PlugInLibrary.h"

using namespace pil;

TEST(ChunkRecord, FloatsAreStoredBigEndian) {
    uint8_t bytes[8];
    const float values[2] = {1.0f, -2.5f};
    StoreBigEndianFloats(values, 2, bytes);
    const uint8_t expected[8] = {0x3f, 0x80, 0x00, 0x00, 0xc0, 0x20, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
    float back[2];
    LoadBigEndianFloats(bytes, 2, back);
    EXPECT_EQ(back[0], 1.0f);
    EXPECT_EQ(back[1], -2.5f);
    EXPECT_EQ(sizeof(PIChunkHeader), 56u);
}

namespace {

ControlList makeControls() {
    ControlList controls;
    controls.emplace_back(new CPluginControl_OnOff(fourCharCode("bypa"), "b\nb", false));
    controls.emplace_back(
        new CPluginControl_Linear(fourCharCode("knb1"), "d\nd", -2.0, 2.0, 0.01, 0.0));
    controls.emplace_back(new CPluginControl_Discrete(fourCharCode("knb5"), "v\nv", 1, 11, 3));
    return controls;
}

std::vector<uint8_t> saved(const ControlList& controls) {
    std::vector<uint8_t> record(static_cast<size_t>(ControlsChunkSize(controls.size())));
    WriteControlsChunk(controls, reinterpret_cast<PIChunkHeader*>(record.data()));
    return record;
}

} // namespace

TEST(ControlsChunk, RoundTripRestoresEveryControlAndReportsEachChange) {
    ControlList a = makeControls();
    a[0]->SetValue(INT32_MAX);
    a[1]->SetValue(123456789);
    a[2]->SetValue(a[2]->UnitsToControlValue(9));
    const std::vector<uint8_t> record = saved(a);
    EXPECT_EQ(record.size(), 56u + 4u + 3u * 8u);
    EXPECT_EQ(reinterpret_cast<const PIChunkHeader*>(record.data())->size,
              static_cast<int32_t>(record.size()));

    ControlList b = makeControls();
    std::vector<int32_t> changed;
    ASSERT_EQ(ReadControlsChunk(b, reinterpret_cast<const PIChunkHeader*>(record.data()),
                                static_cast<int32_t>(record.size()),
                                [&](int32_t i) { changed.push_back(i); }),
              kPINoErr);
    EXPECT_EQ(changed, (std::vector<int32_t>{1, 2, 3}));
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(b[i]->GetValue(), a[i]->GetValue());
}

TEST(ControlsChunk, BadRecordsAreRefusedAndChangeNothing) {
    ControlList source = makeControls();
    source[1]->SetValue(99);
    const std::vector<uint8_t> good = saved(source);
    const int32_t size = static_cast<int32_t>(good.size());

    struct Case {
        const char* what;
        int32_t sizeWord;
        int32_t length;
        uint32_t count;
    };
    const Case cases[] = {
        {"size word beyond the host's bytes", size, size - 1, 3},
        {"size word smaller than the header", 40, size, 3},
        {"count disagrees with the size", size, size, 4},
        {"huge count", size, size, 0xffffffffu},
        {"negative size word", -size, size, 3},
        {"length shorter than a header", size, 20, 3},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> record = good;
        reinterpret_cast<PIChunkHeader*>(record.data())->size = c.sizeWord;
        storeBigEndian32(c.count, ChunkData(reinterpret_cast<PIChunkHeader*>(record.data())));
        ControlList target = makeControls();
        bool called = false;
        EXPECT_EQ(ReadControlsChunk(target, reinterpret_cast<const PIChunkHeader*>(record.data()),
                                    c.length, [&](int32_t) { called = true; }),
                  kPIErr_BadChunk)
            << c.what;
        EXPECT_FALSE(called) << c.what;
        EXPECT_EQ(target[1]->GetValue(), makeControls()[1]->GetValue()) << c.what;
    }
}

TEST(ControlsChunk, UnknownControlsAreSkipped) {
    ControlList source = makeControls();
    source[1]->SetValue(4242);
    std::vector<uint8_t> record = saved(source);
    // Rename the first entry's control to an ID the target does not have.
    storeBigEndian32(fourCharCode("zzzz"),
                     ChunkData(reinterpret_cast<PIChunkHeader*>(record.data())) + 4);
    ControlList target = makeControls();
    std::vector<int32_t> changed;
    EXPECT_EQ(ReadControlsChunk(target, reinterpret_cast<const PIChunkHeader*>(record.data()),
                                static_cast<int32_t>(record.size()),
                                [&](int32_t i) { changed.push_back(i); }),
              kPINoErr);
    EXPECT_EQ(changed, (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(target[1]->GetValue(), 4242);
}

TEST(RoutineTable, OnlySelectorsZeroTo167HaveRoutines) {
    for (int32_t s : {-1, 168, 1000, INT32_MIN})
        EXPECT_EQ(GetRoutine(s), nullptr) << s;
    for (int32_t s = 0; s < kPINumRoutines; ++s)
        ASSERT_NE(GetRoutine(s), nullptr) << s;
    // Reserved selectors answer "unsupported"; without a group nothing is described.
    EXPECT_EQ(reinterpret_cast<PIReservedProc>(GetRoutine(kPIRoutine_FirstReserved))(),
              kPIErr_Unsupported);
    EXPECT_EQ(reinterpret_cast<PIReservedProc>(GetRoutine(167))(), kPIErr_Unsupported);
    PIGroupInfo info;
    EXPECT_EQ(reinterpret_cast<PIGetGroupInfoProc>(GetRoutine(kPIRoutine_GetGroupInfo))(&info),
              kPIErr_BadInstance);
    float* buffers[1] = {nullptr};
    EXPECT_EQ(reinterpret_cast<PIRenderProc>(GetRoutine(kPIRoutine_Render))(nullptr, buffers,
                                                                            buffers, 16),
              kPIErr_BadInstance);
}
