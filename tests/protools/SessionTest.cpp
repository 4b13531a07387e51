// Saving and restoring a session's complete state (controls chunk and the eight curve chunks),
// refusal of bad chunks, and session files.
#include "WendleFixture.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <unistd.h>

using namespace wendletest;

namespace {

const char* const kCurveIds[] = {"LF0L", "LF0R", "LF1L", "LF1R", "DF0L", "DF0R", "DF1L", "DF1R"};

std::string tempFile(const char* name) {
    return ::testing::TempDir() + "/" + name + std::to_string(::getpid());
}

// Learns filter zero from coloured noise (a whole number of hops) and sets the controls away
// from their defaults.
void shape(ptsim::Instance& fx) {
    fx.setControlUnits("filter", 0.0);
    fx.setControlUnits("learn", 1);
    render(fx, colouredNoise(fx.channels(), 172 * 256, 21), 512);
    fx.setControlUnits("learn", 0);
    fx.setControlUnits("depth", 1.5);
    fx.setControlUnits("tilt", 2.0);
    fx.setControlUnits("filter", 0.3);
    fx.setControlUnits("makeup gain", -3.0);
    fx.setControlUnits("lfo divisor", 5);
}

} // namespace

TEST_F(WendleTest, SessionDeclaresTheControlsChunkThenTheEightCurveChunks) {
    auto fx = plugin->createInstance(2);
    const std::vector<ptsim::ChunkDesc> chunks = fx->chunks();
    ASSERT_EQ(chunks.size(), 9u);
    EXPECT_EQ(chunks[0].name, "Complete Controls State");
    const char* const names[] = {"Filter Zero Left Linear", "Filter Zero Right Linear",
                                 "Filter One Left Linear",  "Filter One Right Linear",
                                 "Filter Zero Left dB",     "Filter Zero Right dB",
                                 "Filter One Left dB",      "Filter One Right dB"};
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(ptsim::fourCCString(chunks[i + 1].id), kCurveIds[i]);
        EXPECT_EQ(chunks[i + 1].name, names[i]);
        const std::vector<uint8_t> record = fx->chunk(chunks[i + 1].id);
        ASSERT_EQ(record.size(), 2108u);
        const auto* header = reinterpret_cast<const PIChunkHeader*>(record.data());
        EXPECT_EQ(header->size, 2108);
        EXPECT_EQ(header->chunkID, chunks[i + 1].id);
        EXPECT_EQ(header->manufacturerID, fourCharCode("MRLW"));
        EXPECT_EQ(header->productID, fourCharCode("+wdl"));
        EXPECT_EQ(header->typeID, fourCharCode("+wd2"));
        EXPECT_STREQ(header->name, names[i]);
        // A fresh program is flat: linear 1.0 (big-endian 3f 80 00 00), dB 0.0.
        const float flat = kCurveIds[i][0] == 'L' ? 1.0f : 0.0f;
        for (float v : curveOf(record))
            ASSERT_EQ(v, flat);
    }
}

TEST_F(WendleTest, RestoredSessionSoundsTheSameAfterTheFirstGainRefresh) {
    auto original = plugin->createInstance(2);
    shape(*original);
    const std::string path = tempFile("wendle-session");
    ptsim::writeSession(path, original->saveState());

    auto restored = plugin->createInstance(2);
    ASSERT_EQ(restored->restoreState(ptsim::readSession(path)), kPINoErr);
    std::remove(path.c_str());

    // The same controls and the same curves, byte for byte.
    for (const ptsim::ControlDesc& c : original->controls())
        EXPECT_EQ(restored->control(c.index), original->control(c.index)) << c.longName;
    for (const ptsim::ChunkDesc& c : original->chunks()) {
        std::vector<uint8_t> a = original->chunk(c.id), b = restored->chunk(c.id);
        EXPECT_EQ(a, b) << c.name;
    }
    // The learned filter is not flat.
    const std::vector<float> learned = curveOf(original->chunk(ptsim::parseFourCC("DF0L")));
    EXPECT_LT(*std::min_element(learned.begin(), learned.end()), -10.0f);

    // A change of depth refreshes the gains; then both play the same samples.
    for (ptsim::Instance* fx : {original.get(), restored.get()}) {
        const int depth = fx->requireControl("depth");
        fx->setControl(depth, fx->control(depth));
        render(*fx, silence(2, 8192), 512);
    }
    const Channels in = colouredNoise(2, 16384, 77);
    const Channels a = render(*original, in, 512);
    const Channels b = render(*restored, in, 512);
    EXPECT_EQ(a, b);
    EXPECT_LT(energy(a[0]), 0.5 * energy(in[0]));
}

TEST_F(WendleTest, MonoInstanceKeepsItsRightCurvesThroughSaveAndRestore) {
    auto mono = plugin->createInstance(1);
    std::vector<float> right(513);
    for (size_t k = 0; k < right.size(); ++k)
        right[k] = -0.05f * static_cast<float>(k);
    const auto record = curveRecord(right);
    for (const char* id : {"DF0R", "DF1R"})
        ASSERT_EQ(mono->setChunk(ptsim::parseFourCC(id), record.data(), record.size()), kPINoErr);
    shape(*mono);
    const ptsim::SessionState state = mono->saveState();

    auto fresh = plugin->createInstance(1);
    ASSERT_EQ(fresh->restoreState(state), kPINoErr);
    EXPECT_EQ(curveOf(fresh->chunk(ptsim::parseFourCC("DF1R"))), right);
    for (const char* id : kCurveIds)
        EXPECT_EQ(fresh->chunk(ptsim::parseFourCC(id)), mono->chunk(ptsim::parseFourCC(id))) << id;
}

TEST_F(WendleTest, BadCurveChunksAreRefusedAndChangeNothing) {
    auto fx = plugin->createInstance(2);
    const PIFourCC id = ptsim::parseFourCC("DF0L");
    const std::vector<uint8_t> before = fx->chunk(id);
    std::vector<float> curve(513, -6.0f);

    struct Case {
        const char* what;
        int32_t sizeWord;
        size_t length;
        size_t badIndex;
        float badValue;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"size word 2107", 2107, 2108, 0, -6.0f},
        {"size word 2109", 2109, 2109, 0, -6.0f},
        {"size word of a header only", 56, 2108, 0, -6.0f},
        {"size word 0", 0, 2108, 0, -6.0f},
        {"negative size word", -2108, 2108, 0, -6.0f},
        {"fewer bytes than the size word", 2108, 2100, 0, -6.0f},
        {"fewer bytes than a header", 2108, 40, 0, -6.0f},
        {"a NaN", 2108, 2108, 100, nan},
        {"plus infinity", 2108, 2108, 0, inf},
        {"minus infinity", 2108, 2108, 512, -inf},
    };
    for (const Case& c : cases) {
        std::vector<float> values = curve;
        values[c.badIndex] = c.badValue;
        std::vector<uint8_t> record = curveRecord(values);
        std::memcpy(record.data(), &c.sizeWord, 4);
        EXPECT_EQ(fx->setChunk(id, record.data(), c.length), kPIErr_BadChunk) << c.what;
        EXPECT_EQ(fx->chunk(id), before) << c.what;
    }
    const std::vector<uint8_t> good = curveRecord(curve);
    EXPECT_EQ(fx->setChunk(ptsim::parseFourCC("XXXX"), good.data(), good.size()),
              kPIErr_UnknownChunk);
    EXPECT_EQ(fx->setChunk(id, nullptr, 2108), kPIErr_BadChunk);
    EXPECT_EQ(fx->setChunk(id, good.data(), good.size()), kPINoErr);
    EXPECT_EQ(curveOf(fx->chunk(id)), curve);
}

TEST_F(WendleTest, BadControlsChunkIsRefusedAndChangesNothing) {
    auto fx = plugin->createInstance(2);
    fx->setControlUnits("depth", 1.25);
    const PIFourCC id = fx->chunks()[0].id;
    std::vector<uint8_t> record = fx->chunk(id);
    const std::vector<uint8_t> before = record;
    // Claims one control more than the record holds.
    record[56 + 3] = static_cast<uint8_t>(record[56 + 3] + 1);
    EXPECT_EQ(fx->setChunk(id, record.data(), record.size()), kPIErr_BadChunk);
    EXPECT_EQ(fx->setChunk(id, before.data(), before.size() - 1), kPIErr_BadChunk);
    EXPECT_EQ(fx->chunk(id), before);
    EXPECT_EQ(fx->controlText(fx->requireControl("depth")), "1.25");
}

TEST(SessionFile, DamagedFilesAreRefusedWithAClearError) {
    ptsim::SessionState state;
    state.typeID = fourCharCode("+wd2");
    state.chunks.push_back({fourCharCode("LF0L"), std::vector<uint8_t>(2108, 7)});
    const std::string path = tempFile("wendle-file");
    ptsim::writeSession(path, state);
    std::vector<char> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const ptsim::SessionState back = ptsim::readSession(path);
    EXPECT_EQ(back.typeID, state.typeID);
    ASSERT_EQ(back.chunks.size(), 1u);
    EXPECT_EQ(back.chunks[0].record, state.chunks[0].record);

    struct Case {
        const char* what;
        size_t keep;      // bytes kept from the start
        int changeAt;     // byte to change, or -1
        const char* tail; // bytes appended
    };
    const Case cases[] = {
        {"empty", 0, -1, ""},
        {"cut inside the header", 10, -1, ""},
        {"cut inside a chunk", bytes.size() - 5, -1, ""},
        {"wrong magic", bytes.size(), 0, ""},
        {"unknown version", bytes.size(), 7, ""},
        {"trailing bytes", bytes.size(), -1, "xyz"},
        {"chunk count beyond the file", bytes.size(), 15, ""},
    };
    for (const Case& c : cases) {
        std::vector<char> damaged(bytes.begin(), bytes.begin() + static_cast<long>(c.keep));
        if (c.changeAt >= 0)
            damaged[static_cast<size_t>(c.changeAt)] ^= 0x40;
        damaged.insert(damaged.end(), c.tail, c.tail + std::strlen(c.tail));
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
        }
        EXPECT_THROW(ptsim::readSession(path), ptsim::Error) << c.what;
    }
    std::remove(path.c_str());
    EXPECT_THROW(ptsim::readSession(path), ptsim::Error);
}
