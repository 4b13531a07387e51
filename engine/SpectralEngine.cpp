// The spectral engine: hop gathering, analysis, the per-frame hook, resynthesis by overlap-add,
// meters and automatic gain.
#include "SpectralEngine.h"
#include "DenormalGuard.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

float* SpectralEngine::Buffers::allocate(bool zero) {
    if (count == kMax)
        throw std::bad_alloc();
    // Aligned for the transforms' vector code, so that they can run on the buffers directly; and
    // each buffer starts at a different offset within a page, so that loops reading one buffer
    // and writing another do not trip over addresses that agree in their low 12 bits.
    constexpr size_t kBytes = kBufferFloats * sizeof(float);
    const size_t offset = (static_cast<size_t>(count) * 5 * kAlignment) % kPage;
    void* p = ::operator new(kBytes + kPage, std::align_val_t(kAlignment));
    auto* buffer = reinterpret_cast<float*>(static_cast<char*>(p) + offset);
    if (zero)
        std::memset(buffer, 0, kBytes);
    list[count++] = p;
    return buffer;
}

SpectralEngine::Buffers::~Buffers() {
    for (int i = 0; i < count; ++i)
        ::operator delete(list[i], std::align_val_t(kAlignment));
}

SpectralEngine::SpectralEngine(int32_t numIns, bool unitGainWindow)
    : numIns(numIns), unitGainWindow(unitGainWindow),
      twoPi(static_cast<float>(8.0 * std::atan(1.0))) {
    readyLevel = 0;
    for (int c = 0; c < 2; ++c) {
        anaHistory[c] = buffers.allocate(true);
        ifftOut[c] = buffers.allocate(true);
        inSpect[c] = buffers.allocate(true);
        outSpect[c] = buffers.allocate(true);
        outSpectCopy[c] = buffers.allocate(true);
        inHop[c] = buffers.allocate(true);
        outAccum[c] = buffers.allocate(true);
        fftIn[c] = buffers.allocate(false); // fully written before it is read
    }
    anaWindow = buffers.allocate(false);
    synWindow = buffers.allocate(false);
    buildWindows(anaWindow, synWindow, fftSize, hopSize, unitGainWindow);
    suspend();
    readyLevel = 1;
}

SpectralEngine::~SpectralEngine() = default;

void SpectralEngine::buildWindows(float* ana, float* syn, int n, int hop, bool unitGain) {
    // Hamming in single precision; only each point's angle, from the single-precision 2 pi, is
    // taken in double precision and then rounded to single precision for the cosine.
    const float twoPi = static_cast<float>(8.0 * std::atan(1.0));
    float sum = 0.f;
    for (int i = 0; i < n; ++i) {
        const auto angle = static_cast<float>(static_cast<double>(i) * static_cast<double>(twoPi) /
                                              static_cast<double>(n - 1));
        const float w = 0.54f - 0.46f * std::cos(angle);
        ana[i] = w;
        syn[i] = w;
        sum += w;
    }
    // The analysis scale makes a sine of amplitude A read as magnitude A in its bin.
    const float a = (unitGain ? 1.f : 2.f) / sum;
    for (int i = 0; i < n; ++i) {
        ana[i] *= a;
        syn[i] *= a;
    }
    // Four frames overlap at every sample; at hop-aligned samples the products of both windows
    // times N then sum to exactly 1 (the N undoes the unnormalised inverse transform).
    float t = 0.f;
    for (int j = 0; j < n; j += hop)
        t += syn[j] * syn[j];
    const float norm = static_cast<float>(1.0 / (static_cast<double>(n) * t));
    for (int i = 0; i < n; ++i)
        syn[i] *= norm;
}

void SpectralEngine::suspend() {
    inputPeak.store(0.f, std::memory_order_relaxed);
    outputPeak.store(0.f, std::memory_order_relaxed);
    const size_t bytes = kBufferFloats * sizeof(float);
    for (int c = 0; c < 2; ++c) {
        for (float* b : {inHop[c], anaHistory[c], ifftOut[c], inSpect[c], outSpect[c],
                         outSpectCopy[c], outAccum[c]})
            std::memset(b, 0, bytes);
    }
}

namespace {
// Moves n samples from src to dst (replacing or adding to what is there) and returns the larger
// of peak and every |v| moved, in one pass. A NaN sample leaves the peak as it was. Lane by lane,
// (v > peak ? v : peak) is exactly what the vector max instruction computes.
template <bool add>
inline float movePeak(const float* __restrict src, float* __restrict dst, int32_t n, float peak) {
    int32_t i = 0;
#if defined(__SSE2__)
    __m128 p = _mm_set1_ps(peak);
    const __m128 zero = _mm_setzero_ps();
    for (; i + 4 <= n; i += 4) {
        const __m128 v = _mm_loadu_ps(src + i);
        p = _mm_max_ps(v, p);
        p = _mm_max_ps(_mm_sub_ps(zero, v), p);
        _mm_storeu_ps(dst + i, add ? _mm_add_ps(_mm_loadu_ps(dst + i), v) : v);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, p);
    for (float lane : lanes)
        if (lane > peak)
            peak = lane;
#endif
    for (; i < n; ++i) {
        const float v = src[i];
        if (v > peak)
            peak = v;
        if (-v > peak)
            peak = -v;
        dst[i] = add ? dst[i] + v : v;
    }
    return peak;
}

// Gathers n input samples into dst and returns the larger of peak and every |v| gathered. A
// non-finite sample (NaN, +-inf) is taken as silence, so that one bad sample from the host cannot
// spread through the frames that overlap it; every finite sample, denormals and -0 included, is
// kept bit for bit. |v| < inf is false exactly for the non-finite ones; its mask clears them.
inline float takeInput(const float* __restrict src, float* __restrict dst, int32_t n, float peak) {
    int32_t i = 0;
#if defined(__SSE2__)
    __m128 p = _mm_set1_ps(peak);
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 inf = _mm_set1_ps(HUGE_VALF);
    for (; i + 4 <= n; i += 4) {
        const __m128 v = _mm_loadu_ps(src + i);
        const __m128 a = _mm_and_ps(v, absMask);
        const __m128 finite = _mm_cmplt_ps(a, inf);
        p = _mm_max_ps(_mm_and_ps(a, finite), p);
        _mm_storeu_ps(dst + i, _mm_and_ps(v, finite));
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, p);
    for (float lane : lanes)
        if (lane > peak)
            peak = lane;
#endif
    for (; i < n; ++i) {
        float v = src[i];
        if (!(std::fabs(v) < HUGE_VALF))
            v = 0.f;
        if (std::fabs(v) > peak)
            peak = std::fabs(v);
        dst[i] = v;
    }
    return peak;
}

inline float movePeak(const float* src, float* dst, int32_t n, float peak, bool add) {
    return add ? movePeak<true>(src, dst, n, peak) : movePeak<false>(src, dst, n, peak);
}

inline void playOut(const float* __restrict acc, float* __restrict out, int32_t n, bool replace) {
    if (replace)
        std::memcpy(out, acc, sizeof(float) * static_cast<size_t>(n));
    else
        for (int32_t i = 0; i < n; ++i)
            out[i] += acc[i];
}

inline float absSum(float sum, const float* __restrict x, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        sum += std::fabs(x[i]);
    return sum;
}
} // namespace

void SpectralEngine::processAudio(float** inputs, float** outputs, int32_t sampleFrames,
                                  bool replace) {
    if (sampleFrames < 1)
        return;
    DenormalGuard noDenormals;
    // One mode for the whole call, so that the second channel's pointers are used only when
    // they were taken, whatever a frame hook does to channelMode meanwhile.
    const int32_t mode = channelMode.load(std::memory_order_relaxed);
    const bool gainRuns = autoGain.load(std::memory_order_relaxed) != 0;
    float inPeak = inputPeak.load(std::memory_order_relaxed);
    float outPeak = outputPeak.load(std::memory_order_relaxed);
    const float* in0 = inputs[0];
    const float* in1 = mode == 1 ? inputs[1] : nullptr;
    float* out0 = outputs[0];
    float* out1 = mode != 0 ? outputs[1] : nullptr;
    int32_t remaining = sampleFrames;
    while (remaining > 0) {
        const int32_t chunk = remaining < hopSize - hopPos ? remaining : hopSize - hopPos;
        inPeak = takeInput(in0, inHop[0] + hopPos, chunk, inPeak);
        const float* acc0 = outAccum[0] + hopPos;
        outPeak = movePeak(acc0, out0, chunk, outPeak, !replace);
        if (mode == 1) {
            inPeak = takeInput(in1, inHop[1] + hopPos, chunk, inPeak);
            const float* acc1 = outAccum[1] + hopPos;
            if (gainRuns)
                outAbsSum = absSum(outAbsSum, acc1, chunk);
            outPeak = movePeak(acc1, out1, chunk, outPeak, !replace);
        } else if (mode == 2) {
            playOut(acc0, out1, chunk, replace);
        }

        hopPos += chunk;
        if (hopPos >= hopSize) {
            hopPos = 0;
            if (bypassed.load(std::memory_order_relaxed)) {
                std::memcpy(outAccum[0], inHop[0], sizeof(float) * static_cast<size_t>(hopSize));
                if (mode == 1)
                    std::memcpy(outAccum[1], inHop[1],
                                sizeof(float) * static_cast<size_t>(hopSize));
            } else {
                processFrame();
            }
            inPeak *= kMeterDecay;
            outPeak *= kMeterDecay;
        }
        inputPeak.store(inPeak, std::memory_order_relaxed);
        outputPeak.store(outPeak, std::memory_order_relaxed);

        in0 += chunk;
        out0 += chunk;
        if (in1)
            in1 += chunk;
        if (out1)
            out1 += chunk;
        remaining -= chunk;
    }
}

void SpectralEngine::processFrame() {
    // The frame and hop are fixed; constants let the loops below be vectorised. Each channel's
    // history shift and windowing share one pass, and so do the accumulator shift and the
    // overlap-add: nothing between them reads the accumulators.
    constexpr int32_t n = kFftSize;
    constexpr int32_t h = kHopSize;
    constexpr int32_t keep = n - h;
    const int channels = channelMode.load(std::memory_order_relaxed) == 1 ? 2 : 1;
    // One gain and one automatic-gain switch for the whole frame, both channels alike.
    const bool gainRuns = autoGain.load(std::memory_order_relaxed) != 0;
    const float gain = autoGainFactor.load(std::memory_order_relaxed);

    for (int c = 0; c < channels; ++c) {
        float* history = anaHistory[c];
        const float* __restrict hop = inHop[c];
        const float* __restrict win = anaWindow;
        float* __restrict frame = fftIn[c];
        for (int32_t k = 0; k < keep; ++k) {
            const float x = history[k + h];
            history[k] = x;
            frame[k] = win[k] * x;
        }
        for (int32_t k = keep; k < n; ++k) {
            const float x = hop[k - keep];
            history[k] = x;
            frame[k] = win[k] * x;
        }
        if (gainRuns)
            inAbsSum = absSum(inAbsSum, history, n);
        fwdPlan.execute(frame, inSpect[c]);
    }

    processSpect();

    for (int c = 0; c < channels; ++c) {
        invPlan.execute(outSpect[c], ifftOut[c], outSpectCopy[c]);
        const float* __restrict win = synWindow;
        const float* __restrict y = ifftOut[c];
        float* acc = outAccum[c];
        // acc[k] takes acc[k + h] (the shift) plus this frame's share; the last hop starts from
        // zero, and 0 + x keeps the sign of zero that a cleared accumulator gives.
        if (gainRuns) {
            float sum = outAbsSum;
            for (int32_t k = 0; k < n; ++k) {
                const float d = y[k] * win[k];
                sum += std::fabs(d);
                acc[k] = (k < keep ? acc[k + h] : 0.f) + gain * d;
            }
            outAbsSum = sum;
        } else {
            for (int32_t k = 0; k < keep; ++k)
                acc[k] = acc[k + h] + gain * (y[k] * win[k]);
            for (int32_t k = keep; k < n; ++k)
                acc[k] = 0.f + gain * (y[k] * win[k]);
        }
    }

    if (gainRuns)
        updateAutoGain();
}

void SpectralEngine::processSpect() {
    for (int c = 0; c < 2; ++c)
        std::memcpy(outSpect[c], inSpect[c], sizeof(float) * static_cast<size_t>(fftSize));
}

void SpectralEngine::updateAutoGain() {
    if (inAbsSum < 0.01f || outAbsSum < 0.01f) {
        inAbsSum = 0.01f;
        outAbsSum = 0.01f;
    }
    float before = autoGainFactor.load(std::memory_order_relaxed);
    const auto next =
        static_cast<float>(0.2 * static_cast<float>(inAbsSum / (2.f * outAbsSum)) + 0.8 * before);
    // A make-up gain stored meanwhile by a parameter call is the newer setting: it stays.
    autoGainFactor.compare_exchange_strong(before, next, std::memory_order_relaxed);
    inAbsSum = 1e-6f;
    outAbsSum = 1e-6f;
}
