// The editor base an effect's window derives from. An effect with an editor forwards the editor
// opcodes here; the defaults answer 0, as an effect without a window would.
#pragma once

#include "VstAbi.h"

class AudioEffect;

class AEffEditor {
  public:
    // Registers itself with the effect (which then owns it and sets effFlagsHasEditor).
    explicit AEffEditor(AudioEffect* effect = nullptr);
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect; }

    // effEditGetRect: points *rect at the editor's own size record. GUI thread.
    virtual bool getRect(ERect** rect) {
        (void)rect;
        return false;
    }
    // effEditOpen: ptr is the host's parent window (an X11 window id on Linux). GUI thread.
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    // effEditClose. GUI thread.
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    // effEditIdle: called by the host 20-60 times a second on the GUI thread.
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    virtual bool setKnobMode(VstInt32 val) {
        (void)val;
        return false;
    }

  protected:
    AudioEffect* effect = nullptr;
    void* systemWindow = nullptr;
};
