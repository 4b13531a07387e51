// The frame's window on X11: a child window of the host's window, painted from the back buffer
// through cairo, with its events read from idle.
#include "CairoSurface.h"
#include "vstgui/CFrameBackend.h"
#include "vstgui/XErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <algorithm>

namespace {

class X11Backend : public CFrame::Backend {
  public:
    Display* dpy = nullptr;
    Window win = 0;
    cairo_surface_t* xsurf = nullptr;

    // Set once the window is found gone (its parent destroyed): nothing is drawn or asked after.
    bool lost = false;

    ~X11Backend() override {
        if (xsurf)
            cairo_surface_destroy(xsurf);
        if (dpy) {
            if (win) {
                XErrorTrap trap(dpy);
                XDestroyWindow(dpy, win);
            }
            XCloseDisplay(dpy);
        }
    }

    bool queryPointer(CPoint& where, long& buttons) override {
        if (lost)
            return false;
        Window root, child;
        int rx, ry, wx, wy;
        unsigned int mask = 0;
        XErrorTrap trap(dpy);
        bool ok = XQueryPointer(dpy, win, &root, &child, &rx, &ry, &wx, &wy, &mask);
        if (trap.failedNow())
            lost = true;
        if (!ok || lost)
            return false;
        where = CPoint(wx, wy);
        buttons = modifierBits(mask);
        return true;
    }

    static long modifierBits(unsigned int state) {
        long b = 0;
        if (state & Button1Mask)
            b |= kLButton;
        if (state & Button2Mask)
            b |= kMButton;
        if (state & Button3Mask)
            b |= kRButton;
        if (state & ShiftMask)
            b |= kShift;
        if (state & ControlMask)
            b |= kControl;
        if (state & Mod1Mask)
            b |= kAlt;
        if (state & Mod4Mask)
            b |= kApple;
        return b;
    }

    void present(COffscreenContext* context, const CRect& r) override {
        cairo_surface_t* back = vstgui_detail::imageOf(context);
        if (!xsurf || !back || lost || r.isEmpty())
            return;
        XErrorTrap trap(dpy);
        cairo_surface_flush(back);
        cairo_t* cr = cairo_create(xsurf);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, back, 0, 0);
        cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(xsurf);
        if (trap.failedNow())
            lost = true;
    }

    void pump(bool acceptPress) override {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            switch (ev.type) {
            case Expose:
                exposed.unite(CRect(ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width,
                                    ev.xexpose.y + ev.xexpose.height));
                break;
            case ButtonPress:
                if (acceptPress && !pressPending && ev.xbutton.button >= 1 &&
                    ev.xbutton.button <= 3) {
                    static constexpr long pressed[4] = {0, kLButton, kMButton, kRButton};
                    pressPending = true;
                    pressWhere = CPoint(ev.xbutton.x, ev.xbutton.y);
                    pressButtons =
                        (modifierBits(ev.xbutton.state) & ~(kLButton | kMButton | kRButton)) |
                        pressed[ev.xbutton.button];
                }
                break;
            default:
                break;
            }
        }
    }

    void waitForInput() override {
        pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&pfd, 1, 5);
    }

    uintptr_t window() const override { return win; }
};

} // namespace

std::unique_ptr<CFrame::Backend> CFrame::Backend::create(CFrame*, uintptr_t parentWindow,
                                                         const CRect& r) {
    auto b = std::make_unique<X11Backend>();
    b->dpy = XOpenDisplay(nullptr);
    if (b->dpy) {
        XErrorTrap trap(b->dpy);
        int scr = DefaultScreen(b->dpy);
        b->win = XCreateSimpleWindow(b->dpy, static_cast<Window>(parentWindow), r.left, r.top,
                                     std::max(1, r.width()), std::max(1, r.height()), 0,
                                     BlackPixel(b->dpy, scr), WhitePixel(b->dpy, scr));
        XSetWindowBackgroundPixmap(b->dpy, b->win, None);
        XSelectInput(b->dpy, b->win,
                     ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
        XMapWindow(b->dpy, b->win);
        XWindowAttributes attrs;
        if (XGetWindowAttributes(b->dpy, b->win, &attrs) && !trap.failedNow())
            b->xsurf = cairo_xlib_surface_create(b->dpy, b->win, attrs.visual,
                                                 std::max(1, r.width()), std::max(1, r.height()));
        if (!b->xsurf || trap.failedNow()) {
            // Not a window we can live in: the frame stays headless.
            cairo_surface_destroy(b->xsurf);
            b->xsurf = nullptr;
            XDestroyWindow(b->dpy, b->win);
            b->win = 0;
        } else {
            return b;
        }
    }
    return nullptr;
}
