// The VST 2.x opcodes and host calls.
#include "AudioEffectX.h"

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms,
                           VstInt32 numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    switch (opcode) {
    case effProcessEvents:
        return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
    case effCanBeAutomated:
        return index >= 0 && index < numParams && canParameterBeAutomated(index) ? 1 : 0;
    case effGetNumProgramCategories:
        return 1;
    case effGetProgramNameIndexed: // value: the program category, which hosts pass as -1 or 0
        return ptr && getProgramNameIndexed(static_cast<VstInt32>(value), index,
                                            static_cast<char*>(ptr))
                   ? 1
                   : 0;
    case effGetParameterProperties:
        return ptr && index >= 0 && index < numParams &&
                       getParameterProperties(index, static_cast<VstParameterProperties*>(ptr))
                   ? 1
                   : 0;
    case effConnectInput:
    case effConnectOutput:
        return 1;
    case effGetInputProperties:
        return ptr && index >= 0 && getInputProperties(index, static_cast<VstPinProperties*>(ptr))
                   ? 1
                   : 0;
    case effGetOutputProperties:
        return ptr && index >= 0 && getOutputProperties(index, static_cast<VstPinProperties*>(ptr))
                   ? 1
                   : 0;
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
        if (ptr)
            *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
        return 0;
    case effSetBlockSizeAndSampleRate:
        setBlockSize(static_cast<VstInt32>(value));
        setSampleRate(opt);
        return 1;
    case effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
        return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
        return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
        return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
        return getVendorVersion();
    case effCanDo:
        return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effGetTailSize:
        return getGetTailSize();
    case effKeysRequired:
        return 1;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
        if (editor) {
            VstKeyCode key{index, static_cast<unsigned char>(value),
                           static_cast<unsigned char>(opt)};
            return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
        }
        return 0;
    case effSetEditKnobMode:
        return editor ? editor->setKnobMode(static_cast<VstInt32>(value)) : 0;
    case effGetCurrentMidiProgram:
        return -1;
    case effSetTotalSampleToProcess:
        return value;
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callMaster(audioMasterGetTime, 0, filter, nullptr, 0.f));
}

bool AudioEffectX::beginEdit(VstInt32 index) {
    return callMaster(audioMasterBeginEdit, index, 0, nullptr, 0.f) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) {
    return callMaster(audioMasterEndEdit, index, 0, nullptr, 0.f) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callMaster(audioMasterSizeWindow, width, height, nullptr, 0.f) != 0;
}

bool AudioEffectX::updateDisplay() {
    return callMaster(audioMasterUpdateDisplay, 0, 0, nullptr, 0.f) != 0;
}

bool AudioEffectX::ioChanged() {
    return callMaster(audioMasterIOChanged, 0, 0, nullptr, 0.f) != 0;
}
