// The frame on screen: a child window inside a host window on a real X display, painted the same
// as the headless frame, and a knob dragged with the real pointer (xdotool). Skipped without a
// display.
#include "gui/VGWidgets.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

struct Recorder : FrameEditor {
    std::vector<long> begins, ends;
    void beginEdit(long i) override { begins.push_back(i); }
    void endEdit(long i) override { ends.push_back(i); }
};

// The host's side: its own connection and a top-level window the frame goes into.
struct HostWindow {
    Display* dpy = nullptr;
    Window win = 0;
    // Tests may run side by side on one display: each puts its window elsewhere.
    HostWindow(int x, int y) {
        if (!std::getenv("DISPLAY"))
            return;
        dpy = XOpenDisplay(nullptr);
        if (!dpy)
            return;
        XSetErrorHandler(ignoreXErrors);
        int scr = DefaultScreen(dpy);
        win = XCreateSimpleWindow(dpy, RootWindow(dpy, scr), x, y, 300, 200, 0,
                                  BlackPixel(dpy, scr), BlackPixel(dpy, scr));
        XMapRaised(dpy, win);
        XSync(dpy, False);
    }
    ~HostWindow() {
        if (dpy) {
            XDestroyWindow(dpy, win);
            XCloseDisplay(dpy);
        }
    }
};

void addWidgets(CFrame& frame, WidgetScheme* scheme, Recorder* unused = nullptr) {
    (void)unused;
    auto* knob = new VGGrommetKnob(CRect(10, 10, 76, 76), nullptr, 2, scheme);
    knob->setValue(0.25f);
    frame.addView(knob);
    auto* button = new VGTextButton(CRect(90, 20, 180, 38), nullptr, 9, scheme);
    button->setLabel("linear");
    button->setOnLabel("log");
    button->setValue(1.f);
    frame.addView(button);
    auto* meter = new VGVertMeter(CRect(185, 5, 198, 115), nullptr, 1005, scheme);
    meter->setValue(0.7f);
    frame.addView(meter);
}

void pumpFor(CFrame& frame, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        frame.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TEST(X11Frame, PaintsInsideTheHostWindowLikeTheHeadlessFrame) {
    HostWindow host(600, 450);
    if (!host.dpy)
        GTEST_SKIP() << "no X display";
    WidgetScheme scheme{{229, 80, 105, 255}, {217, 0, 13, 255}, {217, 54, 0, 255}, {0, 0, 0, 255}};
    Recorder recorder;
    CFrame frame(CRect(0, 0, 200, 120), host.win, &recorder);
    ASSERT_FALSE(frame.isHeadless());
    addWidgets(frame, &scheme);
    pumpFor(frame, 300);

    // The frame's window is a child of the host's.
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(host.dpy, frame.getWindow(), &root, &parent, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(parent, host.win);

    CFrame headless(CRect(0, 0, 200, 120));
    addWidgets(headless, &scheme);
    headless.idle();

    XImage* img = XGetImage(host.dpy, frame.getWindow(), 0, 0, 200, 120, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    int differing = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            differing += (XGetPixel(img, x, y) & 0xFFFFFF) != headless.getPixel(x, y);
    XDestroyImage(img);
    EXPECT_EQ(differing, 0);
}

TEST(X11Frame, AKnobFollowsTheRealPointerDraggedWithXdotool) {
    HostWindow host(0, 0);
    if (!host.dpy)
        GTEST_SKIP() << "no X display";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdotool missing";
    WidgetScheme scheme{{229, 80, 105, 255}, {217, 0, 13, 255}, {217, 54, 0, 255}, {0, 0, 0, 255}};
    Recorder recorder;
    CFrame frame(CRect(0, 0, 200, 120), host.win, &recorder);
    addWidgets(frame, &scheme);
    auto* knob = static_cast<VGGrommetKnob*>(frame.getView(0));
    pumpFor(frame, 200);

    const std::string win = std::to_string(frame.getWindow());
    std::vector<std::string> args = {
        "xdotool",  "mousemove", "--window", win,  "43",    "60",  "mousedown", "1",   "sleep",
        "0.2",      "mousemove", "--window", win,  "43",    "40",  "sleep",     "0.2", "mousemove",
        "--window", win,         "43",       "27", "sleep", "0.2", "mouseup",   "1"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
        frame.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pumpFor(frame, 100);
    // Dragged up by 33 pixels, half the knob's height: half the range.
    EXPECT_NEAR(knob->getValue(), 0.25f + 33.f / 66.f, 1e-4);
    EXPECT_EQ(recorder.begins, std::vector<long>{2});
    EXPECT_EQ(recorder.ends, std::vector<long>{2});
}

TEST(X11Frame, WithoutAParentWindowTheFrameIsHeadless) {
    CFrame frame(CRect(0, 0, 10, 10), static_cast<void*>(nullptr), nullptr);
    EXPECT_TRUE(frame.isHeadless());
    EXPECT_EQ(frame.getWindow(), 0u);
}

namespace {
int xErrorsSeen = 0;
int countXErrors(Display*, XErrorEvent*) {
    ++xErrorsSeen;
    return 0;
}
} // namespace

// A host's error handler (Xlib's default one ends the process) never hears of the frame's own
// failures: a window id that names no window, or a host window destroyed before the editor closes.
TEST(X11Frame, ABadOrVanishedParentWindowIsSurvived) {
    HostWindow host(40, 420);
    if (!host.dpy)
        GTEST_SKIP() << "no X display";
    WidgetScheme scheme{{43, 165, 104, 255}, {84, 145, 18, 255}, {0, 99, 148, 255}, {0, 0, 0, 255}};
    const Window gone = XCreateSimpleWindow(host.dpy, host.win, 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(host.dpy, gone);
    XSync(host.dpy, False);
    XSetErrorHandler(countXErrors);
    xErrorsSeen = 0;
    {
        CFrame frame(CRect(0, 0, 200, 120), static_cast<unsigned long>(gone), nullptr);
        EXPECT_TRUE(frame.isHeadless());
        addWidgets(frame, &scheme);
        frame.idle();
        EXPECT_NE(frame.getPixel(43, 43), 0xFFFFFFu) << "still paints, headless";
    }
    {
        CFrame frame(CRect(0, 0, 200, 120), static_cast<unsigned long>(host.win), nullptr);
        ASSERT_FALSE(frame.isHeadless());
        addWidgets(frame, &scheme);
        pumpFor(frame, 50);
        XDestroyWindow(host.dpy, host.win);
        XSync(host.dpy, False);
        frame.getView(0)->setDirty();
        frame.idle();
        EXPECT_EQ(frame.getMouseButtons(), 0);
        CPoint where;
        frame.getMouseLocation(where);
        EXPECT_EQ(where, CPoint(-1, -1));
    }
    EXPECT_EQ(xErrorsSeen, 0);
    XSetErrorHandler(ignoreXErrors); // the host's own clean-up of its destroyed window
}
