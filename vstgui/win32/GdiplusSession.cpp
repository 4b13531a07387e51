// GDI+ for the whole process, the surfaces' bitmaps, PNG output and the module's instance.
#include "GdiSurface.h"

// The GDI+ headers use min and max unqualified.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstring>
#include <string>
#include <vector>

namespace vstgui_detail {

bool startGdiplus() {
    // Started once and kept: GDI+ may not be shut down from a module's unload (it runs under the
    // loader's lock), and a host may open and close editors any number of times.
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input; // version 1, no debug callback, no suppression
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

CDrawSurface* makeSurface(int w, int h, uint32_t fill) {
    w = std::max(1, w);
    h = std::max(1, h);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap)
            DeleteObject(bitmap);
        return nullptr;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        DeleteObject(bitmap);
        return nullptr;
    }
    auto* s = new CDrawSurface;
    s->dc = dc;
    s->bitmap = bitmap;
    s->previous = SelectObject(dc, bitmap);
    s->bits = static_cast<uint32_t*>(bits);
    s->width = w;
    s->height = h;
    std::fill(s->bits, s->bits + size_t(w) * h, fill);
    return s;
}

void destroySurface(CDrawSurface* s) {
    if (!s)
        return;
    SelectObject(s->dc, s->previous);
    DeleteDC(s->dc);
    DeleteObject(s->bitmap);
    delete s;
}

static bool pngEncoder(CLSID& clsid) {
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

bool writeSurfacePng(const CDrawSurface* s, const char* path) {
    if (!s || !path || !startGdiplus())
        return false;
    GdiFlush();
    CLSID png;
    if (!pngEncoder(png))
        return false;
    std::wstring wide;
    const int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(size_t(n));
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n);
    Gdiplus::Bitmap picture(s->width, s->height, s->width * 4, PixelFormat32bppRGB,
                            reinterpret_cast<BYTE*>(s->bits));
    return picture.Save(wide.c_str(), &png, nullptr) == Gdiplus::Ok;
}

static HINSTANCE givenInstance = nullptr;

void setModuleInstance(HINSTANCE instance) {
    givenInstance = instance;
}

HINSTANCE moduleInstance() {
    if (givenInstance)
        return givenInstance;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&moduleInstance), &module);
    return module;
}

} // namespace vstgui_detail
