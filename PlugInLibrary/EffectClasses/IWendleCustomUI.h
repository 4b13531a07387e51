// The custom user interface that a wendle process shows in the host's plug-in window: the
// operations the framework's view (CWendleView) and the process call on it, in this slot order.
// Failures to register the window class or to open the window are thrown as CWendleUIError.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class CWendleUIError : public std::runtime_error {
  public:
    CWendleUIError(const std::string& what, int32_t code) : std::runtime_error(what), code(code) {}
    int32_t code; // the window system's error code
};

class IWendleCustomUI {
  public:
    virtual ~IWendleCustomUI() = default;
    // Makes (or shares) what the child windows need. Throws CWendleUIError.
    virtual void RegisterWindowClass() = 0;
    // Places the editor's window in the host's window (an X11 window id) and opens the editor in
    // it. Throws CWendleUIError (zero or bad window, no display); the UI then stays closed.
    virtual void Open(uint64_t parentWindow) = 0;
    // Closes the editor and its window; false when nothing was open.
    virtual bool Close() = 0;
    // Controls 2 … 13 only: the control's 32-bit value reaches the editor.
    virtual void SetControlValue(int32_t controlIndex, int32_t value) = 0;
    virtual void Idle() = 0;
    // Repaints that rectangle of the editor.
    virtual void Draw(int16_t left, int16_t top, int16_t right, int16_t bottom) = 0;
    virtual void GetRect(int16_t* left, int16_t* top, int16_t* right, int16_t* bottom) = 0;
    virtual void SetRect(int16_t left, int16_t top, int16_t right, int16_t bottom) = 0;
    // Controls 2 … 13 only: recorded, nothing is drawn with it.
    virtual void SetControlHighlight(int32_t controlIndex, bool highlighted, int32_t colour) = 0;
    // Always no control (0).
    virtual void GetControlAtPoint(int32_t x, int32_t y, int32_t* controlIndex) = 0;
};
