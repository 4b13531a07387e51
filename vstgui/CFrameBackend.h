// What an on-screen frame asks of the window system: a child window of the host's window that
// shows the back buffer, the input queued for it, and the pointer. One backend per platform,
// picked when the toolkit is built; for the toolkit's own files only.
#pragma once

#include "CFrame.h"

struct CFrame::Backend {
    virtual ~Backend() = default;

    // The child window of `parentWindow` for `frame`, of the frame's size; null when none can be
    // made (the frame is then headless).
    static std::unique_ptr<Backend> create(CFrame* frame, uintptr_t parentWindow,
                                           const CRect& size);

    // Shows the rectangle `r` of the back buffer in the window.
    virtual void present(COffscreenContext* back, const CRect& r) = 0;
    // Reads the input queued for the window: exposed areas are added to `exposed`; a press is
    // kept in pressPending (when accepted and none is pending).
    virtual void pump(bool acceptPress) = 0;
    // A short wait for input, so that a modal mouse loop does not spin.
    virtual void waitForInput() = 0;
    // The pointer relative to the window and the button and modifier bits; false when it cannot
    // be asked.
    virtual bool queryPointer(CPoint& where, long& buttons) = 0;
    virtual uintptr_t window() const = 0;

    CRect exposed;
    bool pressPending = false;
    CPoint pressWhere;
    long pressButtons = 0;
};
