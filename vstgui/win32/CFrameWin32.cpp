// The frame's window on Windows: a child window of the host's window, painted from the back
// buffer (double-buffered: views draw into the buffer, the window only copies it), its messages
// read from idle. The window class is registered while any frame is on screen.
#include "GdiSurface.h"
#include "vstgui/CFrameBackend.h"

#include <windowsx.h>

#include <algorithm>

using namespace vstgui_detail;

namespace {

constexpr char kClassName[] = "MirelowFrame";

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The class, registered for the first frame on screen and unregistered after the last. Another
// registration of the same class in this module (an earlier one never unregistered) counts as
// success. GUI thread.
class WindowClass {
  public:
    static bool acquire() {
        if (users == 0) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_HREDRAW | CS_VREDRAW;
            wc.lpfnWndProc = frameProc;
            wc.hInstance = moduleInstance();
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = kClassName;
            if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
                return false;
        }
        ++users;
        return true;
    }
    static void release() {
        if (users > 0 && --users == 0)
            UnregisterClassA(kClassName, moduleInstance());
    }

  private:
    static inline int users = 0;
};

long modifierBits() {
    long b = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        b |= kShift;
    if (GetKeyState(VK_CONTROL) < 0)
        b |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        b |= kAlt;
    return b;
}

class Win32Backend : public CFrame::Backend {
  public:
    explicit Win32Backend(CFrame* f) : frame(f) {}
    ~Win32Backend() override {
        if (hwnd) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        if (registered)
            WindowClass::release();
    }

    bool open(HWND parent, const CRect& r) {
        if (!IsWindow(parent) || !WindowClass::acquire())
            return false;
        registered = true;
        hwnd = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left,
                               r.top, std::max(1, r.width()), std::max(1, r.height()), parent,
                               nullptr, moduleInstance(), this);
        return hwnd != nullptr;
    }

    void present(COffscreenContext* back, const CRect& r) override {
        if (!hwnd || r.isEmpty() || !IsWindow(hwnd))
            return;
        HDC dc = GetDC(hwnd);
        if (!dc)
            return;
        blit(dc, back, r);
        ReleaseDC(hwnd, dc);
    }

    // The host's own message loop may deliver the window's messages between idle calls too; a
    // press it delivers is kept the same way. Inside a modal mouse loop (accept false) presses
    // are not kept until the next idle that accepts them.
    void pump(bool accept) override {
        acceptPress = accept;
        MSG msg;
        while (hwnd && PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    void waitForInput() override { MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT); }

    bool queryPointer(CPoint& where, long& buttons) override {
        if (!hwnd || !IsWindow(hwnd))
            return false;
        POINT p;
        if (!GetCursorPos(&p) || !ScreenToClient(hwnd, &p))
            return false;
        where = CPoint(p.x, p.y);
        const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
        buttons = modifierBits();
        if (GetAsyncKeyState(swapped ? VK_RBUTTON : VK_LBUTTON) < 0)
            buttons |= kLButton;
        if (GetAsyncKeyState(swapped ? VK_LBUTTON : VK_RBUTTON) < 0)
            buttons |= kRButton;
        if (GetAsyncKeyState(VK_MBUTTON) < 0)
            buttons |= kMButton;
        return true;
    }

    uintptr_t window() const override { return reinterpret_cast<uintptr_t>(hwnd); }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_ERASEBKGND:
            return 1; // the back buffer covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            const CRect r(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
            if (dc)
                blit(dc, frame->getBackBuffer(), r);
            EndPaint(hwnd, &ps);
            exposed.unite(r);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN:
            if (acceptPress && !pressPending) {
                pressPending = true;
                pressWhere = CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                pressButtons = modifierBits() | (message == WM_LBUTTONDOWN   ? kLButton
                                                 : message == WM_MBUTTONDOWN ? kMButton
                                                                             : kRButton);
            }
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }

    HWND hwnd = nullptr;

  private:
    static void blit(HDC dc, COffscreenContext* back, const CRect& r) {
        HDC src = dcOf(back);
        if (!src)
            return;
        GdiFlush();
        BitBlt(dc, r.left, r.top, r.width(), r.height(), src, r.left, r.top, SRCCOPY);
    }

    CFrame* frame;
    bool registered = false;
    bool acceptPress = true;
};

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* backend = static_cast<Win32Backend*>(create->lpCreateParams);
        backend->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(backend));
    }
    auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!backend)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return backend->handle(message, wParam, lParam);
}

} // namespace

std::unique_ptr<CFrame::Backend> CFrame::Backend::create(CFrame* frame, uintptr_t parentWindow,
                                                         const CRect& r) {
    auto b = std::make_unique<Win32Backend>(frame);
    if (!b->open(reinterpret_cast<HWND>(parentWindow), r))
        return nullptr;
    return b;
}
