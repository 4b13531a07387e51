// Drawing contexts: the plain (aliased, pixel-exact) drawing surface every view paints through,
// and the off-screen context the widgets draw into before copying to the screen.
#pragma once

#include "CGeometry.h"

#include <cstdint>

class CFrame;
// What a drawing surface is made of on the platform the toolkit is built for (an image of the
// platform's drawing library, a device context with its bitmap). Known only to the platform's
// files.
struct CDrawSurface;

// Intrusive reference count: remember adds a reference, forget drops one and deletes the object
// when none is left.
class CReferenceCounter {
  public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;
    virtual ~CReferenceCounter() = default;
    virtual void forget() {
        if (--nbReference == 0)
            delete this;
    }
    virtual void remember() { ++nbReference; }
    long getNbReference() const { return nbReference; }

  private:
    long nbReference = 1;
};

// A drawing surface. Lines, rectangles and ellipses follow the draw mode: aliased and
// pixel-exact unless the mode is kAntialias. Text is always drawn aliased, with the context's
// character spacing added after every character.
class CDrawContext : public CReferenceCounter {
  public:
    ~CDrawContext() override;

    void moveTo(const CPoint& p) { penLoc = p; }
    void lineTo(const CPoint& p);
    void drawRect(const CRect& r);
    void fillRect(const CRect& r);
    void drawEllipse(const CRect& r);
    void fillEllipse(const CRect& r);
    CPoint getPenPosition() const { return penLoc; }

    void setLineWidth(CCoord width) { frameWidth = width < 1 ? 1 : width; }
    CCoord getLineWidth() const { return frameWidth; }
    void setDrawMode(CDrawMode mode) { drawMode = mode; }
    void setDrawMode(int mode) { drawMode = static_cast<CDrawMode>(mode); }
    CDrawMode getDrawMode() const { return drawMode; }

    void setFrameColor(const CColor& c) { frameColor = c; }
    CColor getFrameColor() const { return frameColor; }
    void setFillColor(const CColor& c) { fillColor = c; }
    CColor getFillColor() const { return fillColor; }
    void setFontColor(const CColor& c) { fontColor = c; }
    CColor getFontColor() const { return fontColor; }

    // size 0 picks the font id's standard size; style: CTxtFace bits.
    void setFont(int fontID, CCoord size = 0, long style = 0);
    int getFontId() const { return fontId; }
    CCoord getFontSize() const { return fontSize; }
    long getFontStyle() const { return fontStyle; }
    // Width in pixels of the text with the current font and character spacing.
    CCoord getStringWidth(const char* text);
    // Text vertically centred in `rect`; opaque fills the rectangle with the fill colour first.
    void drawString(const char* text, const CRect& rect, bool opaque = false,
                    CHoriTxtAlign align = kCenterText);
    void drawString(const char* text, const CRect& rect, bool opaque, int align) {
        drawString(text, rect, opaque, static_cast<CHoriTxtAlign>(align));
    }

    // Extra pixels after each character (the system's character spacing), as text is measured
    // and drawn by this context.
    void setCharacterExtra(int extra) { charExtra = extra; }
    int getCharacterExtra() const { return charExtra; }

    // Mouse state at the time of the call (live pointer on screen, the script when headless).
    long getMouseButtons();
    void getMouseLocation(CPoint& where);

    CFrame* getFrame() const { return pFrame; }
    // The platform's surface underneath (for the platform's own files); null when none could be
    // made.
    CDrawSurface* getDrawSurface() const { return surface; }

  protected:
    // Draws onto `surface` (taken over; null draws nothing); `frame` answers the mouse questions.
    CDrawContext(CFrame* frame, CDrawSurface* surface);

    CFrame* pFrame;
    CDrawSurface* surface;
    CPoint penLoc;
    CCoord frameWidth = 1;
    CDrawMode drawMode = kCopyMode;
    CColor frameColor = kBlackCColor;
    CColor fillColor = kWhiteCColor;
    CColor fontColor = kBlackCColor;
    int fontId = kNormalFont;
    CCoord fontSize = 12;
    long fontStyle = 0;
    int charExtra = 0;
};

// A draw context on a bitmap of its own, filled with a background colour when built, and copied
// to another context with copyFrom.
class COffscreenContext : public CDrawContext {
  public:
    COffscreenContext(CFrame* frame, CCoord width, CCoord height,
                      const CColor& background = kBlackCColor);
    ~COffscreenContext() override;

    // Copies the part of this bitmap that starts at `srcOffset` into `destRect` of `dest`.
    void copyFrom(CDrawContext* dest, CRect destRect, CPoint srcOffset = CPoint(0, 0));

    CCoord getWidth() const { return width; }
    CCoord getHeight() const { return height; }
    // True when the bitmap could be made.
    bool isValid() const;
    // 0x00RRGGBB of a pixel of the bitmap (0 outside it).
    uint32_t getPixel(CCoord x, CCoord y) const;
    // The bitmap as a PNG file; false when it cannot be written.
    bool writePng(const char* path) const;

  protected:
    CCoord width, height;
};
