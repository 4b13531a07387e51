// CWendleCustomUI: wendle's editor in the host's plug-in window. It registers (or shares) the
// window class its child windows are made of, places a child window of the editor's size in the
// host's window (centred horizontally, on the bottom edge), opens the editor in it and forwards
// the host's idle, redraw, control values and highlights. It owns the editor. UI thread.
#pragma once

#include <cstdint>
#include <memory>

#include "IWendleProcess.h"
#include "PlugInLibrary/EffectClasses/IWendleCustomUI.h"

class CVSTEditor;

namespace wendlept {

// The X11 counterpart of the window class the child windows are made of: its description, and
// the display connection and cursor that every child window shares. One per process, counted by
// registrations; the last unregistration frees it.
struct WindowClass {
    const char* name = "WendleLocal";
    unsigned long background = 0;  // black
    unsigned int cursorShape = 68; // the arrow (XC_left_ptr)
    void* module = nullptr;
};

// The child window's place in a parent client area of that size, for an editor rectangle.
struct Placement {
    int32_t x, y, width, height;
};
Placement PlaceChild(int32_t clientWidth, int32_t clientTop, int32_t clientBottom, int32_t left,
                     int32_t top, int32_t right, int32_t bottom);

// How many registrations of the window class are alive (for tests).
int WindowClassRegistrations();

} // namespace wendlept

class CWendleCustomUI : public IWendleCustomUI {
  public:
    // Builds the editor with the process as its host bridge and registers the window class.
    // Throws CWendleUIError.
    explicit CWendleCustomUI(IWendleProcess* process);
    // Closes and deletes the editor, then unregisters the window class.
    ~CWendleCustomUI() override;

    void RegisterWindowClass() override;
    void Open(uint64_t parentWindow) override;
    bool Close() override;
    void SetControlValue(int32_t controlIndex, int32_t value) override;
    void Idle() override;
    void Draw(int16_t left, int16_t top, int16_t right, int16_t bottom) override;
    void GetRect(int16_t* left, int16_t* top, int16_t* right, int16_t* bottom) override;
    void SetRect(int16_t left, int16_t top, int16_t right, int16_t bottom) override;
    void SetControlHighlight(int32_t controlIndex, bool highlighted, int32_t colour) override;
    void GetControlAtPoint(int32_t x, int32_t y, int32_t* controlIndex) override;

    // Opens the editor drawn into memory only (no window); an open editor is closed first.
    void OpenOffscreen();
    bool IsOpen() const;
    uint64_t GetChildWindow() const { return mChildWindow; }
    int32_t GetVerticalOffset() const { return mVerticalOffset; }
    int32_t GetParentWidth() const { return mParentWidth; }
    CVSTEditor* GetEditor() const { return mEditor.get(); }

  private:
    void UnregisterWindowClass();

    IWendleProcess* mProcess;
    void* mModuleInstance;
    uint64_t mParentWindow = 0;
    uint64_t mChildWindow = 0;
    wendlept::WindowClass mClass;
    uint32_t mClassAtom = 0;
    int32_t mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
    int32_t mVerticalOffset = 0;
    int32_t mParentWidth = 0;
    std::unique_ptr<CVSTEditor> mEditor;
};
