// The effect base: the AEffect record, its trampolines and the VST 1 opcodes and host calls.
#include "AudioEffect.h"
#include "VstStrings.h"

#include <cstring>

AEffEditor::AEffEditor(AudioEffect* effect) : effect(effect) {
    if (effect)
        effect->setEditor(this);
}

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEffectClass;
    cEffect.process = processClass;
    cEffect.setParameter = setParameterClass;
    cEffect.getParameter = getParameterClass;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode("NoEf");
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingClass;
    cEffect.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

// Trampolines: nothing may throw across the host's C boundary; a failure answers 0.

VstIntPtr AudioEffect::dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
    if (!e || !e->object)
        return 0;
    auto* ae = static_cast<AudioEffect*>(e->object);
    try {
        if (opcode == effClose) {
            ae->dispatcher(opcode, index, value, ptr, opt);
            delete ae;
            return 1;
        }
        return ae->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void AudioEffect::processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (!e || !e->object)
        return;
    try {
        static_cast<AudioEffect*>(e->object)->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processReplacingClass(AEffect* e, float** inputs, float** outputs,
                                        VstInt32 sampleFrames) {
    if (!e || !e->object)
        return;
    try {
        static_cast<AudioEffect*>(e->object)->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::processDoubleReplacingClass(AEffect* e, double** inputs, double** outputs,
                                              VstInt32 sampleFrames) {
    if (!e || !e->object)
        return;
    try {
        static_cast<AudioEffect*>(e->object)->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void AudioEffect::setParameterClass(AEffect* e, VstInt32 index, float value) {
    if (!e || !e->object)
        return;
    try {
        static_cast<AudioEffect*>(e->object)->setParameter(index, value);
    } catch (...) {
    }
}

float AudioEffect::getParameterClass(AEffect* e, VstInt32 index) {
    if (!e || !e->object)
        return 0.f;
    try {
        return static_cast<AudioEffect*>(e->object)->getParameter(index);
    } catch (...) {
        return 0.f;
    }
}

// The VST 1 opcodes; AudioEffectX::dispatcher handles the rest and falls back here.
VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    switch (opcode) {
    case effOpen:
    case effClose:
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr)
            setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr)
            getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr)
            getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr)
            getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr)
            getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return editor ? editor->open(ptr) : 0;
    case effEditClose:
        if (editor)
            editor->close();
        return 0;
    case effEditIdle:
        if (editor)
            editor->idle();
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        if (!ptr || value < 0 || value > 0x7fffffff)
            return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void AudioEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    (void)inputs, (void)outputs, (void)sampleFrames;
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callMaster(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::canProcessReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanReplacing;
    else
        cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::canDoubleReplacing(bool state) {
    if (state)
        cEffect.flags |= effFlagsCanDoubleReplacing;
    else
        cEffect.flags &= ~effFlagsCanDoubleReplacing;
}

void AudioEffect::programsAreChunks(bool state) {
    if (state)
        cEffect.flags |= effFlagsProgramChunks;
    else
        cEffect.flags &= ~effFlagsProgramChunks;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    if (editor)
        cEffect.flags |= effFlagsHasEditor;
    else
        cEffect.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callMaster(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
    return static_cast<VstInt32>(callMaster(audioMasterVersion, 0, 0, nullptr, 0.f));
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callMaster(audioMasterCurrentId, 0, 0, nullptr, 0.f));
}

void AudioEffect::masterIdle() {
    callMaster(audioMasterIdle, 0, 0, nullptr, 0.f);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callMaster(audioMasterPinConnected, input, 0, nullptr, 0.f) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callMaster(audioMasterPinConnected, output, 1, nullptr, 0.f) == 0;
}

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    vst::float2string(value, text, maxLen);
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    vst::dB2string(value, text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    const float hz = samples == 0.f ? 0.f : sampleRate / samples;
    vst::float2string(hz, text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    vst::float2string(sampleRate > 0.f ? samples * 1000.f / sampleRate : 0.f, text, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    vst::int2string(value, text, maxLen);
}
