// The effect base class a VST 2.4 plug-in object derives from: it owns the AEffect record handed
// to the host, routes the record's callbacks to virtual methods and wraps the host callback.
#pragma once

#include <atomic>

#include "AEffEditor.h"
#include "VstAbi.h"

class AudioEffect {
  public:
    // audioMaster may be null (an effect driven without a VST host).
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect(); // deletes the editor, if any

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // The record handed to the host; AEffect::object points back at this object.
    AEffect* getAeffect() { return &cEffect; }

    // Host -> effect. The trampolines call these; the audio callbacks run on the audio thread.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
        (void)inputs, (void)outputs, (void)sampleFrames;
    }

    // Parameters: values are the host's normalised 0...1.
    virtual void setParameter(VstInt32 index, float value) { (void)index, (void)value; }
    virtual float getParameter(VstInt32 index) {
        (void)index;
        return 0;
    }
    // Calls setParameter, then tells the host (editor gestures).
    virtual void setParameterAutomated(VstInt32 index, float value);

    // Programs.
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual void setProgramName(char* name) { (void)name; }
    virtual void getProgramName(char* name) {
        if (name)
            *name = 0;
    }

    // Parameter texts; the host's buffers hold at least kVstMaxParamStrLen bytes (hosts usually
    // give more).
    virtual void getParameterLabel(VstInt32 index, char* label) { (void)index, (void)label; }
    virtual void getParameterDisplay(VstInt32 index, char* text) { (void)index, (void)text; }
    virtual void getParameterName(VstInt32 index, char* text) { (void)index, (void)text; }

    // Chunks (effGetChunk/effSetChunk): isPreset is false for the bank, true for one program.
    // getChunk points *data at memory the effect keeps and answers its size in bytes.
    virtual VstInt32 getChunk(void** data, bool isPreset = false) {
        (void)data, (void)isPreset;
        return 0;
    }
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) {
        (void)data, (void)byteSize, (void)isPreset;
        return 0;
    }

    // Set-up.
    virtual void setUniqueID(VstInt32 iD) { cEffect.uniqueID = iD; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void canProcessReplacing(bool state = true);
    virtual void canDoubleReplacing(bool state = true);
    virtual void programsAreChunks(bool state = true);
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual float getSampleRate() { return sampleRate; }
    virtual VstInt32 getBlockSize() { return blockSize; }

    // effMainsChanged 0 / non-zero.
    virtual void suspend() {}
    virtual void resume() {}

    // Editor: the effect owns it; a non-null editor sets effFlagsHasEditor.
    virtual void setEditor(AEffEditor* newEditor);
    virtual AEffEditor* getEditor() { return editor; }

    // Effect -> host.
    virtual VstInt32 getMasterVersion();   // audioMasterVersion, 0 without a host
    virtual VstInt32 getCurrentUniqueId(); // audioMasterCurrentId
    virtual void masterIdle();             // audioMasterIdle
    // audioMasterPinConnected: a host answer of 0 means connected; without a host every pin
    // counts as connected. Audio thread.
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Formats value into text as the published base does: 8 characters, truncated, "Huge!" when
    // out of range; cut to maxLen - 1 characters plus NUL.
    virtual void float2string(float value, char* text, VstInt32 maxLen = kVstMaxParamStrLen);
    virtual void dB2string(float value, char* text, VstInt32 maxLen = kVstMaxParamStrLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen = kVstMaxParamStrLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen = kVstMaxParamStrLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen = kVstMaxParamStrLen);

  protected:
    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    // Any thread may read these while another sets them (a binding re-sends the rate on every
    // render; the program number is read by the dispatcher outside the effect's state lock).
    std::atomic<float> sampleRate{44100.f};
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    std::atomic<VstInt32> curProgram{0};
    AEffect cEffect{};

    // Calls the host; 0 without a host.
    VstIntPtr callMaster(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  private:
    static VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
    static void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
    static void processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                      VstInt32 sampleFrames);
    static void processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                            VstInt32 sampleFrames);
    static void setParameterClass(AEffect* e, VstInt32 index, float value);
    static float getParameterClass(AEffect* e, VstInt32 index);
};
