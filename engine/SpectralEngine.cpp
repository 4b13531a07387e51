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
    void* p = std::aligned_alloc(kAlignment, kBytes + kPage);
    if (!p)
        throw std::bad_alloc();
    auto* buffer = reinterpret_cast<float*>(static_cast<char*>(p) + offset);
    if (zero)
        std::memset(buffer, 0, kBytes);
    list[count++] = p;
    return buffer;
}

SpectralEngine::Buffers::~Buffers() {
    for (int i = 0; i < count; ++i)
        std::free(list[i]);
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
    // Hamming, each point's angle rounded to single precision before the cosine.
    const float twoPi = static_cast<float>(8.0 * std::atan(1.0));
    float sum = 0.f;
    for (int i = 0; i < n; ++i) {
        const float angle = static_cast<float>(i) * twoPi / static_cast<float>(n - 1);
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
    inputPeak = 0.f;
    outputPeak = 0.f;
    const size_t bytes = kBufferFloats * sizeof(float);
    for (int c = 0; c < 2; ++c) {
        for (float* b : {inHop[c], anaHistory[c], ifftOut[c], inSpect[c], outSpect[c],
                         outSpectCopy[c], outAccum[c]})
            std::memset(b, 0, bytes);
    }
}

namespace {
// The larger of peak and |x| for every x; a NaN sample leaves the peak as it was. Lane by lane,
// (v > peak ? v : peak) is exactly what the vector max instruction computes.
inline float raisePeak(float peak, const float* __restrict x, int32_t n) {
    int32_t i = 0;
#if defined(__SSE2__)
    __m128 p = _mm_set1_ps(peak);
    const __m128 zero = _mm_setzero_ps();
    for (; i + 4 <= n; i += 4) {
        const __m128 v = _mm_loadu_ps(x + i);
        p = _mm_max_ps(v, p);
        p = _mm_max_ps(_mm_sub_ps(zero, v), p);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, p);
    for (float lane : lanes)
        if (lane > peak)
            peak = lane;
#endif
    for (; i < n; ++i) {
        const float v = x[i];
        if (v > peak)
            peak = v;
        if (-v > peak)
            peak = -v;
    }
    return peak;
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
    const float* in0 = inputs[0];
    const float* in1 = channelMode == 1 ? inputs[1] : nullptr;
    float* out0 = outputs[0];
    float* out1 = channelMode != 0 ? outputs[1] : nullptr;
    int32_t remaining = sampleFrames;
    while (remaining > 0) {
        const int32_t chunk = remaining < hopSize - hopPos ? remaining : hopSize - hopPos;
        const size_t bytes = sizeof(float) * static_cast<size_t>(chunk);

        std::memcpy(inHop[0] + hopPos, in0, bytes);
        inputPeak = raisePeak(inputPeak, in0, chunk);
        const float* acc0 = outAccum[0] + hopPos;
        outputPeak = raisePeak(outputPeak, acc0, chunk);
        playOut(acc0, out0, chunk, replace);
        if (channelMode == 1) {
            std::memcpy(inHop[1] + hopPos, in1, bytes);
            inputPeak = raisePeak(inputPeak, in1, chunk);
            const float* acc1 = outAccum[1] + hopPos;
            outputPeak = raisePeak(outputPeak, acc1, chunk);
            if (autoGain)
                outAbsSum = absSum(outAbsSum, acc1, chunk);
            playOut(acc1, out1, chunk, replace);
        } else if (channelMode == 2) {
            playOut(acc0, out1, chunk, replace);
        }

        hopPos += chunk;
        if (hopPos >= hopSize) {
            hopPos = 0;
            if (bypassed) {
                std::memcpy(outAccum[0], inHop[0], sizeof(float) * static_cast<size_t>(hopSize));
                if (channelMode == 1)
                    std::memcpy(outAccum[1], inHop[1],
                                sizeof(float) * static_cast<size_t>(hopSize));
            } else {
                processFrame();
            }
            inputPeak *= kMeterDecay;
            outputPeak *= kMeterDecay;
        }

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
    // The frame and hop are fixed; constants let the loops below be vectorised.
    constexpr int32_t n = kFftSize;
    constexpr int32_t h = kHopSize;
    const int channels = channelMode == 1 ? 2 : 1;
    const size_t keep = sizeof(float) * static_cast<size_t>(n - h);
    const size_t hop = sizeof(float) * static_cast<size_t>(h);

    for (int c = 0; c < channels; ++c) {
        std::memmove(outAccum[c], outAccum[c] + h, keep);
        std::memset(outAccum[c] + (n - h), 0, hop);
    }
    for (int c = 0; c < channels; ++c) {
        float* history = anaHistory[c];
        std::memmove(history, history + h, keep);
        std::memcpy(history + (n - h), inHop[c], hop);
        if (autoGain)
            inAbsSum = absSum(inAbsSum, history, n);
        const float* __restrict win = anaWindow;
        const float* __restrict x = history;
        float* __restrict frame = fftIn[c];
        for (int32_t k = 0; k < n; ++k)
            frame[k] = win[k] * x[k];
        fwdPlan.execute(frame, inSpect[c]);
    }

    processSpect();

    for (int c = 0; c < channels; ++c) {
        std::memcpy(outSpectCopy[c], outSpect[c], sizeof(float) * static_cast<size_t>(n));
        invPlan.execute(outSpect[c], ifftOut[c]);
        const float* __restrict win = synWindow;
        const float* __restrict y = ifftOut[c];
        float* __restrict acc = outAccum[c];
        const float gain = autoGainFactor;
        if (autoGain) {
            float sum = outAbsSum;
            for (int32_t k = 0; k < n; ++k) {
                const float d = y[k] * win[k];
                sum += std::fabs(d);
                acc[k] += gain * d;
            }
            outAbsSum = sum;
        } else {
            for (int32_t k = 0; k < n; ++k)
                acc[k] += gain * (y[k] * win[k]);
        }
    }

    if (autoGain)
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
    autoGainFactor = static_cast<float>(0.2 * static_cast<float>(inAbsSum / (2.f * outAbsSum)) +
                                        0.8 * autoGainFactor);
    inAbsSum = 1e-6f;
    outAbsSum = 1e-6f;
}
