// The effect base shared by both effects: VST-facing answers around the spectral engine.
#include "spect.h"
#include "VstStrings.h"

#include "engine/Text.h"

#include <cstring>

namespace {
constexpr const char* kInputPinNames[] = {"Input 1", "Input 2", "Sidechain 1", "Sidechain 2"};
constexpr const char* kOutputPinNames[] = {"Output 1", "Output 2"};

void fillPin(VstPinProperties* properties, const char* label) {
    copyText(properties->label, label, sizeof(properties->label));
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
}
} // namespace

spect::spect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams,
             VstInt32 numIns, bool unitGainWindow)
    : AudioEffectX(audioMaster, numPrograms, numParams), SpectralEngine(numIns, unitGainWindow) {
    setNumInputs(numIns);
    setNumOutputs(numOuts);
    canProcessReplacing();
    setInitialDelay(fftSize);
}

spect::~spect() = default;

void spect::decideChannelMode() {
    if (!pinsDecideChannelMode)
        return;
    if (isInputConnected(1))
        channelMode = 1;
    else if (isOutputConnected(1))
        channelMode = 2;
    else
        channelMode = 0;
}

void spect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (readyLevel < 2 || sampleFrames < 1) // an empty block changes nothing, the mode included
        return;
    stateLock.noteAudioThread();
    decideChannelMode();
    processAudio(inputs, outputs, sampleFrames, false);
}

void spect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (readyLevel < 2 || sampleFrames < 1) // an empty block changes nothing, the mode included
        return;
    stateLock.noteAudioThread();
    decideChannelMode();
    processAudio(inputs, outputs, sampleFrames, true);
}

void spect::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    (void)inputs, (void)outputs, (void)sampleFrames;
}

VstInt32 spect::canDo(char* text) {
    if (!text)
        return 0;
    if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
        return 1;
    return -1;
}

bool spect::getInputProperties(VstInt32 index, VstPinProperties* properties) {
    if (!properties || index < 0 || index >= numIns || index >= 4)
        return false;
    fillPin(properties, kInputPinNames[index]);
    return true;
}

bool spect::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    if (!properties || index < 0 || index >= 2)
        return false;
    fillPin(properties, kOutputPinNames[index]);
    return true;
}

void spect::setProgramName(char* name) {
    if (name)
        copyText(programName, name, kVstMaxProgNameLen);
}

void spect::getProgramName(char* name) {
    if (name)
        copyText(name, programName, kVstMaxProgNameLen);
}

void spect::setParameter(VstInt32 index, float value) {
    if (index == 0)
        paramA = value;
    else if (index == 1)
        paramB = value;
}

float spect::getParameter(VstInt32 index) {
    return index == 0 ? paramA : index == 1 ? paramB : 0.f;
}

void spect::getParameterName(VstInt32 index, char* text) {
    if (!text)
        return;
    if (index == 0)
        std::strcpy(text, "Param A: ");
    else if (index == 1)
        std::strcpy(text, "Param B: ");
}

void spect::getParameterDisplay(VstInt32 index, char* text) {
    if (!text)
        return;
    if (index == 0)
        float2string(paramA, text, 255);
    else if (index == 1)
        float2string(paramB, text, 255);
}

void spect::getParameterLabel(VstInt32 index, char* label) {
    if (label && (index == 0 || index == 1))
        *label = 0;
}
