// The spectral engine: hop gathering, analysis, the per-frame hook, resynthesis by overlap-add,
// meters and automatic gain.
#include "SpectralEngine.h"
#include "DenormalGuard.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

float* SpectralEngine::Buffers::allocate(bool zero) {
    if (count == kMax)
        throw std::bad_alloc();
    void* p = zero ? std::calloc(kBufferFloats, sizeof(float))
                   : std::malloc(kBufferFloats * sizeof(float));
    if (!p)
        throw std::bad_alloc();
    list[count++] = static_cast<float*>(p);
    return static_cast<float*>(p);
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

        std::memcpy(inHop[0] + hopPos, in0, sizeof(float) * static_cast<size_t>(chunk));
        for (int32_t i = 0; i < chunk; ++i) {
            const float x = in0[i];
            if (x > inputPeak)
                inputPeak = x;
            if (-x > inputPeak)
                inputPeak = -x;
        }
        const float* acc0 = outAccum[0] + hopPos;
        for (int32_t i = 0; i < chunk; ++i) {
            const float v = acc0[i];
            if (v > outputPeak)
                outputPeak = v;
            if (-v > outputPeak)
                outputPeak = -v;
            if (replace)
                out0[i] = v;
            else
                out0[i] += v;
        }
        if (channelMode == 1) {
            std::memcpy(inHop[1] + hopPos, in1, sizeof(float) * static_cast<size_t>(chunk));
            for (int32_t i = 0; i < chunk; ++i) {
                const float x = in1[i];
                if (x > inputPeak)
                    inputPeak = x;
                if (-x > inputPeak)
                    inputPeak = -x;
            }
            const float* acc1 = outAccum[1] + hopPos;
            for (int32_t i = 0; i < chunk; ++i) {
                const float v = acc1[i];
                if (v > outputPeak)
                    outputPeak = v;
                if (-v > outputPeak)
                    outputPeak = -v;
                if (autoGain)
                    outAbsSum += std::fabs(v);
                if (replace)
                    out1[i] = v;
                else
                    out1[i] += v;
            }
        } else if (channelMode == 2) {
            for (int32_t i = 0; i < chunk; ++i) {
                if (replace)
                    out1[i] = acc0[i];
                else
                    out1[i] += acc0[i];
            }
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
    const int32_t n = fftSize;
    const int32_t h = hopSize;
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
        float* frame = fftIn[c];
        for (int32_t k = 0; k < n; ++k) {
            if (autoGain)
                inAbsSum += std::fabs(history[k]);
            frame[k] = anaWindow[k] * history[k];
        }
        fwdPlan.execute(frame, inSpect[c]);
    }

    processSpect();

    for (int c = 0; c < channels; ++c) {
        std::memcpy(outSpectCopy[c], outSpect[c], sizeof(float) * static_cast<size_t>(n));
        invPlan.execute(outSpect[c], ifftOut[c]);
        float* acc = outAccum[c];
        const float* y = ifftOut[c];
        for (int32_t k = 0; k < n; ++k) {
            const float d = y[k] * synWindow[k];
            if (autoGain)
                outAbsSum += std::fabs(d);
            acc[k] += autoGainFactor * d;
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
    autoGainFactor = static_cast<float>(
        0.2 * static_cast<float>(inAbsSum / (2.f * outAbsSum)) + 0.8 * autoGainFactor);
    inAbsSum = 1e-6f;
    outAbsSum = 1e-6f;
}
