// Views a process can show in the host's plug-in window. Without a custom interface the
// framework's view without resources stands in, registered under a name by the effect group; a
// plug-in that draws its own editor shows a custom view. Every operation runs on the host's
// user-interface thread.
#pragma once

#include <cstdint>

#include "../PlugInProtocol.h"

class CPlugInView {
  public:
    virtual ~CPlugInView() = default;

    // A view that draws nothing of its own answers kPIErr_Unsupported to all of these.
    virtual PIErr GetRect(PIViewRect& rect) {
        (void)rect;
        return kPIErr_Unsupported;
    }
    virtual PIErr SetRect(const PIViewRect& rect) {
        (void)rect;
        return kPIErr_Unsupported;
    }
    // Opens in the host's window (an X11 window id).
    virtual PIErr Open(uint64_t parentWindow) {
        (void)parentWindow;
        return kPIErr_Unsupported;
    }
    virtual PIErr Close() { return kPIErr_Unsupported; }
    virtual PIErr Idle() { return kPIErr_Unsupported; }
    virtual PIErr Draw(const PIViewRect& rect) {
        (void)rect;
        return kPIErr_Unsupported;
    }
    // The control took this value (from the host, or an edit of the view's own come back).
    virtual PIErr SetControlValue(int32_t control, int32_t value) {
        (void)control, (void)value;
        return kPIErr_Unsupported;
    }
    virtual PIErr SetControlHighlight(int32_t control, bool highlighted, int32_t colour) {
        (void)control, (void)highlighted, (void)colour;
        return kPIErr_Unsupported;
    }
    virtual PIErr GetControlAtPoint(int32_t x, int32_t y, int32_t* control) {
        (void)x, (void)y, (void)control;
        return kPIErr_Unsupported;
    }
};

// The framework's view that needs no resources.
class CNoResourceView : public CPlugInView {
  public:
    static CPlugInView* Create() { return new CNoResourceView; }
};

// The framework's custom view: an area of the plug-in window that the plug-in draws itself. It
// keeps its rectangle; a plug-in derives it to forward the rest to its own interface.
class CCustomView : public CPlugInView {
  public:
    explicit CCustomView(const PIViewRect& rect) : mRect(rect) {}
    PIErr GetRect(PIViewRect& rect) override {
        rect = mRect;
        return kPINoErr;
    }
    PIErr SetRect(const PIViewRect& rect) override {
        mRect = rect;
        return kPINoErr;
    }

  protected:
    PIViewRect mRect;
};

using ViewCreatorProc = CPlugInView* (*)();
