// The wendle effect as a VST 2.4 plug-in (build/wendle-vst.so): what a VST host gives the effect
// that the Pro Tools binding otherwise hands it (the channel layout, the tempo), and the editor's
// bridge to the host's automation.
#pragma once

#include "gui/WendleEditorHost.h"
#include "wendle/wendle.h"

#include <atomic>
#include <cstdint>

class WendleVstEffect : public wendle {
  public:
    // 16 programs, 14 parameters and the editor (440 × 370). The host's pins decide the channel
    // layout on every process call, as for any effect on `spect`: both inputs connected is
    // stereo, one input with two outputs connected is mono sent to both, else mono. Throws
    // std::bad_alloc.
    explicit WendleVstEffect(audioMasterCallback audioMaster);
    ~WendleVstEffect() override;

    // Each non-empty block first takes the host's tempo (audioMasterGetTime) for the LFO's
    // tempo lock; without a valid tempo the last one stays. Audio thread.
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    // Hosts file it among the effects.
    VstInt32 getPlugCategory() override { return kPlugCategEffect; }

    // The parameters set since the last call, bit i for index i; clears them. GUI thread.
    uint32_t takeChangedParameters();

  protected:
    // Every value set (by the host, a program, a chunk, MIDI) is marked for the editor, whose
    // widget follows at its next idle (host automation moves the knobs).
    void parameterSet(VstInt32 index, float value) override;

  private:
    // The editor's host: edits become host automation (setParameterAutomated), values and
    // gestures are the effect's own; defaults are a fresh program's values. GUI thread.
    class EditorHost : public IWendleEditorHost {
      public:
        explicit EditorHost(WendleVstEffect& effect) : fx(effect) {}
        int32_t SetControlValueFromUI(int32_t index, int32_t value) override;
        int32_t GetControlValueForUI(int32_t index, int32_t* value) override;
        int32_t GetControlDefaultValue(int32_t index, int32_t* value) override;
        int32_t TouchControl(int32_t index) override;
        int32_t ReleaseControl(int32_t index) override;
        int32_t EditNotification(int32_t index) override;

      private:
        WendleVstEffect& fx;
    };

    void takeHostTempo();

    EditorHost editorHost{*this};
    std::atomic<uint32_t> changedParameters{0};
};
