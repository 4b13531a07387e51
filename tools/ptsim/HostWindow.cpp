// The simulator's plug-in window on X11.
#include "HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "PtSim.h"

namespace ptsim {

struct HostWindow::Impl {
    Display* dpy = nullptr;
    Window win = 0;
    Atom deleteWindow = 0;
    bool closed = false;
    bool mapped = false;
};

namespace {
// A display that is there may refuse a client for a moment while many others connect and leave
// (a virtual display under a parallel test run): ask again for up to two seconds.
Display* openDisplay() {
    Display* dpy = XOpenDisplay(nullptr);
    for (int attempt = 0; !dpy && std::getenv("DISPLAY") && attempt < 40; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        dpy = XOpenDisplay(nullptr);
    }
    return dpy;
}
} // namespace

bool HostWindow::displayAvailable() {
    Display* dpy = openDisplay();
    if (!dpy)
        return false;
    XCloseDisplay(dpy);
    return true;
}

HostWindow::HostWindow(int width, int height, const std::string& title)
    : mImpl(std::make_unique<Impl>()), mWidth(width), mHeight(height) {
    mImpl->dpy = openDisplay();
    if (!mImpl->dpy)
        throw Error("no X display (is DISPLAY set?)", kPIErr_ViewFailed);
    Display* dpy = mImpl->dpy;
    const int screen = DefaultScreen(dpy);
    // A grey plug-in window, so that the editor's placement inside it shows.
    mImpl->win =
        XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, BlackPixel(dpy, screen), 0x808080);
    XStoreName(dpy, mImpl->win, title.c_str());
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(dpy, mImpl->win, &hints);
    mImpl->deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, mImpl->win, &mImpl->deleteWindow, 1);
    XSelectInput(dpy, mImpl->win, StructureNotifyMask | ExposureMask);
    XMapWindow(dpy, mImpl->win);
    XSync(dpy, False);
}

HostWindow::~HostWindow() {
    if (mImpl->dpy) {
        XDestroyWindow(mImpl->dpy, mImpl->win);
        XCloseDisplay(mImpl->dpy);
    }
}

uint64_t HostWindow::window() const {
    return mImpl->win;
}

bool HostWindow::pump() {
    Display* dpy = mImpl->dpy;
    while (XPending(dpy)) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == MapNotify)
            mImpl->mapped = true;
        else if (ev.type == ClientMessage &&
                 static_cast<Atom>(ev.xclient.data.l[0]) == mImpl->deleteWindow)
            mImpl->closed = true;
    }
    return !mImpl->closed;
}

void HostWindow::waitMapped() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!mImpl->mapped && std::chrono::steady_clock::now() < until) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace ptsim
