// Plain drawing and off-screen contexts on GDI: aliased lines, rectangles, ellipses and text
// with the system's character spacing; in the anti-alias draw mode the shapes go through GDI+.
#include "GdiSurface.h"
#include "vstgui/CFrame.h"

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cmath>
#include <cstring>

using namespace vstgui_detail;

namespace {

// A GDI object selected into a device context for one operation.
class Selected {
  public:
    Selected(HDC d, HGDIOBJ o) : dc(d), object(o), previous(SelectObject(d, o)) {}
    ~Selected() {
        SelectObject(dc, previous);
        DeleteObject(object);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc;
    HGDIOBJ object;
    HGDIOBJ previous;
};

Gdiplus::Color plusColor(const CColor& c) {
    return Gdiplus::Color(c.alpha, c.red, c.green, c.blue);
}

// A GDI+ graphics object on the context's device context, anti-aliased.
class Smooth {
  public:
    explicit Smooth(HDC dc)
        : ok(startGdiplus()), graphics(ok ? new Gdiplus::Graphics(dc) : nullptr) {
        if (graphics)
            graphics->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    }
    ~Smooth() {
        if (graphics)
            graphics->Flush(Gdiplus::FlushIntentionSync);
        delete graphics;
    }
    Smooth(const Smooth&) = delete;
    Smooth& operator=(const Smooth&) = delete;
    Gdiplus::Graphics* operator->() const { return graphics; }
    explicit operator bool() const { return graphics != nullptr; }

  private:
    bool ok;
    Gdiplus::Graphics* graphics;
};

HFONT makeFont(long style, CCoord size) {
    // Negative height: the em size in pixels.
    return CreateFontA(-std::max<CCoord>(1, size), 0, 0, 0,
                       (style & kBoldFace) ? FW_BOLD : FW_NORMAL, (style & kItalicFace) ? 1 : 0,
                       (style & kUnderlineFace) ? 1 : 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       "Arial");
}

} // namespace

CDrawContext::CDrawContext(CFrame* frame, CDrawSurface* surf) : pFrame(frame), surface(surf) {}

CDrawContext::~CDrawContext() {
    destroySurface(surface);
}

void CDrawContext::lineTo(const CPoint& p) {
    HDC dc = dcOf(this);
    if (!dc)
        return;
    if (drawMode == kAntialias) {
        Smooth g(dc);
        if (g) {
            Gdiplus::Pen pen(plusColor(frameColor), Gdiplus::REAL(frameWidth));
            g->DrawLine(&pen, penLoc.x, penLoc.y, p.x, p.y);
        }
    } else {
        Selected pen(dc, CreatePen(PS_SOLID, frameWidth, colorRefOf(frameColor)));
        MoveToEx(dc, penLoc.x, penLoc.y, nullptr);
        LineTo(dc, p.x, p.y);
        // GDI leaves the last pixel out; the line covers both of its ends.
        LineTo(dc, p.x + 1, p.y);
        GdiFlush();
    }
    penLoc = p;
}

void CDrawContext::drawRect(const CRect& r) {
    HDC dc = dcOf(this);
    if (!dc)
        return;
    if (drawMode == kAntialias) {
        Smooth g(dc);
        if (g) {
            Gdiplus::Pen pen(plusColor(frameColor), Gdiplus::REAL(frameWidth));
            g->DrawRectangle(&pen, r.left, r.top, r.width() - 1, r.height() - 1);
        }
        return;
    }
    Selected pen(dc, CreatePen(PS_INSIDEFRAME, frameWidth, colorRefOf(frameColor)));
    HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, brush);
    GdiFlush();
}

void CDrawContext::fillRect(const CRect& r) {
    HDC dc = dcOf(this);
    if (!dc || r.isEmpty())
        return;
    HBRUSH brush = CreateSolidBrush(colorRefOf(fillColor));
    RECT rc{r.left, r.top, r.right, r.bottom};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    GdiFlush();
}

void CDrawContext::drawEllipse(const CRect& r) {
    HDC dc = dcOf(this);
    if (!dc || r.width() <= 1 || r.height() <= 1)
        return;
    if (drawMode == kAntialias) {
        Smooth g(dc);
        if (g) {
            Gdiplus::Pen pen(plusColor(frameColor), Gdiplus::REAL(frameWidth));
            g->DrawEllipse(&pen, r.left, r.top, r.width() - 1, r.height() - 1);
        }
        return;
    }
    Selected pen(dc, CreatePen(PS_INSIDEFRAME, frameWidth, colorRefOf(frameColor)));
    HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, brush);
    GdiFlush();
}

void CDrawContext::fillEllipse(const CRect& r) {
    HDC dc = dcOf(this);
    if (!dc || r.width() <= 0 || r.height() <= 0)
        return;
    if (drawMode == kAntialias) {
        Smooth g(dc);
        if (g) {
            g->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
            Gdiplus::SolidBrush brush(plusColor(fillColor));
            g->FillEllipse(&brush, r.left, r.top, r.width(), r.height());
        }
        return;
    }
    Selected brush(dc, CreateSolidBrush(colorRefOf(fillColor)));
    HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    // Without a pen GDI fills one pixel short of the right and bottom edges.
    Ellipse(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    SelectObject(dc, pen);
    GdiFlush();
}

void CDrawContext::setFont(int fontID, CCoord size, long style) {
    static constexpr CCoord standardSizes[kNumStandardFonts] = {12, 18, 14, 12, 11, 10, 9, 13};
    if (fontID < 0 || fontID >= kNumStandardFonts)
        fontID = kNormalFont;
    fontId = fontID;
    fontSize = size > 0 ? size : standardSizes[fontID];
    fontStyle = style;
}

CCoord CDrawContext::getStringWidth(const char* text) {
    HDC dc = dcOf(this);
    if (!dc || !text || !*text)
        return 0;
    Selected font(dc, makeFont(fontStyle, fontSize));
    SetTextCharacterExtra(dc, charExtra);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &extent);
    SetTextCharacterExtra(dc, 0);
    return extent.cx;
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque,
                              CHoriTxtAlign align) {
    HDC dc = dcOf(this);
    if (!dc || !text)
        return;
    if (opaque)
        fillRect(rect);
    const int length = int(std::strlen(text));
    if (length == 0)
        return;
    Selected font(dc, makeFont(fontStyle, fontSize));
    SetTextCharacterExtra(dc, charExtra);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int x = rect.left;
    if (align == kCenterText)
        x = int(std::lround(rect.left + (rect.width() - extent.cx) / 2.0));
    else if (align == kRightText)
        x = rect.right - extent.cx;
    const int y = int(
        std::lround(rect.top + (rect.height() - (tm.tmAscent + tm.tmDescent)) / 2.0 + tm.tmAscent));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colorRefOf(fontColor));
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    TextOutA(dc, x, y, text, length);
    SetTextCharacterExtra(dc, 0);
    GdiFlush();
}

long CDrawContext::getMouseButtons() {
    return pFrame ? pFrame->getMouseButtons() : 0;
}

void CDrawContext::getMouseLocation(CPoint& where) {
    if (pFrame)
        pFrame->getMouseLocation(where);
}

static uint32_t packRGB(const CColor& c) {
    return (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | c.blue;
}

COffscreenContext::COffscreenContext(CFrame* frame, CCoord w, CCoord h, const CColor& background)
    : CDrawContext(frame, makeSurface(w, h, packRGB(background))), width(w), height(h) {}

COffscreenContext::~COffscreenContext() = default;

bool COffscreenContext::isValid() const {
    return surface != nullptr;
}

void COffscreenContext::copyFrom(CDrawContext* dest, CRect destRect, CPoint srcOffset) {
    HDC d = dcOf(dest);
    if (!d || !surface)
        return;
    GdiFlush();
    BitBlt(d, destRect.left, destRect.top, destRect.width(), destRect.height(), surface->dc,
           srcOffset.x, srcOffset.y, SRCCOPY);
    GdiFlush();
}

uint32_t COffscreenContext::getPixel(CCoord x, CCoord y) const {
    if (!surface || x < 0 || y < 0 || x >= surface->width || y >= surface->height)
        return 0;
    GdiFlush();
    return surface->bits[size_t(y) * surface->width + x] & 0xFFFFFF;
}

bool COffscreenContext::writePng(const char* path) const {
    return writeSurfacePng(surface, path);
}
