// The process: one instance of an effect type inserted by the host. It owns the instance's
// controls and chunk declarations and turns the host's requests into calls of the virtual hooks
// that a plug-in overrides (initialisation, control changes, chunks, meters, view, latency).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../Controls/CPluginControl.h"
#include "../DSPClasses/CTempoInterface.h"
#include "../EffectClasses/CPlugInView.h"
#include "../PlugInProtocol.h"
#include "ControlsChunk.h"

class CEffectType;

class CEffectProcess {
  public:
    CEffectProcess();
    virtual ~CEffectProcess();
    CEffectProcess(const CEffectProcess&) = delete;
    CEffectProcess& operator=(const CEffectProcess&) = delete;

    // ---- Called by the framework's routines (host threads as noted in PlugInProtocol.h).
    void SetEffectType(const CEffectType* type) { mType = type; }
    const CEffectType* GetEffectType() const { return mType; }
    // Runs EffectInit, then hands every control's value to the algorithm once. A second call
    // does nothing.
    PIErr Initialize(int32_t stemFormat, double sampleRate, const PITempoInterface* tempo);
    bool IsInitialized() const { return mInitialized; }

    int32_t GetNumControls() const { return static_cast<int32_t>(mControls.size()); }
    // Numbered from 1; null outside 1 ... GetNumControls().
    CPluginControl* GetControl(int32_t index) const;
    // Stores the value and passes the change on to the algorithm. Any thread but audio; waits
    // for a chunk being saved or restored, so that the control and the algorithm agree.
    PIErr SetControlValue(int32_t index, int32_t value);
    PIErr GetControlValue(int32_t index, int32_t* value) const;

    int32_t GetNumChunks() const { return static_cast<int32_t>(mChunks.size()); }
    PIErr GetChunkInfo(int32_t index, PIChunkInfo& info) const;
    // Checked entry points: record capacities and lengths, header filled, data copied aside.
    // Host threads other than audio: one at a time, and never during a control set.
    PIErr GetChunkChecked(PIFourCC chunkID, PIChunkHeader* record, int32_t capacity);
    PIErr SetChunkChecked(PIFourCC chunkID, const PIChunkHeader* record, int32_t length);

    // Audio thread.
    virtual PIErr Render(float** inputs, float** outputs, int32_t frames);

    // ---- Hooks a plug-in overrides.
    // Per-instance set-up, once the stem format and the sample rate are known.
    virtual void EffectInit() {}
    // The control's value has changed; pass it to the algorithm (index from 1).
    virtual void UpdateControlValueInAlgorithm(int32_t controlIndex) { (void)controlIndex; }
    // Chunks: the framework answers its own controls chunk; others are the plug-in's.
    virtual PIErr GetChunkSize(PIFourCC chunkID, int32_t* size);
    virtual PIErr GetChunk(PIFourCC chunkID, PIChunkHeader* chunk);
    virtual PIErr SetChunk(PIFourCC chunkID, PIChunkHeader* chunk);
    // One meter value and clip flag per channel of the stem format.
    virtual PIErr GetMetersFromDSP(int32_t* meters, int32_t* clips);
    // The plug-in's view; by default the group's registered default view, with no view object.
    // A plug-in with a view of its own makes it here on the first request (SetPlugInView).
    virtual PIErr GetViewPort(PIViewInfo& view);
    // Opens the view in the host's window; an open view is closed first. UI thread.
    virtual PIErr OpenView(uint64_t parentWindow);
    // Opens the view drawn into memory only; by default not offered. UI thread.
    virtual PIErr OpenViewOffscreen() { return kPIErr_Unsupported; }
    // The open view's picture as last painted; by default not offered. UI thread.
    virtual PIErr GetViewPicture(PIViewPicture& picture) {
        (void)picture;
        return kPIErr_Unsupported;
    }
    // The delay in samples; by default the 16-bit GetDelaySamples.
    virtual PIErr GetDelaySamplesLong(int32_t* samples);
    virtual int16_t GetDelaySamples() { return 0; }
    // What the algorithm shows for the parameter behind a control.
    virtual PIErr GetAlgorithmText(int32_t controlIndex, char* text, int32_t size);
    virtual PIErr GetAlgorithmValue(int32_t controlIndex, float* value);

    // ---- The view (UI thread). Null until the first view request made one.
    CPlugInView* GetPlugInView() const { return mView.get(); }
    // Hands the view every control value that changed since the last call, then its idle.
    PIErr IdleView();
    // Hands the view the values of the controls changed since the last call.
    void PushControlChangesToView();

    // ---- Automation: edits made in the plug-in's view. With the host's automation interface
    // they go to the host, which records them and sets the control back through SetControl;
    // without one the control is set directly. The view then gets the value the control took.
    void SetAutomationInterface(const PIAutomationInterface* automation) {
        mAutomation.store(automation, std::memory_order_release);
    }
    PIErr SetControlValueFromView(int32_t index, int32_t value);
    PIErr TouchControlFromView(int32_t index);
    PIErr ReleaseControlFromView(int32_t index);
    PIErr EditNotificationFromView(int32_t index);

    int32_t GetStemFormat() const { return mStemFormat; }
    int32_t GetNumChannels() const { return mNumChannels; }
    int32_t GetSampleRate() const { return mSampleRate; }
    bool IsBypassed() const;
    // The master-bypass control's number, or 0 when none is declared.
    int32_t GetMasterBypassControlIndex() const { return mMasterBypassIndex; }

  protected:
    // Controls are numbered from 1 in the order they are added; the process owns them.
    int32_t AddControl(CPluginControl* control);
    void DefineMasterBypassControlIndex(int32_t index) { mMasterBypassIndex = index; }
    // A chunk of dataSize bytes after the header.
    void AddChunk(PIFourCC chunkID, const char* name, int32_t dataSize);
    const CTempoInterface& GetTempoInterface() const { return mTempo; }
    // The process owns the view; null removes it.
    void SetPlugInView(std::unique_ptr<CPlugInView> view) { mView = std::move(view); }
    // This process as the host knows it.
    PIInstance* AsInstance() { return reinterpret_cast<PIInstance*>(this); }
    bool HasTempoInterface() const { return mTempo.IsAvailable(); }

  private:
    struct ChunkDeclaration {
        PIFourCC id;
        std::string name;
        int32_t size;
    };
    const ChunkDeclaration* FindChunk(PIFourCC chunkID) const;
    void MarkChangedForView(int32_t index);

    const CEffectType* mType = nullptr;
    // Orders control sets against chunk saves and restores: a control's value and what the
    // algorithm was told of it change together, so that a save always describes what plays
    // (otherwise a set overlapping a restore could leave the restored value in the control and
    // its own in the algorithm). Taken on host threads only; the render thread never takes it.
    std::mutex mStateMutex;
    pil::ControlList mControls;
    std::vector<ChunkDeclaration> mChunks;
    std::vector<uint8_t> mChunkScratch; // set-chunk records are checked and converted here
    int32_t mMasterBypassIndex = 0;
    int32_t mStemFormat = kPIStemFormat_Mono;
    int32_t mNumChannels = 1;
    int32_t mSampleRate = 44100;
    bool mInitialized = false;
    CTempoInterface mTempo;
    std::atomic<const PIAutomationInterface*> mAutomation{nullptr};
    // One flag per control, set by every change (any thread), cleared when the view got it.
    std::unique_ptr<std::atomic<bool>[]> mChangedForView;
    std::unique_ptr<CPlugInView> mView;
};
