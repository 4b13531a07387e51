// spect: the effect base both effects derive from. It joins the spectral engine to the VST
// effect classes: process calls, pins, capabilities, bypass, suspend, and the base's default
// program and two parameters that the effects replace with their own.
#pragma once

#include "AudioEffectX.h"
#include "engine/SpectralEngine.h"
#include "engine/StateLock.h"

class spect : public AudioEffectX, public SpectralEngine {
  public:
    // numIns: 2 (four builds the sidechain pins' names only). Reports latency 1024, two outputs,
    // replacing; leaves readyLevel at 1 (the effect's constructor adds 1 when it is done).
    spect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams,
          VstInt32 numIns = 2, bool unitGainWindow = false);
    ~spect() override;

    // Both do nothing below readyLevel 2. When pinsDecideChannelMode is set, channelMode is
    // taken from the host's pin answers on every call: 1 if input 2 is connected, else 2 if
    // output 2 is, else 0. Audio thread.
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) override;

    void suspend() override { SpectralEngine::suspend(); }
    void resume() override {}
    bool setBypass(bool onOff) override { return SpectralEngine::setBypass(onOff); }

    VstInt32 canDo(char* text) override; // "receiveVstEvents", "receiveVstMidiEvent"
    bool getInputProperties(VstInt32 index, VstPinProperties* properties) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;

    // The base's single program and two parameters ("Param A: ", "Param B: ").
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;

    // Cleared by an effect whose binding sets channelMode itself (the Pro Tools one).
    bool pinsDecideChannelMode = true;

    // The effects' host-side state lock (see SpectralEngine.h, Threads). The process calls record
    // their thread in it, so that a parameter set on that thread never waits.
    StateLock stateLock;

    float paramA = 1.0f;
    float paramB = 1.0f;
    char programName[32] = "Default";

  private:
    void decideChannelMode();
};
