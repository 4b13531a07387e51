// Rendering through build/wendle.so: mono and stereo, bypass, meters, the tempo-locked LFO,
// block-size invariance and a heap-free audio path.
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"

#include "WendleFixture.h"

#include <cmath>

using namespace wendletest;

namespace {

// A filter-one shape: a ramp in dB from 0 at DC to -30 at the top bin, both sides.
void loadRampFilterOne(ptsim::Instance& fx) {
    std::vector<float> db(513), lin(513);
    for (int k = 0; k < 513; ++k) {
        db[static_cast<size_t>(k)] = -30.0f * static_cast<float>(k) / 512.0f;
        lin[static_cast<size_t>(k)] = std::pow(10.0f, db[static_cast<size_t>(k)] / 20.0f);
    }
    for (const char* id : {"DF1L", "DF1R"}) {
        const auto record = curveRecord(db);
        ASSERT_EQ(fx.setChunk(ptsim::parseFourCC(id), record.data(), record.size()), kPINoErr);
    }
    for (const char* id : {"LF1L", "LF1R"}) {
        const auto record = curveRecord(lin);
        ASSERT_EQ(fx.setChunk(ptsim::parseFourCC(id), record.data(), record.size()), kPINoErr);
    }
}

} // namespace

TEST_F(WendleTest, BlockSizesFromOneTo4096RenderTheSameSamples) {
    const Channels in = colouredNoise(2, 16384, 11);
    auto setUp = [&](ptsim::Instance& fx) {
        loadRampFilterOne(fx);
        fx.setControlUnits("filter", 0.0);
        fx.setControlUnits("depth", 1.0);
        fx.setControlUnits("tilt", 1.0);
        fx.setControlUnits("lfo speed", 7.0);
    };
    auto reference = plugin->createInstance(2);
    setUp(*reference);
    const Channels expected = render(*reference, in, 512);
    EXPECT_LT(energy(expected[0], 4096), 0.9 * energy(in[0], 4096)); // the filter acts
    for (size_t block : {1, 3, 64, 255, 256, 257, 1000, 4096}) {
        auto fx = plugin->createInstance(2);
        setUp(*fx);
        const Channels out = render(*fx, in, block);
        for (size_t ch = 0; ch < 2; ++ch)
            ASSERT_EQ(out[ch], expected[ch]) << "block size " << block << " channel " << ch;
    }
}

TEST_F(WendleTest, MonoInstanceRendersTheStereoLeftChannel) {
    auto mono = plugin->createInstance(1);
    auto stereo = plugin->createInstance(2);
    for (ptsim::Instance* fx : {mono.get(), stereo.get()}) {
        loadRampFilterOne(*fx);
        fx->setControlUnits("filter", 0.6);
        fx->setControlUnits("depth", -1.3);
        fx->setControlUnits("tilt", -2.0);
    }
    const Channels in = colouredNoise(2, 8192, 5);
    const Channels monoOut = render(*mono, Channels{in[0]}, 300);
    const Channels stereoOut = render(*stereo, in, 300);
    ASSERT_EQ(monoOut.size(), 1u);
    EXPECT_EQ(monoOut[0], stereoOut[0]);
    EXPECT_EQ(mono->meters().values.size(), 1u);
}

TEST_F(WendleTest, StereoLinkGivesTheRightChannelTheLeftGains) {
    auto fx = plugin->createInstance(2);
    // Filter one differs between the sides: flat on the left, the ramp on the right.
    loadRampFilterOne(*fx);
    const auto flat = curveRecord(std::vector<float>(513, 0.0f));
    fx->setChunk(ptsim::parseFourCC("DF1L"), flat.data(), flat.size());
    fx->setControlUnits("filter", 1.0);
    fx->setControlUnits("depth", 1.0);
    Channels in = colouredNoise(1, 16384, 3);
    in.push_back(in[0]);
    Channels out = render(*fx, in, 256);
    EXPECT_NE(out[0], out[1]);
    fx->setControlUnits("stereolink", 1);
    out = render(*fx, in, 256);
    // Once the right gains have glided onto the left ones the channels agree.
    for (size_t i = 12288; i < out[0].size(); ++i)
        ASSERT_NEAR(out[1][i], out[0][i], 1e-6f) << i;
}

TEST_F(WendleTest, MasterBypassDelaysByOneHopFreezesTheLfoAndLearnsNothing) {
    auto fx = plugin->createInstance(2);
    ASSERT_EQ(fx->setControlUnits("Master Bypass", 1), kPINoErr);
    const int filter = fx->requireControl("filter");
    fx->setControlUnits("filter", 0.0);
    fx->setControlUnits("learn", 1);
    fx->setControlUnits("lfo speed", 5.0);
    const float position = fx->algorithmValue(filter);

    const Channels in = colouredNoise(2, 44032, 9);
    const Channels out = render(*fx, in, 512);
    for (size_t ch = 0; ch < 2; ++ch) {
        for (size_t i = 0; i < 256; ++i)
            ASSERT_EQ(out[ch][i], 0.0f);
        for (size_t i = 256; i < out[ch].size(); ++i)
            ASSERT_EQ(out[ch][i], in[ch][i - 256]) << "channel " << ch << " sample " << i;
    }
    EXPECT_EQ(fx->algorithmValue(filter), position);

    // Learning ran through the bypassed frames without summing: the learned shape stays flat.
    fx->setControlUnits("learn", 0);
    for (const char* id : {"LF0L", "LF0R", "DF0L", "DF0R"}) {
        const std::vector<float> curve = curveOf(fx->chunk(ptsim::parseFourCC(id)));
        const float flatValue = id[0] == 'L' ? 1.0f : 0.0f;
        for (float v : curve)
            ASSERT_EQ(v, flatValue) << id;
    }

    // Off again, the LFO moves.
    fx->setControlUnits("Master Bypass", 0);
    render(*fx, colouredNoise(2, 4096, 1), 512);
    EXPECT_NE(fx->algorithmValue(filter), position);
}

TEST_F(WendleTest, MetersClipAboveFullScaleAndHoldDecaysBy07PerRequest) {
    auto fx = plugin->createInstance(2);
    Channels in(2, std::vector<float>(8192));
    for (size_t i = 0; i < in[0].size(); ++i) {
        const float s = std::sin(2.0f * 3.14159265f * 1000.0f * static_cast<float>(i) / 44100.0f);
        in[0][i] = 2.0f * s;
        in[1][i] = 0.5f * s;
    }
    render(*fx, in, 1024);
    ptsim::Meters m = fx->meters();
    EXPECT_EQ(m.values[0], -1);
    EXPECT_EQ(m.clips[0], 1);
    EXPECT_EQ(m.clips[1], 0);
    EXPECT_GT(m.values[1], 0.45 * 2147483648.0);
    EXPECT_LT(m.values[1], 0.55 * 2147483648.0);

    // No audio in between: each request shows 0.7 of the last.
    double right = m.values[1];
    int clippedRequests = 1;
    for (int request = 0; request < 6; ++request) {
        m = fx->meters();
        EXPECT_NEAR(m.values[1], 0.7 * right, 1e-6 * right + 2) << request;
        right = m.values[1];
        if (m.clips[0]) {
            EXPECT_EQ(m.values[0], -1);
            ++clippedRequests;
        } else {
            EXPECT_GE(m.values[0], 0);
        }
    }
    // The left peak (about 2.0) clips while 2.0 x 0.7^n stays above 1.0: two requests.
    EXPECT_EQ(clippedRequests, 2);
}

TEST_F(WendleTest, TempoLockSweepsTheFilterFromZeroToOneInOneBeat) {
    auto fx = plugin->createInstance(2, 44100.0);
    const int filter = fx->requireControl("filter");
    fx->setControlUnits("filter", 0.0);
    fx->setControlUnits("lfo divisor", 1);
    fx->setControlUnits("lfo sync", 1);
    ASSERT_EQ(fx->algorithmValue(filter), 0.0f);

    // One hop of 256 samples per render: at 120 bpm a beat is 22050 samples, 86.1 hops.
    const Channels hop = colouredNoise(2, 256, 4);
    float previous = 0.0f;
    int hopsRising = 0;
    for (int h = 1; h <= 120; ++h) {
        render(*fx, hop, 256, 120.0);
        const float p = fx->algorithmValue(filter);
        if (p < previous)
            break;
        ++hopsRising;
        previous = p;
    }
    EXPECT_EQ(hopsRising, 86);
    EXPECT_GT(previous, 0.99f);
    EXPECT_LE(previous, 1.0f);
}

TEST_F(WendleTest, TempoBelowInterfaceLevelTwoKeepsTheLastTempo) {
    auto fx = plugin->createInstance(2);
    const int filter = fx->requireControl("filter");
    fx->setControlUnits("filter", 0.0);
    fx->setControlUnits("lfo sync", 1);
    fx->setTempoLevel(1);
    // No tempo was ever delivered: the locked LFO stands at 0.
    render(*fx, colouredNoise(2, 4096, 2), 512, 120.0);
    EXPECT_EQ(fx->algorithmValue(filter), 0.0f);
    // Delivered once, then the level drops: the LFO keeps running at the last tempo.
    fx->setTempoLevel(2);
    render(*fx, colouredNoise(2, 256, 2), 256, 120.0);
    const float afterOneHop = fx->algorithmValue(filter);
    EXPECT_GT(afterOneHop, 0.0f);
    fx->setTempoLevel(0);
    render(*fx, colouredNoise(2, 256, 2), 256, 240.0);
    EXPECT_NEAR(fx->algorithmValue(filter), 2.0f * afterOneHop, 1e-6f);
}

TEST_F(WendleTest, RenderingAndMetersTouchNoHeap) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    auto fx = plugin->createInstance(2);
    loadRampFilterOne(*fx);
    fx->setControlUnits("lfo sync", 1);
    fx->setControlUnits("autogain", 1);
    const Channels in = colouredNoise(2, 8192, 8);
    Channels out = silence(2, 8192);
    float* ins[2] = {const_cast<float*>(in[0].data()), const_cast<float*>(in[1].data())};
    float* outs[2] = {out[0].data(), out[1].data()};
    int32_t values[2], clips[2];
    void* meters = nullptr;
    plugin->getRoutineDescriptor(kPIRoutine_GetMeters, &meters);
    fx->render(ins, outs, 512, 120.0); // warm up
    alloccounter::Scope scope;
    for (int32_t frames : {1, 100, 256, 700, 2048}) {
        fx->render(ins, outs, frames, 97.0);
        reinterpret_cast<PIGetMetersProc>(meters)(fx->handle(), values, clips, 2);
    }
    EXPECT_EQ(scope.counts().total(), 0);
}
