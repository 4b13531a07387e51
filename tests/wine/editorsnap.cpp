// editorsnap: opens a VST 2.4 plug-in's editor the way a Windows host does and writes what the
// window shows as a PNG file. Loads PLUGIN.dll, opens the effect, opens its editor in a
// top-level Win32 window sized by effEditGetRect, pumps the window's messages and calls
// effEditIdle for a while, then copies the editor's window into a bitmap and encodes it with
// GDI+.
//
//   editorsnap PLUGIN.dll OUT.png [--idles N] [--cycles N] [--click X Y]
//
// --click X Y presses and releases the left button at (X, Y) of the editor, through the system's
// input queue, after the idles; the host reports "automate INDEX VALUE", "beginEdit INDEX" and
// "endEdit INDEX" as the plug-in calls them.
// --cycles N opens and closes the editor N times first (the frame's window class is registered
// and unregistered each time), and opens a second instance's editor beside the first meanwhile.
//
// Prints "editor W H" and exits 0 once the picture is written; 1 with a message otherwise.
#include "vst/VstAbi.h"

#include <windows.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "editorsnap: %s\n", what);
    return 1;
}

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    switch (opcode) {
    case audioMasterAutomate:
        std::printf("automate %d %.3f\n", int(index), double(opt));
        return 0;
    case audioMasterBeginEdit:
        std::printf("beginEdit %d\n", int(index));
        return 0;
    case audioMasterEndEdit:
        std::printf("endEdit %d\n", int(index));
        return 0;
    case audioMasterVersion:
        return 2400;
    case audioMasterGetSampleRate:
        return 44100;
    case audioMasterGetBlockSize:
        return 512;
    default:
        return 0;
    }
}

bool pngEncoder(CLSID& clsid) {
    UINT count = 0, bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0)
        return false;
    std::vector<unsigned char> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png") {
            clsid = codecs[i].Clsid;
            return true;
        }
    return false;
}

// Copies the window's client area (w × h) and writes it as a PNG file.
bool writeWindow(HWND window, int w, int h, const char* path) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return false;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HDC screen = GetDC(window);
    const bool copied = BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY) != 0;
    ReleaseDC(window, screen);
    GdiFlush();
    bool written = false;
    CLSID png;
    if (copied && pngEncoder(png)) {
        std::wstring wide(path, path + std::strlen(path));
        Gdiplus::Bitmap picture(w, h, w * 4, PixelFormat32bppRGB, static_cast<BYTE*>(bits));
        written = picture.Save(wide.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return written;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return fail("usage: editorsnap PLUGIN.dll OUT.png [--idles N]");
    int idles = 30, cycles = 0;
    POINT click{-1, -1};
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--click") == 0 && i + 2 < argc) {
            click = POINT{std::atoi(argv[i + 1]), std::atoi(argv[i + 2])};
            ++i;
        } else if (std::strcmp(argv[i], "--idles") == 0)
            idles = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--cycles") == 0)
            cycles = std::max(0, std::atoi(argv[i + 1]));
        else
            return fail("unknown option");
    }

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return fail("GDI+ does not start");

    HMODULE module = LoadLibraryA(argv[1]);
    if (!module)
        return fail("the plug-in does not load");
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry =
        reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
    if (!entry)
        return fail("the plug-in exports no VSTPluginMain");
    AEffect* fx = entry(host);
    if (!fx || fx->magic != kEffectMagic)
        return fail("VSTPluginMain answers no effect");
    auto call = [fx](VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0) { return fx->dispatcher(fx, op, index, value, ptr, opt); };
    call(effOpen);
    call(effSetSampleRate, 0, 0, nullptr, 44100.f);
    call(effSetBlockSize, 0, 512);
    call(effMainsChanged, 0, 1);

    ERect* rect = nullptr;
    if (!(fx->flags & effFlagsHasEditor) || !call(effEditGetRect, 0, 0, &rect) || !rect)
        return fail("the effect has no editor");
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "EditorSnapHost";
    RegisterClassExA(&wc);
    RECT frame{0, 0, w, h};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    HWND window =
        CreateWindowExA(0, wc.lpszClassName, "editor", style, 0, 0, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window)
        return fail("no window for the editor");
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    for (int i = 0; i < cycles; ++i) {
        if (!call(effEditOpen, 0, 0, window))
            return fail("effEditOpen fails when opened again");
        // A second instance's editor in the same process while the first is open.
        AEffect* other = entry(host);
        if (!other)
            return fail("no second instance");
        other->dispatcher(other, effOpen, 0, 0, nullptr, 0);
        if (!other->dispatcher(other, effEditOpen, 0, 0, window, 0))
            return fail("a second instance's editor does not open");
        pump();
        call(effEditIdle);
        other->dispatcher(other, effEditIdle, 0, 0, nullptr, 0);
        other->dispatcher(other, effEditClose, 0, 0, nullptr, 0);
        other->dispatcher(other, effClose, 0, 0, nullptr, 0);
        call(effEditClose);
        pump();
        if (GetWindow(window, GW_CHILD))
            return fail("effEditClose leaves the editor's window");
    }
    if (!call(effEditOpen, 0, 0, window))
        return fail("effEditOpen fails");
    HWND editor = GetWindow(window, GW_CHILD);
    if (!editor)
        return fail("the editor made no child window");
    for (int i = 0; i < idles; ++i) {
        pump();
        call(effEditIdle);
        Sleep(20);
    }
    if (click.x >= 0) {
        SetForegroundWindow(window);
        ClientToScreen(editor, &click);
        SetCursorPos(click.x, click.y);
        INPUT press[2] = {};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(1, &press[0], sizeof(INPUT));
        for (int i = 0; i < 5; ++i) {
            pump();
            call(effEditIdle);
            Sleep(20);
        }
        SendInput(1, &press[1], sizeof(INPUT));
        for (int i = 0; i < idles; ++i) {
            pump();
            call(effEditIdle);
            Sleep(20);
        }
    }
    RECT client{};
    GetClientRect(editor, &client);
    const bool written = writeWindow(editor, w, h, argv[2]);
    call(effEditClose);
    pump();
    DestroyWindow(window);
    call(effMainsChanged, 0, 0);
    call(effClose);
    FreeLibrary(module);
    Gdiplus::GdiplusShutdown(token);
    if (!written)
        return fail("the picture cannot be written");
    if (client.right != w || client.bottom != h)
        return fail("the editor's window is not the size effEditGetRect answers");
    std::printf("editor %d %d\n", w, h);
    return 0;
}
