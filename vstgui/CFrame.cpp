// The frame and its two backends (X11 child window, headless image).
#include "CFrame.h"
#include "XErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <poll.h>

#include <algorithm>

struct CFrame::Backend {
    Display* dpy = nullptr;
    Window win = 0;
    cairo_surface_t* xsurf = nullptr;
    CRect exposed;
    bool pressPending = false;
    CPoint pressWhere;
    long pressButtons = 0;

    // Set once the window is found gone (its parent destroyed): nothing is drawn or asked after.
    bool lost = false;

    ~Backend() {
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

    // The pointer relative to the window; false when it cannot be asked.
    bool queryPointer(CPoint& where, unsigned int& mask) {
        if (lost)
            return false;
        Window root, child;
        int rx, ry, wx, wy;
        XErrorTrap trap(dpy);
        bool ok = XQueryPointer(dpy, win, &root, &child, &rx, &ry, &wx, &wy, &mask);
        if (trap.failedNow())
            lost = true;
        if (!ok || lost)
            return false;
        where = CPoint(wx, wy);
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

    void present(cairo_surface_t* back, const CRect& r) {
        if (!xsurf || lost || r.isEmpty())
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

    // Reads every queued event; a press is kept for the caller to dispatch.
    void pump(bool acceptPress) {
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
};

CFrame::CFrame(const CRect& r, FrameEditor* ed) : CFrame(r, 0UL, ed) {}

CFrame::CFrame(const CRect& r, unsigned long parentWindow, FrameEditor* ed) : CView(r), editor(ed) {
    pParentFrame = this;
    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(1, r.width()),
                                            std::max(1, r.height()));
    screen = new CDrawContext(this, backBuffer);
    if (parentWindow) {
        auto b = std::make_unique<Backend>();
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
                b->xsurf = cairo_xlib_surface_create(
                    b->dpy, b->win, attrs.visual, std::max(1, r.width()), std::max(1, r.height()));
            if (!b->xsurf || trap.failedNow()) {
                // Not a window we can live in: the frame stays headless.
                cairo_surface_destroy(b->xsurf);
                b->xsurf = nullptr;
                XDestroyWindow(b->dpy, b->win);
                b->win = 0;
            } else {
                backend = std::move(b);
            }
        }
    }
    invalidate(CRect(0, 0, r.width(), r.height()));
}

CFrame::~CFrame() {
    if (modalView)
        modalView->forget();
    for (CView* v : views)
        v->forget();
    views.clear();
    screen->forget();
    backend.reset();
    cairo_surface_destroy(backBuffer);
}

bool CFrame::addView(CView* view) {
    if (!view || isChild(view))
        return false;
    views.push_back(view);
    view->setParentFrame(this);
    view->setDirty(true);
    return true;
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end())
        return false;
    views.erase(it);
    invalidate(view->size);
    if (withForget)
        view->forget();
    return true;
}

bool CFrame::isChild(const CView* view) const {
    return std::find(views.begin(), views.end(), view) != views.end();
}

CView* CFrame::getView(int index) const {
    return index >= 0 && index < getNbViews() ? views[index] : nullptr;
}

void CFrame::invalidate(const CRect& rect) {
    invalidRect.unite(rect);
}

void CFrame::setModalView(CView* view) {
    if (modalView) {
        invalidate(modalView->size);
        modalView->forget();
    }
    modalView = view;
    if (modalView) {
        modalView->setParentFrame(this);
        modalView->setDirty(true);
    }
}

void CFrame::draw(CDrawContext*) {
    redraw();
}

void CFrame::redraw() {
    invalidate(CRect(0, 0, size.width(), size.height()));
    paintDirty(true);
}

void CFrame::paintDirty(bool force) {
    CRect updated;
    if (!invalidRect.isEmpty()) {
        CRect r = invalidRect;
        r.bound(CRect(0, 0, size.width(), size.height()));
        screen->setFillColor(background);
        screen->fillRect(r);
        for (CView* v : views)
            if (v->size.rectOverlap(r))
                v->setDirty(true);
        if (modalView && modalView->size.rectOverlap(r))
            modalView->setDirty(true);
        updated = r;
        invalidRect = CRect();
    }
    for (CView* v : views) {
        if (force || v->isDirty()) {
            v->draw(screen);
            v->setDirty(false);
            updated.unite(v->size);
        }
    }
    if (modalView && (modalView->isDirty() || updated.rectOverlap(modalView->size))) {
        modalView->draw(screen);
        modalView->setDirty(false);
        updated.unite(modalView->size);
    }
    if (backend) {
        updated.unite(backend->exposed);
        backend->exposed = CRect();
        updated.bound(CRect(0, 0, size.width(), size.height()));
        backend->present(backBuffer, updated);
    }
}

void CFrame::idle() {
    if (backend) {
        backend->pump(!inMouse);
        if (backend->pressPending) {
            backend->pressPending = false;
            paintDirty(false);
            mouseDown(backend->pressWhere, backend->pressButtons);
        }
    }
    paintDirty(false);
}

void CFrame::doIdleStuff() {
    if (backend) {
        backend->pump(false);
        // A short wait for the pointer to move, so that a modal loop does not spin.
        pollfd pfd{ConnectionNumber(backend->dpy), POLLIN, 0};
        poll(&pfd, 1, 5);
    } else if (!script.empty()) {
        if (scriptPos + 1 < script.size()) {
            ++scriptPos;
            headlessWhere = script[scriptPos].where;
            headlessButtons = script[scriptPos].buttons;
        } else {
            headlessButtons = 0;
        }
    }
    paintDirty(false);
}

CView* CFrame::viewAt(const CPoint& where) const {
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->getMouseEnabled() && (*it)->hitTest(where))
            return *it;
    return nullptr;
}

void CFrame::mouseDown(const CPoint& where, long buttons) {
    if (inMouse)
        return;
    CView* target = modalView ? modalView : viewAt(where);
    if (!target)
        return;
    inMouse = true;
    target->remember();
    CPoint w = where;
    target->mouse(screen, w, buttons);
    target->forget();
    inMouse = false;
    paintDirty(false);
}

long CFrame::getMouseButtons() {
    if (backend) {
        CPoint where;
        unsigned int mask = 0;
        return backend->queryPointer(where, mask) ? Backend::modifierBits(mask) : 0;
    }
    return headlessButtons;
}

void CFrame::getMouseLocation(CPoint& where) {
    if (backend) {
        unsigned int mask = 0;
        if (!backend->queryPointer(where, mask))
            where = CPoint(-1, -1);
        return;
    }
    where = headlessWhere;
}

bool CFrame::isHeadless() const {
    return !backend;
}

unsigned long CFrame::getWindow() const {
    return backend ? backend->win : 0;
}

uint32_t CFrame::getPixel(CCoord x, CCoord y) const {
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(backBuffer) ||
        y >= cairo_image_surface_get_height(backBuffer))
        return 0;
    cairo_surface_flush(backBuffer);
    const unsigned char* data = cairo_image_surface_get_data(backBuffer);
    int stride = cairo_image_surface_get_stride(backBuffer);
    return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
}

bool CFrame::writePng(const char* path) const {
    cairo_surface_flush(backBuffer);
    return cairo_surface_write_to_png(backBuffer, path) == CAIRO_STATUS_SUCCESS;
}

void CFrame::playMouse(const std::vector<CMouseStep>& steps) {
    if (steps.empty() || backend)
        return;
    script = steps;
    scriptPos = 0;
    headlessWhere = steps[0].where;
    headlessButtons = steps[0].buttons;
    mouseDown(steps[0].where, steps[0].buttons);
    headlessWhere = script.back().where;
    headlessButtons = 0;
    script.clear();
}

void CFrame::setMousePosition(const CPoint& where) {
    headlessWhere = where;
}
