// The spectral engine: short-time analysis and resynthesis (1024-point frames, hop 256, latency
// 1024), hop buffering, meters, bypass and automatic gain around a per-frame hook. It knows no
// plug-in format; the effect base `spect` joins it to the VST effect classes.
//
// Threads. The process calls, and through them processFrame and the effect's processSpect, run
// on the audio thread; parameters, programs, chunks, the learn buttons and the editors' reads
// come from any other thread at the same time. The rules every effect on this engine keeps:
// - The audio thread takes no lock, never waits, allocates nothing.
// - A scalar shared across threads is a std::atomic (relaxed where only the one value matters):
//   the flags and factors below, the meters, the effects' parameter values and derived scalars.
// - An array the audio thread reads (gain-law and tilt tables, threshold shapes, learned
//   curves) is never changed in place: the new state is built aside and published whole
//   (TablePublisher), and a frame takes the newest table once and keeps it to its end, so it
//   sees the old state or the new one, never a mix.
// - The program records, names and chunk images belong to the host side. Every call that
//   changes or reads them as a whole runs under the effect's StateLock; host threads wait for
//   it, the audio thread never does (a parameter set on the audio thread that finds the lock
//   held is queued and applied by the holder before it lets go).
// - State the audio thread writes itself is handed over through atomics, and only the host side
//   turns it into program state, under the lock: the engine's autoGainFactor (a make-up gain
//   set while automatic gain runs wins over the frame's update; reading "makeup gain" back
//   answers it and stores nothing, and a chunk written once automatic gain has moved it takes
//   the current program's make-up gain from it), the learn accumulators (filled only while
//   `learning` is set and a frame is inside its summing section, so a host call that clears
//   `learning` and waits for the section to end owns them), and the end of a pass (a flag and a
//   frame count): the shapes or curves are computed from the sums when the learn button falls,
//   then published like any other change. An edit the editor draws into a curve is flagged;
//   the frame passes the flag to the host side, which re-derives the curve there.
#pragma once

#include "Fft.h"
#include "Spectrum.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class SpectralEngine {
  public:
    static constexpr int kFftSize = spectral::kFftSize;
    static constexpr int kHalfSize = spectral::kHalfSize;
    static constexpr int kHopSize = spectral::kHopSize;
    static constexpr int kBufferFloats = 65536;    // every per-channel buffer, whatever N is
    static constexpr float kMeterDecay = 0.99112f; // per hop

    // numIns: the input pins the binding reports (2; the engine reads two inputs whatever it is).
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

    // Bypass: the output becomes the input delayed by one hop. Answers onOff. Any thread; takes
    // effect at the next hop end.
    bool setBypass(bool onOff) {
        bypassed.store(onOff, std::memory_order_relaxed);
        return onOff;
    }

    // Meter levels for the editors: 0 = input peak, 1 = output peak, else 0. Any thread.
    float getLevel(int index) const {
        return index == 0   ? inputPeak.load(std::memory_order_relaxed)
               : index == 1 ? outputPeak.load(std::memory_order_relaxed)
                            : 0.f;
    }

    // Window construction, a pure function of its inputs so that it can be checked alone:
    // fills ana and syn (n floats each) with the scaled Hamming analysis and synthesis windows.
    static void buildWindows(float* ana, float* syn, int n, int hop, bool unitGain);

    // Automatic gain step: moves autoGainFactor towards in/(2 out) and restarts the sums. A
    // factor stored by another thread since the frame read it is kept. Audio thread.
    void updateAutoGain();

    // Members, named as the effects and editors read them. The atomics may be written by any
    // thread (channelMode only by the audio thread's pin check, or by a binding before rendering
    // starts); the plain buffers and counters belong to the audio thread.
    int32_t halfSize = kHalfSize;
    int32_t fftSize = kFftSize;
    float* anaHistory[2] = {};   // last N input samples, oldest first
    float* ifftOut[2] = {};      // inverse transform result
    float* inSpect[2] = {};      // latest input spectrum (halfcomplex)
    float* outSpect[2] = {};     // written by processSpect (halfcomplex)
    float* outSpectCopy[2] = {}; // outSpect as it was before the inverse transform (displays)
    std::atomic<int32_t> channelMode{0}; // 0 = channel 1 only, 1 = both, 2 = 1 sent to both outputs
    int32_t numIns;
    int32_t numOuts = 2;
    std::atomic<int32_t> logScale{0};   // log-frequency display flag, read by the spectrum displays
    std::atomic<int32_t> readyLevel{0}; // processing runs at 2 and above
    bool unitGainWindow;
    std::atomic<bool> bypassed{false};
    std::atomic<float> inputPeak{0.f};
    std::atomic<float> outputPeak{0.f};
    float inAbsSum = 1e-9f;
    float outAbsSum = 1e-9f;
    int32_t hopSize = kHopSize;
    int32_t hopPos = 0; // samples gathered in the current hop
    float* anaWindow = nullptr;
    float* synWindow = nullptr;
    float* inHop[2] = {};    // the hop being gathered
    float* outAccum[2] = {}; // overlap-add accumulator; first H elements play out now
    float* fftIn[2] = {};    // windowed frame
    FftPlan fwdPlan{kFftSize, FftDirection::RealToComplex};
    FftPlan invPlan{kFftSize, FftDirection::ComplexToReal};
    float twoPi;
    std::atomic<float> autoGainFactor{1.0f}; // output gain at overlap-add
    std::atomic<int32_t> autoGain{0};        // automatic gain on (non-zero) or off

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
