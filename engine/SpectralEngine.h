// The spectral engine: short-time analysis and resynthesis (1024-point frames, hop 256, latency
// 1024), hop buffering, meters, bypass and automatic gain around a per-frame hook. It knows no
// plug-in format; the effect base `spect` joins it to the VST effect classes.
#pragma once

#include "Fft.h"

#include <cstddef>
#include <cstdint>

class SpectralEngine {
  public:
    static constexpr int kFftSize = 1024;
    static constexpr int kHalfSize = kFftSize / 2;
    static constexpr int kHopSize = kFftSize / 4;
    static constexpr int kBufferFloats = 65536;    // every per-channel buffer, whatever N is
    static constexpr float kMeterDecay = 0.99112f; // per hop

    // numIns: 2 (the four-input sidechain configuration is not built: its buffers stay null).
    // unitGainWindow: analysis scale 1/sum(w) instead of 2/sum(w). Throws std::bad_alloc when a
    // buffer or plan cannot be made. Leaves readyLevel at 1.
    explicit SpectralEngine(int32_t numIns = 2, bool unitGainWindow = false);
    virtual ~SpectralEngine();

    SpectralEngine(const SpectralEngine&) = delete;
    SpectralEngine& operator=(const SpectralEngine&) = delete;

    // The shared body of the process calls: plays out the accumulators, gathers hops and runs a
    // frame at every hop end. replace: write the outputs, else add to them. Reads inputs[0..1]
    // and writes outputs[0..1] as channelMode says. Does nothing for sampleFrames < 1. Runs under
    // flush-to-zero. Audio thread: no allocation, no lock.
    void processAudio(float** inputs, float** outputs, int32_t sampleFrames, bool replace);

    // Once per complete hop when not bypassed: analysis, processSpect, resynthesis. Audio thread.
    virtual void processFrame();

    // The per-frame hook: reads inSpect[0] (and inSpect[1] when channelMode is 1), leaves the
    // spectra to synthesise in outSpect. The default copies every input spectrum unchanged.
    virtual void processSpect();

    // Clears the signal state (meters, hop, history, spectra, accumulators); the next N output
    // samples are silent. Keeps windows, hopPos, autoGainFactor and the auto-gain sums.
    void suspend();

    // Bypass: the output becomes the input delayed by one hop. Answers onOff.
    bool setBypass(bool onOff) {
        bypassed = onOff;
        return onOff;
    }

    // Meter levels for the editors: 0 = input peak, 1 = output peak, else 0. Any thread.
    float getLevel(int index) const {
        return index == 0 ? inputPeak : index == 1 ? outputPeak : 0.f;
    }

    // Window construction, a pure function of its inputs so that it can be checked alone:
    // fills ana and syn (n floats each) with the scaled Hamming analysis and synthesis windows.
    static void buildWindows(float* ana, float* syn, int n, int hop, bool unitGain);

    // Automatic gain step: moves autoGainFactor towards in/(2 out) and restarts the sums.
    void updateAutoGain();

    // Members, named as the effects and editors read them.
    int32_t halfSize = kHalfSize;
    int32_t fftSize = kFftSize;
    float* anaHistory[2] = {};   // last N input samples, oldest first
    float* ifftOut[2] = {};      // inverse transform result
    float* inSpect[2] = {};      // latest input spectrum (halfcomplex)
    float* outSpect[2] = {};     // written by processSpect (halfcomplex)
    float* outSpectCopy[2] = {}; // outSpect as it was before the inverse transform (displays)
    float* scHistory[2] = {};    // sidechain: not built
    float* scSpect[2] = {};
    int32_t channelMode = 0; // 0 = channel 1 only, 1 = both, 2 = channel 1 sent to both outputs
    int32_t scConnected = 0;
    int32_t scEnabled = 0;
    int32_t numIns;
    int32_t numOuts = 2;
    int32_t logScale = 0;   // log-frequency display flag, read by the spectrum displays
    int32_t readyLevel = 0; // processing runs at 2 and above
    bool unitGainWindow;
    bool bypassed = false;
    float inputPeak = 0.f;
    float outputPeak = 0.f;
    float inAbsSum = 1e-9f;
    float outAbsSum = 1e-9f;
    int32_t hopSize = kHopSize;
    int32_t hopPos = 0; // samples gathered in the current hop
    float* anaWindow = nullptr;
    float* synWindow = nullptr;
    float* inHop[2] = {};    // the hop being gathered
    float* outAccum[2] = {}; // overlap-add accumulator; first H elements play out now
    float* fftIn[2] = {};    // windowed frame
    float* scHop[2] = {};
    float* scFftIn[2] = {};
    FftPlan fwdPlan{kFftSize, FftDirection::RealToComplex};
    FftPlan invPlan{kFftSize, FftDirection::ComplexToReal};
    float twoPi;
    float autoGainFactor = 1.0f; // output gain at overlap-add
    int32_t autoGain = 0;        // automatic gain on (non-zero) or off

  private:
    // Owns every buffer above; declared last so that it is built before the constructor body
    // and frees whatever was allocated if the constructor throws.
    struct Buffers {
        static constexpr int kMax = 18;
        static constexpr size_t kAlignment = 64;
        static constexpr size_t kPage = 4096;
        void* list[kMax] = {};
        int count = 0;
        float* allocate(bool zero);
        ~Buffers();
    } buffers;
};
