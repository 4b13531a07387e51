// The anti-aliased drawing surface of every widget: an off-screen context whose operations draw
// smooth lines, arcs, pies, ellipses and text, while the copy to the screen stays the base's job.
// Each setter also updates the base context, so plain drawing through the base stays consistent.
#pragma once

#include "vstgui/vstgui.h"

#include <cstdint>

class ARSDrawContext : public COffscreenContext {
  public:
    // A bitmap of width × height filled with `background`, on `frame`. GUI thread.
    ARSDrawContext(CFrame* frame, CCoord width, CCoord height, const CColor& background);
    ~ARSDrawContext() override;

    // alpha × 2^24 + red × 2^16 + green × 2^8 + blue.
    static uint32_t packARGB(const CColor& c) {
        return (uint32_t(c.alpha) << 24) | (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) |
               c.blue;
    }

    void setFillColor(const CColor& color);
    void setFrameColor(const CColor& color);
    // The font colour's alpha is taken one lower, modulo 256 (255 → 254, 0 → 255).
    void setFontColor(const CColor& color);
    void setLineWidth(int width);
    // style: 1 bold, 2 italic, 4 underline; 8 narrow (−2 px per character) and 16 wide (+2 px)
    // text, both drawn by the base's text routine.
    void setFont(int fontID, int size, int style);
    // Pixels added after each character for a font style: +2 with bit 16, else −2 with bit 8.
    static int characterExtraFor(int style) { return style & 16 ? 2 : style & 8 ? -2 : 0; }
    void moveTo(const CPoint& p);

    // Line from the pen position; the pen moves to `p`.
    void lineTo(const CPoint& p);
    void drawRect(const CRect& r);
    void fillRect(const CRect& r);
    void drawEllipse(const CRect& r);
    void fillEllipse(const CRect& r);
    // Degrees, 0 at 3 o'clock, clockwise; an end before the start wraps once (300 → 60 sweeps
    // 120). style kDrawStroke: arc with the pen; kDrawFilled: pie with the fill brush.
    void drawArc(const CRect& r, float startAngle, float endAngle, int style);
    // Text centred vertically in `rect`, aligned 0 left, 1 centre, 2 right (anything else: left),
    // at most 255 characters.
    void drawString(const char* text, const CRect& rect, bool opaque, int align);
    // Filled polygon with the fill brush, and an open polyline with the pen.
    void fillPolygon(const CPoint* points, int count);
    void drawPolyline(const CPoint* points, int count);

    uint32_t getFrameARGB() const { return frameARGB; }
    uint32_t getFillARGB() const { return fillARGB; }
    uint32_t getFontARGB() const { return fontARGB; }
    float getPenWidth() const { return penWidth; }
    CPoint getPenPosition() const { return CPoint(penX, penY); }
    int getFontStyle() const { return arsFontStyle; }
    float getFontEmSize() const { return fontEm; }
    bool hasFont() const { return fontEm > 0; }

    static constexpr int kMaxTextLength = 255;

  private:
    // The platform's own drawing tools for this context (pens, brushes), where it needs any.
    struct Painter;
    Painter* painter = nullptr;

    uint32_t frameARGB;
    uint32_t fillARGB;
    uint32_t fontARGB;
    float penWidth = 1.f;
    float fontEm = 0.f;
    int32_t penX = 0, penY = 0;
    int arsFontStyle = 0;
};
