// The engine against its steps written out plainly, one sample and one element at a time: the
// vectorised hop loops, the fused frame passes and the meters must give the same bits.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace enginetest;

namespace {

constexpr int N = SpectralEngine::kFftSize;
constexpr int H = SpectralEngine::kHopSize;

void raise(float& peak, float x) {
    if (x > peak)
        peak = x;
    if (-x > peak)
        peak = -x;
}

// Channel state, the windows and the flags, stepped sample by sample.
struct PlainEngine {
    struct Channel {
        Signal inHop = Signal(H), history = Signal(N), frame = Signal(N), inSpect = Signal(N),
               outSpect = Signal(N), outSpectCopy = Signal(N), ifftOut = Signal(N),
               outAccum = Signal(N);
    } ch[2];
    Signal ana = Signal(N), syn = Signal(N);
    FftPlan fwd{N, FftDirection::RealToComplex}, inv{N, FftDirection::ComplexToReal};
    int channelMode = 1, hopPos = 0, autoGain = 0;
    bool bypassed = false;
    float inputPeak = 0, outputPeak = 0, inAbsSum = 1e-9f, outAbsSum = 1e-9f;
    float autoGainFactor = 1.f;

    PlainEngine() { SpectralEngine::buildWindows(ana.data(), syn.data(), N, H, false); }

    void suspend() {
        inputPeak = outputPeak = 0;
        for (Channel& c : ch)
            for (Signal* b : {&c.inHop, &c.history, &c.ifftOut, &c.inSpect, &c.outSpect,
                              &c.outSpectCopy, &c.outAccum})
                std::fill(b->begin(), b->end(), 0.f);
    }

    static void put(float* out, float v, bool replace) { *out = replace ? v : *out + v; }

    void process(float** in, float** out, int frames, bool replace) {
        for (int i = 0; i < frames; ++i) {
            ch[0].inHop[hopPos] = in[0][i];
            raise(inputPeak, in[0][i]);
            const float v = ch[0].outAccum[hopPos];
            raise(outputPeak, v);
            put(&out[0][i], v, replace);
            if (channelMode == 1) {
                ch[1].inHop[hopPos] = in[1][i];
                raise(inputPeak, in[1][i]);
                const float w = ch[1].outAccum[hopPos];
                raise(outputPeak, w);
                if (autoGain)
                    outAbsSum += std::fabs(w);
                put(&out[1][i], w, replace);
            } else if (channelMode == 2) {
                put(&out[1][i], v, replace);
            }
            if (++hopPos == H) {
                hopPos = 0;
                if (bypassed) {
                    for (int c = 0; c < (channelMode == 1 ? 2 : 1); ++c)
                        std::copy(ch[c].inHop.begin(), ch[c].inHop.end(), ch[c].outAccum.begin());
                } else {
                    frame();
                }
                inputPeak *= 0.99112f;
                outputPeak *= 0.99112f;
            }
        }
    }

    void frame() {
        const int channels = channelMode == 1 ? 2 : 1;
        for (int c = 0; c < channels; ++c) {
            Signal& acc = ch[c].outAccum;
            for (int k = 0; k < N; ++k)
                acc[k] = k < N - H ? acc[k + H] : 0.f;
        }
        for (int c = 0; c < channels; ++c) {
            Channel& x = ch[c];
            for (int k = 0; k < N; ++k)
                x.history[k] = k < N - H ? x.history[k + H] : x.inHop[k - (N - H)];
            for (int k = 0; k < N; ++k) {
                if (autoGain)
                    inAbsSum += std::fabs(x.history[k]);
                x.frame[k] = ana[k] * x.history[k];
            }
            fwd.execute(x.frame.data(), x.inSpect.data());
        }
        for (Channel& x : ch) // the default hook: both channels, whatever the mode
            x.outSpect = x.inSpect;
        for (int c = 0; c < channels; ++c) {
            Channel& x = ch[c];
            x.outSpectCopy = x.outSpect;
            inv.execute(x.outSpect.data(), x.ifftOut.data());
            for (int k = 0; k < N; ++k) {
                const float d = x.ifftOut[k] * syn[k];
                if (autoGain)
                    outAbsSum += std::fabs(d);
                x.outAccum[k] += autoGainFactor * d;
            }
        }
        if (autoGain) {
            if (inAbsSum < 0.01f || outAbsSum < 0.01f)
                inAbsSum = outAbsSum = 0.01f;
            autoGainFactor = static_cast<float>(
                0.2 * static_cast<float>(inAbsSum / (2 * outAbsSum)) + 0.8 * autoGainFactor);
            inAbsSum = outAbsSum = 1e-6f;
        }
    }
};

} // namespace

// Random block lengths, with the mode, bypass, auto gain, the call kind and suspends changing
// between calls: every output sample, both meters and the gain agree exactly.
TEST(PlainEngine, EngineGivesTheSameBitsAsThePlainSteps) {
    std::mt19937 rng(17);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    SpectralEngine e;
    PlainEngine p;
    const Signal a = noise(200 * N, 21), b = noise(200 * N, 22, 0.9f);
    size_t pos = 0;
    for (int call = 0; pos < a.size(); ++call) {
        if (call % 40 == 0) {
            e.channelMode = p.channelMode = pick(3);
            e.bypassed = p.bypassed = pick(4) == 0;
            e.autoGain = p.autoGain = pick(2);
        }
        if (pick(97) == 0) {
            e.suspend();
            p.suspend();
        }
        if (pick(50) == 0)
            e.autoGainFactor = p.autoGainFactor = 0.25f * static_cast<float>(1 + pick(8));
        const int frames = std::min<int>(pick(5) == 0 ? 1 + pick(7) : 1 + pick(700),
                                         static_cast<int>(a.size() - pos));
        const bool replace = pick(3) != 0;
        Signal eo[2] = {Signal(frames, 0.5f), Signal(frames, -0.25f)};
        Signal po[2] = {eo[0], eo[1]};
        float* ins[2] = {const_cast<float*>(a.data()) + pos, const_cast<float*>(b.data()) + pos};
        float* eouts[2] = {eo[0].data(), eo[1].data()};
        float* pouts[2] = {po[0].data(), po[1].data()};
        e.processAudio(ins, eouts, frames, replace);
        p.process(ins, pouts, frames, replace);
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(0, std::memcmp(eo[c].data(), po[c].data(), sizeof(float) * frames))
                << "call " << call << " channel " << c << " mode " << e.channelMode;
        ASSERT_EQ(e.getLevel(0), p.inputPeak) << call;
        ASSERT_EQ(e.getLevel(1), p.outputPeak) << call;
        ASSERT_EQ(e.autoGainFactor, p.autoGainFactor) << call;
        ASSERT_EQ(e.hopPos, p.hopPos);
        pos += static_cast<size_t>(frames);
    }
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(0,
                  std::memcmp(e.outSpectCopy[c], p.ch[c].outSpectCopy.data(), sizeof(float) * N));
}
