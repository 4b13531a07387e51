// The VST 2.x extension of the effect base: the 2.x opcodes (events, pins, names, capabilities,
// bypass, chunks by index) and the 2.x host calls (time info, edit gestures).
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
  public:
    AudioEffectX(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // effProcessEvents: the host's events for the next process call. Audio thread.
    virtual VstInt32 processEvents(VstEvents* events) {
        (void)events;
        return 0;
    }

    // effGetProgramNameIndexed: the name of program `index` without selecting it; false for a
    // program that does not exist. The buffer holds kVstMaxProgNameLen bytes.
    virtual bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
        (void)category, (void)index, (void)text;
        return false;
    }
    // effGetParameterProperties: fills the record for a parameter the host should treat
    // specially (a switch, a stepped range); false leaves it untouched.
    virtual bool getParameterProperties(VstInt32 index, VstParameterProperties* properties) {
        (void)index, (void)properties;
        return false;
    }

    virtual bool canParameterBeAutomated(VstInt32 index) {
        (void)index;
        return true;
    }
    // Pins: fill the record and answer true for an existing pin; false leaves it untouched.
    virtual bool getInputProperties(VstInt32 index, VstPinProperties* properties) {
        (void)index, (void)properties;
        return false;
    }
    virtual bool getOutputProperties(VstInt32 index, VstPinProperties* properties) {
        (void)index, (void)properties;
        return false;
    }
    virtual bool setBypass(bool onOff) {
        (void)onOff;
        return false;
    }

    // Names: buffers of kVstMaxEffectNameLen / kVstMaxVendorStrLen / kVstMaxProductStrLen bytes.
    virtual bool getEffectName(char* name) {
        (void)name;
        return false;
    }
    virtual bool getVendorString(char* text) {
        (void)text;
        return false;
    }
    virtual bool getProductString(char* text) {
        (void)text;
        return false;
    }
    virtual VstInt32 getVendorVersion() { return 0; }
    // 1 = can do, -1 = cannot, 0 = don't know.
    virtual VstInt32 canDo(char* text) {
        (void)text;
        return 0;
    }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getPlugCategory() { return kPlugCategUnknown; }
    virtual VstInt32 getGetTailSize() { return 0; }

    // Effect -> host (2.x).
    // audioMasterGetTime: the host's time info or null. Audio thread.
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual bool beginEdit(VstInt32 index); // audioMasterBeginEdit
    virtual bool endEdit(VstInt32 index);   // audioMasterEndEdit
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual bool updateDisplay();
    virtual bool ioChanged();
};
