// Anti-aliased drawing on cairo. Strokes are laid on pixel centres (half-pixel offset), so that a
// one-pixel line between integer points covers one pixel row or column; fills cover whole pixels.
#include "ARSDrawContext.h"
#include "vstgui/linux/CairoSurface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

ARSDrawContext::ARSDrawContext(CFrame* frame, CCoord width, CCoord height, const CColor& background)
    : COffscreenContext(frame, width, height, background),
      frameARGB(packARGB(CDrawContext::getFrameColor())),
      fillARGB(packARGB(CDrawContext::getFillColor())),
      fontARGB(packARGB(CDrawContext::getFontColor())) {}

// cairo draws anti-aliased itself: nothing kept beside the surface.
struct ARSDrawContext::Painter {};

ARSDrawContext::~ARSDrawContext() {
    delete painter;
}

using vstgui_detail::addEllipsePath;
using vstgui_detail::cairoOf;

static void source(cairo_t* cr, uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

static void antialias(cairo_t* cr) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
}

void ARSDrawContext::setFillColor(const CColor& c) {
    CDrawContext::setFillColor(c);
    fillARGB = packARGB(c);
}

void ARSDrawContext::setFrameColor(const CColor& c) {
    CDrawContext::setFrameColor(c);
    frameARGB = packARGB(c);
}

void ARSDrawContext::setFontColor(const CColor& c) {
    CDrawContext::setFontColor(c);
    CColor shifted = c;
    shifted.alpha = static_cast<unsigned char>((c.alpha + 255) & 0xFF);
    fontARGB = packARGB(shifted);
}

void ARSDrawContext::setLineWidth(int width) {
    CDrawContext::setLineWidth(width);
    penWidth = static_cast<float>(width);
}

void ARSDrawContext::setFont(int fontID, int size, int style) {
    setCharacterExtra(characterExtraFor(style));
    fontEm = static_cast<float>(size);
    arsFontStyle = style;
    CDrawContext::setFont(fontID, size, style);
}

void ARSDrawContext::moveTo(const CPoint& p) {
    CDrawContext::moveTo(p);
    penX = p.x;
    penY = p.y;
}

void ARSDrawContext::lineTo(const CPoint& p) {
    cairo_t* cr = cairoOf(this);
    if (cr) {
        antialias(cr);
        source(cr, frameARGB);
        cairo_set_line_width(cr, penWidth);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_move_to(cr, penX + 0.5, penY + 0.5);
        cairo_line_to(cr, p.x + 0.5, p.y + 0.5);
        cairo_stroke(cr);
    }
    CDrawContext::moveTo(p);
    penX = p.x;
    penY = p.y;
}

void ARSDrawContext::drawRect(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    antialias(cr);
    source(cr, frameARGB);
    cairo_set_line_width(cr, penWidth);
    cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.width(), r.height());
    cairo_stroke(cr);
}

void ARSDrawContext::fillRect(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    antialias(cr);
    source(cr, fillARGB);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void ARSDrawContext::drawEllipse(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    antialias(cr);
    source(cr, frameARGB);
    cairo_set_line_width(cr, penWidth);
    addEllipsePath(cr, r.left + 0.5, r.top + 0.5, r.width(), r.height());
    cairo_stroke(cr);
}

void ARSDrawContext::fillEllipse(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    antialias(cr);
    source(cr, fillARGB);
    addEllipsePath(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void ARSDrawContext::drawArc(const CRect& r, float startAngle, float endAngle, int style) {
    cairo_t* cr = cairoOf(this);
    if (startAngle > endAngle)
        endAngle += 360.f;
    float sweep = endAngle - startAngle;
    if (!cr || (style != kDrawStroke && style != kDrawFilled))
        return;
    if (sweep == 0.f || r.width() <= 0 || r.height() <= 0)
        return;
    antialias(cr);
    double a0 = startAngle * M_PI / 180.0;
    double a1 = (startAngle + sweep) * M_PI / 180.0;
    double off = style == kDrawStroke ? 0.5 : 0.0;
    cairo_save(cr);
    cairo_translate(cr, r.left + off + r.width() / 2.0, r.top + off + r.height() / 2.0);
    cairo_scale(cr, r.width() / 2.0, r.height() / 2.0);
    if (style == kDrawFilled)
        cairo_move_to(cr, 0, 0);
    if (sweep > 0)
        cairo_arc(cr, 0, 0, 1, a0, a1);
    else
        cairo_arc_negative(cr, 0, 0, 1, a0, a1);
    if (style == kDrawFilled)
        cairo_close_path(cr);
    cairo_restore(cr);
    if (style == kDrawFilled) {
        source(cr, fillARGB);
        cairo_fill(cr);
    } else {
        source(cr, frameARGB);
        cairo_set_line_width(cr, penWidth);
        cairo_stroke(cr);
    }
}

void ARSDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int align) {
    cairo_t* cr = cairoOf(this);
    if (!text)
        return;
    if (arsFontStyle & (8 | 16)) {
        CDrawContext::drawString(text, rect, opaque, align);
        return;
    }
    if (!cr || fontEm <= 0)
        return;
    size_t length = std::min<size_t>(std::strlen(text), kMaxTextLength);
    cairo_save(cr);
    antialias(cr);
    vstgui_detail::selectFont(cr, arsFontStyle, fontEm);
    cairo_font_options_t* opts = cairo_font_options_create();
    // Whole-pixel advances: glyphs are placed on whole pixels, so fractional advances would
    // round into uneven gaps in small text ("lin ear").
    cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, opts);
    cairo_font_options_destroy(opts);

    double w = vstgui_detail::layoutText(cr, text, length, 0, 0, 0, false);
    double x = rect.left;
    if (align == kCenterText)
        x = rect.left + (rect.width() - w) / 2.0;
    else if (align == kRightText)
        x = rect.right - w;
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    // The line box (ascent + descent + gap) is centred in the rectangle.
    double y = rect.top + (rect.height() - fe.height) / 2.0 + fe.ascent;
    source(cr, fontARGB);
    vstgui_detail::layoutText(cr, text, length, 0, x, y, true);
    if (arsFontStyle & kUnderlineFace) {
        double t = std::max(1.0, fontEm / 14.0);
        cairo_rectangle(cr, x, y + fontEm * 0.1, w, t);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void ARSDrawContext::fillPolygon(const CPoint* points, int count) {
    cairo_t* cr = cairoOf(this);
    if (!cr || !points || count < 3)
        return;
    // Spectrum areas are large and many-sided; cairo's faster anti-aliasing fills them at half
    // the cost with edges that cannot be told apart at this size.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_FAST);
    source(cr, fillARGB);
    cairo_move_to(cr, points[0].x, points[0].y);
    for (int i = 1; i < count; ++i)
        cairo_line_to(cr, points[i].x, points[i].y);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void ARSDrawContext::drawPolyline(const CPoint* points, int count) {
    cairo_t* cr = cairoOf(this);
    if (!cr || !points || count < 2)
        return;
    // Outlines and curves of hundreds of short segments: the faster anti-aliasing strokes them
    // in about half the time, with edges that cannot be told apart from the default's.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_FAST);
    source(cr, frameARGB);
    cairo_set_line_width(cr, penWidth);
    cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
    for (int i = 1; i < count; ++i)
        cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
    cairo_stroke(cr);
}
