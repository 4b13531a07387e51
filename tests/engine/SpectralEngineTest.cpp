// Properties of the spectral engine with its default (identity) hook.
#define MIRELOW_ALLOC_COUNTER_DEFINE
#include "tests/support/AllocCounter.h"

#include "EngineTestSupport.h"
#include "engine/DenormalGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

using namespace enginetest;

namespace {
constexpr int N = SpectralEngine::kFftSize;
constexpr int H = SpectralEngine::kHopSize;
// Below -120 dB of full scale: what rounding in the transforms leaves of a zero input.
constexpr float kSilence = 1e-6f;

struct Engine : SpectralEngine {
    explicit Engine(int mode = 1) { channelMode = mode; }
};

double maxRippleDeviation() {
    double worst = 0;
    for (double g : overlapGain())
        worst = std::max(worst, std::fabs(g - 1.0));
    return worst;
}
} // namespace

TEST(Windows, OverlapGainIsOneAtHopAlignedSamplesAndRippleIsSmall) {
    const auto g = overlapGain();
    EXPECT_NEAR(g[0], 1.0, 1e-6);
    // Two Hamming windows at 75 % overlap: their product sums to nearly a constant.
    EXPECT_LT(maxRippleDeviation(), 1e-4);
}

// The windows' roundings: the angle rounded to single precision once (not after each operation),
// the Hamming shape, both scalings and the sums in single precision.
TEST(Windows, FollowTheirSinglePrecisionSteps) {
    for (bool unitGain : {false, true}) {
        const float twoPi = static_cast<float>(8.0 * std::atan(1.0));
        std::vector<float> w(N), ana(N), syn(N);
        float s = 0.f;
        for (int i = 0; i < N; ++i) {
            const double exact = static_cast<double>(i) * twoPi / (N - 1);
            w[i] = 0.54f - 0.46f * std::cos(static_cast<float>(exact));
            s += w[i];
        }
        const float a = (unitGain ? 1.f : 2.f) / s;
        for (float& x : w)
            x *= a;
        float t = 0.f;
        for (int j = 0; j < N; j += H)
            t += w[j] * w[j];
        const auto norm = static_cast<float>(1.0 / (N * static_cast<double>(t)));
        SpectralEngine::buildWindows(ana.data(), syn.data(), N, H, unitGain);
        EXPECT_EQ(ana, w) << unitGain;
        for (int i = 0; i < N; ++i)
            ASSERT_EQ(syn[i], w[i] * norm) << unitGain << " " << i;
    }
}

TEST(Engine, IdentityHookDelaysByExactlyTheFrameLength) {
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        Engine e(mode);
        const Signal a = noise(20 * N, 1), b = noise(20 * N, 2);
        const auto out = run(e, a, b, 512);
        const auto g = overlapGain();
        for (int c = 0; c < (mode == 1 ? 2 : 1); ++c) {
            const Signal& in = c ? b : a;
            // Silent while the first frame fills, up to the transforms' rounding.
            for (size_t t = 0; t < static_cast<size_t>(N); ++t)
                ASSERT_LT(std::fabs(out[c][t]), kSilence) << "sample " << t;
            for (size_t t = N; t < in.size(); ++t) {
                const double expected = g[t % H] * in[t - N];
                // Exact up to float rounding of the transforms and the windows.
                ASSERT_NEAR(out[c][t], expected, 2e-6) << "channel " << c << " sample " << t;
            }
        }
    }
}

TEST(Engine, ImpulseAtZeroComesOutAt1024) {
    Engine e;
    Signal in(4 * N, 0.f);
    in[0] = 1.f;
    const auto out = run(e, in, in, 100);
    for (size_t t = 0; t < out[0].size(); ++t)
        ASSERT_NEAR(out[0][t], t == static_cast<size_t>(N) ? 1.f : 0.f, 1e-6) << t;
}

TEST(Engine, OutputIsSilentForOneFrameAfterSuspend) {
    Engine e;
    const Signal loud = noise(8 * N, 3, 1.f);
    run(e, loud, loud, 333);
    e.suspend();
    EXPECT_EQ(e.getLevel(0), 0.f);
    EXPECT_EQ(e.getLevel(1), 0.f);
    const auto out = run(e, loud, loud, 333);
    for (int c = 0; c < 2; ++c)
        for (int t = 0; t < N; ++t)
            ASSERT_LT(std::fabs(out[c][t]), kSilence) << c << " " << t;
    EXPECT_GT(std::fabs(out[0][N + 5]), 1e-3f);
}

TEST(Engine, BlockSizeDoesNotChangeTheOutput) {
    const Signal a = noise(12 * N + 77, 4), b = noise(12 * N + 77, 5);
    Engine reference;
    const auto expected = run(reference, a, b, 1);
    for (int block : {7, 255, 256, 1000, 4096}) {
        SCOPED_TRACE(block);
        Engine e;
        const auto out = run(e, a, b, block);
        EXPECT_EQ(out, expected);
    }
}

TEST(Engine, ChannelModesRouteTheSecondOutput) {
    const Signal a = noise(6 * N, 6), b = noise(6 * N, 7);
    const float untouched = 123.f;
    {
        Engine e(2); // channel 1 processed, sent to both outputs
        const auto out = run(e, a, b, 300, untouched);
        EXPECT_EQ(out[1], out[0]);
    }
    {
        Engine e(0); // channel 1 only: output 2 keeps what the host put there
        const auto out = run(e, a, b, 300, untouched);
        EXPECT_TRUE(
            std::all_of(out[1].begin(), out[1].end(), [&](float v) { return v == untouched; }));
        // ...and input 2 is never read.
        Signal out0(a.size()), out1(a.size(), untouched);
        float* ins[2] = {const_cast<float*>(a.data()), nullptr};
        float* outs[2] = {out0.data(), out1.data()};
        Engine f(0);
        f.processAudio(ins, outs, static_cast<int32_t>(a.size()), true);
        EXPECT_EQ(out0, out[0]);
    }
}

TEST(Engine, AModeChangedDuringACallTakesEffectWithTheNextCall) {
    struct Switcher : Engine {
        Switcher() : Engine(0) {}
        void processSpect() override {
            channelMode = 1; // as a hook might; the call under way has no second channel
            Engine::processSpect();
        }
    } e;
    const Signal a = noise(4 * N, 23);
    Signal out0(a.size());
    float* ins[2] = {const_cast<float*>(a.data()), nullptr};
    float* outs[2] = {out0.data(), nullptr};
    e.processAudio(ins, outs, static_cast<int32_t>(a.size()), true);
    EXPECT_EQ(e.channelMode, 1);
    EXPECT_GT(std::fabs(out0[N + 3]), 1e-3f);
}

TEST(Engine, AccumulatingCallAddsToTheOutputs) {
    const Signal a = noise(6 * N, 8), b = noise(6 * N, 9);
    Engine r, x;
    const auto replaced = run(r, a, b, 256);
    const auto added = run(x, a, b, 256, 0.25f, false);
    for (int c = 0; c < 2; ++c)
        for (size_t t = 0; t < a.size(); ++t)
            ASSERT_FLOAT_EQ(added[c][t], replaced[c][t] + 0.25f);
}

TEST(Engine, EmptyOrNegativeBlocksChangeNothing) {
    Engine e;
    const Signal a = noise(1000, 10);
    run(e, a, a, 1000);
    const int32_t hopPos = e.hopPos;
    const float in = e.getLevel(0), out = e.getLevel(1);
    float sentinel = 7.f;
    float* ins[2] = {nullptr, nullptr};
    float* outs[2] = {&sentinel, &sentinel};
    for (int32_t frames : {0, -1, -4096})
        e.processAudio(ins, outs, frames, true);
    EXPECT_EQ(e.hopPos, hopPos);
    EXPECT_EQ(e.getLevel(0), in);
    EXPECT_EQ(e.getLevel(1), out);
    EXPECT_EQ(sentinel, 7.f);
}

TEST(Engine, BypassDelaysByOneHop) {
    Engine e;
    e.setBypass(true);
    const Signal a = noise(8 * N, 11), b = noise(8 * N, 12);
    const auto out = run(e, a, b, 100);
    for (int c = 0; c < 2; ++c) {
        const Signal& in = c ? b : a;
        for (size_t t = 0; t < in.size(); ++t)
            ASSERT_EQ(out[c][t], t < static_cast<size_t>(H) ? 0.f : in[t - H]) << c << " " << t;
    }
}

TEST(Engine, FullScaleSineAtBinCentreReadsMagnitudeOne) {
    for (int bin : {4, 37, 128, 300, 500}) {
        SCOPED_TRACE(bin);
        Engine e(0);
        const Signal s = sine(3 * N, static_cast<double>(bin) / N);
        run(e, s, s, N);
        const float re = e.inSpect[0][bin], im = e.inSpect[0][N - bin];
        EXPECT_NEAR(std::sqrt(re * re + im * im), 1.0, 0.01);
    }
}

TEST(Engine, MetersDecayByTheSameFactorEveryHop) {
    Engine e;
    Signal burst = noise(N, 13, 0.9f);
    run(e, burst, burst, H);
    const Signal silence(H, 0.f);
    run(e, silence, silence, H); // the burst's tail still plays out for one frame
    for (int i = 0; i < 6; ++i)
        run(e, silence, silence, H);
    for (int i = 0; i < 20; ++i) {
        const float in = e.getLevel(0), out = e.getLevel(1);
        run(e, silence, silence, H);
        ASSERT_GT(in, 0.f);
        EXPECT_FLOAT_EQ(e.getLevel(0), in * SpectralEngine::kMeterDecay);
        EXPECT_FLOAT_EQ(e.getLevel(1), out * SpectralEngine::kMeterDecay);
    }
    EXPECT_EQ(e.getLevel(2), 0.f);
    EXPECT_EQ(e.getLevel(-1), 0.f);
}

TEST(Engine, InputMeterHoldsTheLargestMagnitudeOfTheHop) {
    const struct {
        std::vector<float> samples;
        float peak;
    } cases[] = {
        {{0.1f, -0.7f, 0.3f, 0.2f, 0.f, 0.5f, -0.1f}, 0.7f},
        {{0.25f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.9f}, 0.9f},
        {{-0.f, 0.f, -0.f, 0.f, 0.f}, 0.f},
        {{0.2f, NAN, 0.1f, 0.4f, NAN, -0.3f, 0.f, 0.f}, 0.4f}, // a NaN sample is not a level
        {{0.2f, -INFINITY, 0.1f, INFINITY, 0.3f}, 0.3f},       // nor is an infinite one
    };
    for (const auto& c : cases) {
        Engine e(0);
        Signal out(c.samples.size());
        float* ins[2] = {const_cast<float*>(c.samples.data()), nullptr};
        float* outs[2] = {out.data(), nullptr};
        e.processAudio(ins, outs, static_cast<int32_t>(c.samples.size()), true);
        EXPECT_EQ(e.getLevel(0), c.peak);
    }
}

// A non-finite input sample is silence: the output, in every channel mode, with auto gain on or
// off and in bypass, is bit for bit what the same input with zeros in its place gives (finite
// inputs themselves pass unchanged, whatever their bits), so nothing non-finite ever comes out.
TEST(Engine, NonFiniteInputSamplesAreTakenAsSilence) {
    const size_t len = 24 * H;
    Signal bad0 = noise(len, 21), bad1 = noise(len, 22);
    bad0[3] = 1e-42f; // a denormal and a negative zero stay what they are
    bad0[4] = -0.f;
    const std::vector<std::pair<size_t, float>> bursts = {
        {5000, NAN}, {5001, -NAN}, {5002, INFINITY}, {5003, -INFINITY}, {len - 1, NAN}};
    Signal good0 = bad0, good1 = bad1;
    for (auto [at, v] : bursts) {
        bad0[at] = v;
        bad1[at + 7 < len ? at + 7 : at] = v;
        good0[at] = 0.f;
        good1[at + 7 < len ? at + 7 : at] = 0.f;
    }
    for (int mode : {0, 1, 2})
        for (int setting : {0, 1, 2}) { // plain, auto gain, bypassed
            Engine withBad(mode), withZero(mode);
            withBad.autoGain = withZero.autoGain = setting == 1;
            withBad.setBypass(setting == 2);
            withZero.setBypass(setting == 2);
            const auto a = run(withBad, bad0, bad1, 333);
            const auto b = run(withZero, good0, good1, 333);
            for (int c = 0; c < 2; ++c) {
                ASSERT_EQ(std::memcmp(a[c].data(), b[c].data(), len * sizeof(float)), 0)
                    << "mode " << mode << " setting " << setting << " channel " << c;
                ASSERT_TRUE(std::all_of(a[c].begin(), a[c].end(),
                                        [](float x) { return std::isfinite(x); }));
            }
            EXPECT_EQ(withBad.getLevel(0), withZero.getLevel(0));
        }
}

TEST(Engine, AutoGainConvergesToOneHalfOnSilence) {
    Engine e;
    e.autoGain = 1;
    const Signal silence(400 * H, 0.f);
    run(e, silence, silence, 512);
    EXPECT_NEAR(e.autoGainFactor, 0.5f, 1e-5);
}

TEST(Engine, ProcessRunsWithoutDenormalsAndRestoresTheHostState) {
    struct Probe : Engine {
        unsigned seen = 0;
        void processSpect() override {
            seen = _mm_getcsr();
            Engine::processSpect();
        }
    } e;
    const unsigned host =
        _mm_getcsr() & ~(DenormalGuard::kFlushToZero | DenormalGuard::kDenormalsAreZero);
    _mm_setcsr(host);
    const Signal a = noise(2 * H, 14);
    run(e, a, a, 2 * H);
    EXPECT_EQ(_mm_getcsr(), host);
    EXPECT_EQ(e.seen & DenormalGuard::kFlushToZero, DenormalGuard::kFlushToZero);
    EXPECT_EQ(e.seen & DenormalGuard::kDenormalsAreZero, DenormalGuard::kDenormalsAreZero);
}

TEST(Engine, ProcessingNeitherAllocatesNorFrees) {
    MIRELOW_REQUIRE_ALLOC_COUNTER();
    {
        alloccounter::Scope probe; // the counter itself must see heap traffic
        void* volatile p = std::malloc(32);
        std::free(p);
        delete new int(3);
        EXPECT_EQ(probe.counts().mallocs, 1);
        EXPECT_EQ(probe.counts().frees, 1);
        EXPECT_EQ(probe.counts().news, 1);
        EXPECT_EQ(probe.counts().deletes, 1);
    }
    Engine e;
    e.autoGain = 1;
    const Signal a = noise(10 * N, 15), b = noise(10 * N, 16);
    Signal o0(a.size()), o1(a.size());
    float* ins[2] = {const_cast<float*>(a.data()), const_cast<float*>(b.data())};
    float* outs[2] = {o0.data(), o1.data()};
    alloccounter::Scope scope;
    e.processAudio(ins, outs, static_cast<int32_t>(a.size()), true);
    e.suspend();
    EXPECT_EQ(scope.counts().total(), 0);
}

TEST(Engine, EnginesCanBeBuiltOnSeveralThreadsAtOnce) {
    // Plans and windows made while other threads make theirs must work as those made alone: each
    // thread's engines give, bit for bit, the output an engine built on its own gives.
    constexpr int kRounds = 10;
    std::vector<Signal> inputs, alone;
    for (int i = 0; i < kRounds; ++i) {
        inputs.push_back(noise(2 * N, static_cast<unsigned>(i)));
        Engine e;
        alone.push_back(run(e, inputs[i], inputs[i], 512)[0]);
    }
    std::vector<Signal> together[3];
    auto build = [&](std::vector<Signal>& out) {
        for (int i = 0; i < kRounds; ++i) {
            Engine e;
            out.push_back(run(e, inputs[i], inputs[i], 512)[0]);
        }
    };
    std::thread t1(build, std::ref(together[0])), t2(build, std::ref(together[1])),
        t3(build, std::ref(together[2]));
    t1.join();
    t2.join();
    t3.join();
    for (const auto& outputs : together) {
        ASSERT_EQ(outputs.size(), alone.size());
        for (int i = 0; i < kRounds; ++i)
            EXPECT_EQ(outputs[i], alone[i]) << "round " << i;
    }
}
