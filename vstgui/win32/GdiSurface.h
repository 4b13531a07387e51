// The drawing surface on Windows: a memory device context holding a 32-bit top-down DIB section,
// drawn on with GDI (the plain, aliased operations) and GDI+ (anti-aliased ones). For the
// toolkit's and the widget set's Windows files only.
#pragma once

#include "vstgui/CDrawContext.h"

#include <windows.h>

#include <cstdint>

struct CDrawSurface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    // Rows top to bottom, one 0x00RRGGBB word per pixel, no padding.
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

namespace vstgui_detail {

inline CDrawSurface* surfaceOf(const CDrawContext* context) {
    return context ? context->getDrawSurface() : nullptr;
}
inline HDC dcOf(const CDrawContext* context) {
    CDrawSurface* s = surfaceOf(context);
    return s ? s->dc : nullptr;
}

// A w × h bitmap (at least 1 × 1) on a memory device context compatible with the screen, every
// pixel 0x00RRGGBB `fill`; null when it cannot be made.
CDrawSurface* makeSurface(int w, int h, uint32_t fill);
void destroySurface(CDrawSurface* surface);
inline COLORREF colorRefOf(const CColor& c) {
    return RGB(c.red, c.green, c.blue);
}

// Starts GDI+ for the process the first time it is asked (later calls return at once); false
// when it cannot be started. GUI thread.
bool startGdiplus();
// Writes `surface` as a PNG file through GDI+'s encoder.
bool writeSurfacePng(const CDrawSurface* surface, const char* path);
// The module (DLL or program) the toolkit is linked into: the one the DLL's entry was given, else
// asked of the system.
HINSTANCE moduleInstance();
// Called by the DLL's entry when the module is loaded.
void setModuleInstance(HINSTANCE instance);

} // namespace vstgui_detail
