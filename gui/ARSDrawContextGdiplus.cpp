// Anti-aliased drawing on GDI+, on the device context of the off-screen bitmap. Coordinates are
// handed over as they come: GDI+ puts integer coordinates on pixel centres, so a one-pixel line
// between integer points covers one pixel row or column; fills are moved half a pixel so that
// they cover whole pixels.
#include "ARSDrawContext.h"
#include "vstgui/win32/GdiSurface.h"

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace Gdiplus;

struct ARSDrawContext::Painter {
    // Each member is null when it could not be made; the operations that need it then draw
    // nothing.
    Pen* pen = nullptr;
    SolidBrush* fillBrush = nullptr;
    SolidBrush* fontBrush = nullptr;
    Graphics* graphics = nullptr;
    FontFamily* family = nullptr;
    Font* font = nullptr;
    // The last failure of a GDI+ call, kept for inspection; drawing goes on after one.
    Status lastError = Ok;

    void check(Status s) {
        if (s != Ok)
            lastError = s;
    }
    ~Painter() {
        delete graphics;
        delete pen;
        delete fillBrush;
        delete fontBrush;
        delete family;
        delete font;
    }
    // Ready to draw with the brush or pen: anti-aliased, with the fills' half-pixel offset or
    // the strokes' none.
    bool begin(bool fill) {
        if (!graphics)
            return false;
        check(graphics->SetSmoothingMode(SmoothingModeAntiAlias));
        check(graphics->SetPixelOffsetMode(fill ? PixelOffsetModeHalf : PixelOffsetModeNone));
        return true;
    }
    // Hands what was drawn to the bitmap before GDI or a copy reads it.
    void end() { graphics->Flush(FlushIntentionSync); }
};

// "Arial"; on a system without it (Wine without the core fonts) a metric-compatible face or the
// system's sans-serif one; null when none exists.
static FontFamily* arialOrSansSerif() {
    for (const wchar_t* name : {L"Arial", L"Liberation Sans", L"Tahoma"}) {
        auto* family = new FontFamily(name);
        if (family->GetLastStatus() == Ok)
            return family;
        delete family;
    }
    const FontFamily* generic = FontFamily::GenericSansSerif();
    return generic && generic->GetLastStatus() == Ok ? generic->Clone() : nullptr;
}

ARSDrawContext::ARSDrawContext(CFrame* frame, CCoord width, CCoord height, const CColor& background)
    : COffscreenContext(frame, width, height, background),
      frameARGB(packARGB(CDrawContext::getFrameColor())),
      fillARGB(packARGB(CDrawContext::getFillColor())),
      fontARGB(packARGB(CDrawContext::getFontColor())) {
    HDC dc = vstgui_detail::dcOf(this);
    if (!dc || !vstgui_detail::startGdiplus())
        return;
    painter = new Painter;
    painter->pen = new Pen(Color(frameARGB), 1.0f);
    painter->fillBrush = new SolidBrush(Color(fillARGB));
    painter->fontBrush = new SolidBrush(Color(fontARGB));
    painter->family = arialOrSansSerif();
    painter->graphics = new Graphics(dc);
    if (painter->graphics->GetLastStatus() != Ok) {
        delete painter->graphics;
        painter->graphics = nullptr;
        return;
    }
    painter->check(painter->graphics->SetInterpolationMode(InterpolationModeLowQuality));
    painter->check(painter->graphics->SetSmoothingMode(SmoothingModeHighQuality));
}

ARSDrawContext::~ARSDrawContext() {
    delete painter;
}

void ARSDrawContext::setFillColor(const CColor& c) {
    CDrawContext::setFillColor(c);
    fillARGB = packARGB(c);
    if (painter && painter->fillBrush)
        painter->check(painter->fillBrush->SetColor(Color(fillARGB)));
}

void ARSDrawContext::setFrameColor(const CColor& c) {
    CDrawContext::setFrameColor(c);
    frameARGB = packARGB(c);
    if (painter && painter->pen)
        painter->check(painter->pen->SetColor(Color(frameARGB)));
}

void ARSDrawContext::setFontColor(const CColor& c) {
    CDrawContext::setFontColor(c);
    CColor shifted = c;
    shifted.alpha = static_cast<unsigned char>((c.alpha + 255) & 0xFF);
    fontARGB = packARGB(shifted);
    if (painter && painter->fontBrush)
        painter->check(painter->fontBrush->SetColor(Color(fontARGB)));
}

void ARSDrawContext::setLineWidth(int width) {
    CDrawContext::setLineWidth(width);
    penWidth = static_cast<float>(width);
    if (painter && painter->pen)
        painter->check(painter->pen->SetWidth(penWidth));
}

void ARSDrawContext::setFont(int fontID, int size, int style) {
    setCharacterExtra(characterExtraFor(style));
    fontEm = static_cast<float>(size);
    arsFontStyle = style;
    if (painter) {
        delete painter->font;
        painter->font = nullptr;
        int plusStyle = FontStyleRegular;
        if (style & 1)
            plusStyle |= FontStyleBold;
        if (style & 2)
            plusStyle |= FontStyleItalic;
        if (style & 4)
            plusStyle |= FontStyleUnderline;
        if (painter->family && size > 0) {
            painter->font = new Font(painter->family, fontEm, plusStyle, UnitPixel);
            if (painter->font->GetLastStatus() != Ok) {
                painter->check(painter->font->GetLastStatus());
                delete painter->font;
                painter->font = nullptr;
            }
        }
    }
    CDrawContext::setFont(fontID, size, style);
}

void ARSDrawContext::moveTo(const CPoint& p) {
    CDrawContext::moveTo(p);
    penX = p.x;
    penY = p.y;
}

void ARSDrawContext::lineTo(const CPoint& p) {
    if (painter && painter->pen && painter->begin(false)) {
        painter->check(painter->graphics->DrawLine(painter->pen, INT(penX), INT(penY), p.x, p.y));
        painter->end();
    }
    CDrawContext::moveTo(p);
    penX = p.x;
    penY = p.y;
}

static RectF floatRect(const CRect& r) {
    return RectF(REAL(r.left), REAL(r.top), REAL(r.width()), REAL(r.height()));
}

void ARSDrawContext::drawRect(const CRect& r) {
    if (!painter || !painter->pen || !painter->begin(false))
        return;
    const RectF f = floatRect(r);
    painter->check(painter->graphics->DrawRectangle(painter->pen, f.X, f.Y, f.Width, f.Height));
    painter->end();
}

void ARSDrawContext::fillRect(const CRect& r) {
    if (!painter || !painter->fillBrush || !painter->begin(true))
        return;
    painter->check(painter->graphics->FillRectangle(painter->fillBrush, floatRect(r)));
    painter->end();
}

void ARSDrawContext::drawEllipse(const CRect& r) {
    if (!painter || !painter->pen || !painter->begin(false))
        return;
    painter->check(painter->graphics->DrawEllipse(painter->pen, floatRect(r)));
    painter->end();
}

void ARSDrawContext::fillEllipse(const CRect& r) {
    if (!painter || !painter->fillBrush || !painter->begin(true))
        return;
    painter->check(painter->graphics->FillEllipse(painter->fillBrush, floatRect(r)));
    painter->end();
}

void ARSDrawContext::drawArc(const CRect& r, float startAngle, float endAngle, int style) {
    if (startAngle > endAngle)
        endAngle += 360.f;
    float sweep = endAngle - startAngle;
    if (!painter || (style != kDrawStroke && style != kDrawFilled))
        return;
    if (sweep == 0.f || r.width() <= 0 || r.height() <= 0)
        return;
    if (style == kDrawStroke) {
        if (!painter->pen || !painter->begin(false))
            return;
        painter->check(painter->graphics->DrawArc(painter->pen, floatRect(r), startAngle, sweep));
    } else {
        if (!painter->fillBrush || !painter->begin(true))
            return;
        painter->check(
            painter->graphics->FillPie(painter->fillBrush, floatRect(r), startAngle, sweep));
    }
    painter->end();
}

void ARSDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int align) {
    if (!text)
        return;
    if (arsFontStyle & (8 | 16)) {
        CDrawContext::drawString(text, rect, opaque, align);
        return;
    }
    if (!painter || !painter->font || !painter->fontBrush || !painter->begin(false))
        return;
    StringFormat format(StringFormatFlagsNoClip | StringFormatFlagsNoWrap |
                            StringFormatFlagsNoFontFallback | StringFormatFlagsDisplayFormatControl,
                        LANG_NEUTRAL);
    painter->check(format.SetTrimming(StringTrimmingNone));
    painter->check(format.SetAlignment(align == kCenterText  ? StringAlignmentCenter
                                       : align == kRightText ? StringAlignmentFar
                                                             : StringAlignmentNear));
    painter->check(format.SetLineAlignment(StringAlignmentCenter));
    painter->check(painter->graphics->SetTextRenderingHint(TextRenderingHintAntiAlias));

    const size_t length = std::min<size_t>(std::strlen(text), kMaxTextLength);
    wchar_t wide[kMaxTextLength + 1];
    char narrow[kMaxTextLength + 1];
    std::memcpy(narrow, text, length);
    narrow[length] = 0;
    size_t converted = std::mbstowcs(wide, narrow, kMaxTextLength);
    if (converted == size_t(-1)) {
        // Not valid in the current multibyte encoding: each byte is one character.
        for (size_t i = 0; i < length; ++i)
            wide[i] = static_cast<unsigned char>(narrow[i]);
        converted = length;
    }
    const INT count = INT(std::min(converted, length));
    wide[count] = 0;
    // Text wider than its rectangle runs over the edges (no clipping, no wrapping). Some GDI+
    // implementations drop the characters that do not fit instead; a rectangle grown to the
    // text's width about the same anchor places the text identically and loses none.
    RectF layout = floatRect(rect), needed;
    if (painter->graphics->MeasureString(wide, count, painter->font, PointF(0, 0), &format,
                                         &needed) == Ok &&
        needed.Width > layout.Width) {
        const REAL grow = needed.Width - layout.Width;
        if (align == kCenterText)
            layout.X -= grow / 2;
        else if (align == kRightText)
            layout.X -= grow;
        layout.Width = needed.Width;
    }
    painter->check(painter->graphics->DrawString(wide, count, painter->font, layout, &format,
                                                 painter->fontBrush));
    painter->end();
}

void ARSDrawContext::fillPolygon(const CPoint* points, int count) {
    if (!painter || !painter->fillBrush || !points || count < 3 || !painter->begin(true))
        return;
    std::vector<Point> outline(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        outline[size_t(i)] = Point(points[i].x, points[i].y);
    painter->check(painter->graphics->FillPolygon(painter->fillBrush, outline.data(), count));
    painter->end();
}

void ARSDrawContext::drawPolyline(const CPoint* points, int count) {
    if (!painter || !painter->pen || !points || count < 2 || !painter->begin(false))
        return;
    std::vector<Point> line(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        line[size_t(i)] = Point(points[i].x, points[i].y);
    painter->check(painter->graphics->DrawLines(painter->pen, line.data(), count));
    painter->end();
}
