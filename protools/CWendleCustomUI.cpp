// The custom user interface on X11: the shared window class, the child window's placement and the
// editor's hosting.
#include "CWendleCustomUI.h"

#include <X11/Xlib.h>

#include <mutex>

#include "gui/CVSTEditor.h"
#include "vstgui/XErrorTrap.h"

namespace wendlept {

namespace {

// The module the editor's windows belong to, kept for the whole library as well.
void* gUIModuleInstance = nullptr;

// The registered class: shared by every custom UI of the process.
struct ClassRegistry {
    std::mutex mutex;
    int registrations = 0;
    uint32_t atom = 0;
    uint32_t nextAtom = 0xC000;
    Display* display = nullptr;
    Cursor cursor = 0;
};

ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

// The class's display connection, opened by the first window that needs it. Null when there is
// no display.
Display* ClassDisplay(const WindowClass& description) {
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (!r.display) {
        r.display = XOpenDisplay(nullptr);
        if (r.display)
            r.cursor = XCreateFontCursor(r.display, description.cursorShape);
    }
    return r.display;
}

} // namespace

Placement PlaceChild(int32_t clientWidth, int32_t clientTop, int32_t clientBottom, int32_t left,
                     int32_t top, int32_t right, int32_t bottom) {
    const int32_t h = bottom - top;
    const int32_t w = right - left;
    const int32_t x = clientWidth != w ? (clientWidth - w) / 2 : left;
    const int32_t y = clientBottom - h;
    return Placement{x, y, w, h + clientTop};
}

int WindowClassRegistrations() {
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.registrations;
}

} // namespace wendlept

using namespace wendlept;

CWendleCustomUI::CWendleCustomUI(IWendleProcess* process)
    : mProcess(process), mModuleInstance(process->GetModuleHandle()) {
    gUIModuleInstance = mModuleInstance;
    mEditor = std::make_unique<CVSTEditor>(process, process->GetEffect());
    RegisterWindowClass();
}

CWendleCustomUI::~CWendleCustomUI() {
    Close();
    mEditor.reset();
    UnregisterWindowClass();
}

void CWendleCustomUI::RegisterWindowClass() {
    if (mClassAtom != 0)
        return;
    mClass = WindowClass{};
    mClass.module = mModuleInstance;
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    // A class of that name already registered in this process is shared: that counts as success.
    if (r.registrations == 0)
        r.atom = r.nextAtom++;
    ++r.registrations;
    mClassAtom = r.atom;
}

void CWendleCustomUI::UnregisterWindowClass() {
    if (mClassAtom == 0)
        return;
    ClassRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (--r.registrations == 0 && r.display) {
        if (r.cursor)
            XFreeCursor(r.display, r.cursor);
        XCloseDisplay(r.display);
        r.display = nullptr;
        r.cursor = 0;
    }
    mClassAtom = 0;
}

void CWendleCustomUI::Open(uint64_t parentWindow) {
    Close();
    if (parentWindow == 0)
        throw CWendleUIError("the host gave no window to open the editor in", BadWindow);
    Display* dpy = ClassDisplay(mClass);
    if (!dpy)
        throw CWendleUIError("no X display to open the editor on", BadAccess);
    mParentWindow = parentWindow;
    ERect* r = nullptr;
    mEditor->getRect(&r);
    mLeft = r->left, mTop = r->top, mRight = r->right, mBottom = r->bottom;

    Window child = 0;
    {
        XErrorTrap trap(dpy);
        XWindowAttributes parent{};
        const Status ok = XGetWindowAttributes(dpy, static_cast<Window>(parentWindow), &parent);
        if (!ok || trap.failedNow()) {
            const int code = trap.errorCode();
            mParentWindow = 0;
            throw CWendleUIError("the host's window cannot be read", code ? code : BadWindow);
        }
        // The client area of an X window starts at its origin.
        const Placement p =
            PlaceChild(parent.width, 0, parent.height, mLeft, mTop, mRight, mBottom);
        mVerticalOffset = p.y;
        mParentWidth = parent.width;
        XSetWindowAttributes attrs{};
        attrs.background_pixel = mClass.background;
        attrs.cursor = Registry().cursor;
        child = XCreateWindow(dpy, static_cast<Window>(parentWindow), p.x, p.y,
                              static_cast<unsigned>(p.width), static_cast<unsigned>(p.height), 0,
                              CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWCursor,
                              &attrs);
        if (trap.failedNow()) {
            const int code = trap.errorCode();
            if (child)
                XDestroyWindow(dpy, child);
            mParentWindow = 0;
            throw CWendleUIError("the editor's window cannot be made", code ? code : BadWindow);
        }
        XStoreName(dpy, child, "WendleCustomUI");
        XMapWindow(dpy, child);
        XClearWindow(dpy, child);
    }
    // The editor's frame makes its own window inside this one, on its own connection.
    XSync(dpy, False);
    mChildWindow = child;
    mEditor->open(reinterpret_cast<void*>(static_cast<uintptr_t>(child)));
}

void CWendleCustomUI::OpenOffscreen() {
    Close();
    mEditor->open(nullptr);
}

bool CWendleCustomUI::IsOpen() const {
    return mEditor && mEditor->getFrame() != nullptr;
}

bool CWendleCustomUI::Close() {
    const bool wasOpen = IsOpen();
    mEditor->close();
    if (mChildWindow) {
        Display* dpy = ClassDisplay(mClass);
        if (dpy) {
            XErrorTrap trap(dpy);
            // The host may have destroyed its window, and ours with it, already.
            XDestroyWindow(dpy, static_cast<Window>(mChildWindow));
        }
        mChildWindow = 0;
    }
    mParentWindow = 0;
    return wasOpen;
}

void CWendleCustomUI::SetControlValue(int32_t controlIndex, int32_t value) {
    if (controlIndex < wendleui::kFirstParameterTag || controlIndex > wendleui::kLastParameterTag)
        return;
    mEditor->setParameter(controlIndex, normalisedFromControlValue(value));
}

void CWendleCustomUI::Idle() {
    mEditor->idle();
}

void CWendleCustomUI::Draw(int16_t left, int16_t top, int16_t right, int16_t bottom) {
    mEditor->update(CRect(left, top, right, bottom));
}

void CWendleCustomUI::GetRect(int16_t* left, int16_t* top, int16_t* right, int16_t* bottom) {
    ERect* r = nullptr;
    mEditor->getRect(&r);
    mLeft = r->left, mTop = r->top, mRight = r->right, mBottom = r->bottom;
    *left = r->left;
    *top = r->top;
    *right = r->right;
    *bottom = r->bottom;
}

void CWendleCustomUI::SetRect(int16_t left, int16_t top, int16_t right, int16_t bottom) {
    ERect* r = nullptr;
    mEditor->getRect(&r);
    r->left = left;
    r->top = top;
    r->right = right;
    r->bottom = bottom;
    mLeft = left, mTop = top, mRight = right, mBottom = bottom;
}

void CWendleCustomUI::SetControlHighlight(int32_t controlIndex, bool highlighted, int32_t colour) {
    if (controlIndex < wendleui::kFirstParameterTag || controlIndex > wendleui::kLastParameterTag)
        return;
    mEditor->setControlHighlight(controlIndex, highlighted, colour);
}

void CWendleCustomUI::GetControlAtPoint(int32_t, int32_t, int32_t* controlIndex) {
    *controlIndex = 0;
}
