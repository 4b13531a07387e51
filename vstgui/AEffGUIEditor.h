// The editor base both plug-in windows stand on: a VST editor that owns a frame and passes the
// frame's edit gestures to the effect (and through it to the host).
#pragma once

#include "CFrame.h"
#include "vst/AEffEditor.h"

class AEffGUIEditor : public AEffEditor, public FrameEditor {
  public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // The editor's rectangle (set `rect` in the subclass's constructor). GUI thread.
    bool getRect(ERect** ppRect) override;
    // Remembers the host's parent window (an X11 window id or a window
    // handle); the subclass builds its frame.
    bool open(void* ptr) override;
    void close() override;
    // Repaints dirty views and pumps the window's events. GUI thread.
    void idle() override;

    // Told by the effect after each parameter change; any thread.
    virtual void setParameter(VstInt32 index, float value) { (void)index, (void)value; }

    // Edit gestures reach the host for parameter indexes only.
    void beginEdit(long index) override;
    void endEdit(long index) override;

    CFrame* getFrame() const { return frame; }
    // The parent window handed to open, as the frame constructor takes it.
    uintptr_t getParentWindow() const { return reinterpret_cast<uintptr_t>(systemWindow); }

  protected:
    ERect rect{0, 0, 0, 0};
    CFrame* frame = nullptr;
};
