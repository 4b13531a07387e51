// CWendleProcess: one wendle effect inside the Pro Tools framework. It owns the effect, declares
// the thirteen controls and maps them onto the effect's parameters, keeps the learned curves in
// eight chunks, reports meters and latency, and shows the editor through its custom user interface
// (made on the first view request, deleted with the process).
#pragma once

#include "engine/Spectrum.h"
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "IWendleProcess.h"
#include "PlugInLibrary/PlugInLibrary.h"
#include "wendle/wendle.h"

class CWendleCustomUI;

class CWendleProcess : virtual public CEffectProcessMIDI, private IWendleProcess {
  public:
    static constexpr int kMaxMeterChannels = 48;
    static constexpr int32_t kLatencySamples = spectral::kFftSize;

    // Throws std::bad_alloc when the effect cannot be built.
    CWendleProcess();
    ~CWendleProcess() override;

    // Channel mode from the stem format, the sample rate, then the controls.
    void EffectInit() override;
    // Controls 2 ... 13: p = (c + 2^31) / (2^32 - 1) to the effect's parameter of that number.
    void UpdateControlValueInAlgorithm(int32_t controlIndex) override;
    PIErr GetChunkSize(PIFourCC chunkID, int32_t* size) override;
    PIErr GetChunk(PIFourCC chunkID, PIChunkHeader* chunk) override;
    // A curve chunk whose size word is not 2108 or that holds a NaN or infinite value changes
    // nothing and answers kPIErr_BadChunk.
    PIErr SetChunk(PIFourCC chunkID, PIChunkHeader* chunk) override;
    // Per channel: v = max(peak, held); held = 0.7 v; above 1.0 the meter is -1 and the clip flag
    // set, else v x 2^31 (at most 2^31 - 1); the peak restarts at 0. Any thread.
    PIErr GetMetersFromDSP(int32_t* meters, int32_t* clips) override;
    PIErr GetDelaySamplesLong(int32_t* samples) override;
    PIErr GetAlgorithmText(int32_t controlIndex, char* text, int32_t size) override;
    PIErr GetAlgorithmValue(int32_t controlIndex, float* value) override;

    // The first request makes the custom user interface and the "!NoUIView[('NoID')]" view of its
    // size that carries it; when they cannot be made the process shows no view of its own.
    PIErr GetViewPort(PIViewInfo& view) override;
    // A window that cannot be opened answers kPIErr_ViewFailed.
    PIErr OpenView(uint64_t parentWindow) override;
    PIErr OpenViewOffscreen() override;
    PIErr GetViewPicture(PIViewPicture& picture) override;
    CWendleCustomUI* GetCustomUI() const { return mCustomUI; }
    static constexpr const char* kCustomViewName = "!NoUIView[('NoID')]";

    bool GetClipIndicator() const { return mClipIndicator.load(std::memory_order_relaxed); }

    // The loopback host callback handed to the effect: no VST host exists here, so the effect's
    // requests are answered without reaching Pro Tools (see the definition).
    static VstIntPtr LoopbackCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                      VstIntPtr value, void* ptr, float opt);

  protected:
    // Raises the channels' peaks from a rendered block. Audio thread.
    void RaisePeaks(float** outputs, int32_t frames);

    std::unique_ptr<wendle> mEffect;

  private:
    // IWendleProcess, for the custom user interface.
    int32_t SetControlValueFromUI(int32_t controlIndex, int32_t value) override;
    int32_t GetControlValueForUI(int32_t controlIndex, int32_t* value) override;
    int32_t GetControlDefaultValue(int32_t controlIndex, int32_t* value) override;
    int32_t TouchControl(int32_t controlIndex) override;
    int32_t ReleaseControl(int32_t controlIndex) override;
    int32_t EditNotification(int32_t controlIndex) override;
    void* GetModuleHandle() override;
    wendle* GetEffect() override { return mEffect.get(); }

    void AddControls();

    CWendleCustomUI* mCustomUI = nullptr;

    std::array<std::atomic<float>, kMaxMeterChannels> mPeak{};
    std::array<float, kMaxMeterChannels> mHeld{};
    std::atomic<bool> mClipIndicator{false};
};
