// Catches the X errors of one display connection while the trap lives: a window id that is not
// valid, or a host window destroyed under a child, would otherwise end the host's process through
// Xlib's default handler. Errors of other connections go to the handler installed before. GUI
// thread; traps nest.
#pragma once

#include <X11/Xlib.h>

class XErrorTrap {
  public:
    explicit XErrorTrap(Display* d) : dpy(d), outer(trapped), outerFailed(failed), outerCode(code) {
        trapped = d;
        failed = false;
        code = 0;
        previous = XSetErrorHandler(handler);
    }
    ~XErrorTrap() {
        XSync(dpy, False);
        XSetErrorHandler(previous);
        trapped = outer;
        if (outerFailed)
            code = outerCode;
        failed = outerFailed || failed;
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // True when a request made under the trap failed.
    bool failedNow() {
        XSync(dpy, False);
        return failed;
    }
    // The X error code of the first failure (BadWindow, BadMatch …), 0 while none.
    int errorCode() {
        XSync(dpy, False);
        return code;
    }

  private:
    static int handler(Display* d, XErrorEvent* e) {
        if (d == trapped) {
            if (!failed)
                code = e->error_code;
            failed = true;
            return 0;
        }
        return previous ? previous(d, e) : 0;
    }
    static inline Display* trapped = nullptr;
    static inline bool failed = false;
    static inline int code = 0;
    static inline XErrorHandler previous = nullptr;
    Display* dpy;
    Display* outer;
    bool outerFailed;
    int outerCode;
};
