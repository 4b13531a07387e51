// Bitmaps loaded from the module's compiled-in resources, and the splash control that shows one
// over the frame until the next click.
#pragma once

#include "CView.h"

class CBitmap : public CReferenceCounter {
  public:
    // The bitmap resource `resourceID`; empty (isLoaded false) when the module has none.
    explicit CBitmap(long resourceID);
    ~CBitmap() override;

    CCoord getWidth() const { return width; }
    CCoord getHeight() const { return height; }
    bool isLoaded() const { return picture != nullptr; }
    long getResourceID() const { return resourceID; }
    // Copies the bitmap, starting at `offset` within it, into `dest` of the context.
    void draw(CDrawContext* context, const CRect& dest, const CPoint& offset = CPoint(0, 0));

  private:
    long resourceID;
    CCoord width = 0, height = 0;
    // The picture on the platform's drawing surface.
    CDrawSurface* picture = nullptr;
};

// A click shows the bitmap over `toDisplay` of the frame (value 1); the next click anywhere
// hides it again (value 0). The listener hears both.
class CSplashScreen : public CControl {
  public:
    CSplashScreen(const CRect& size, CControlListener* listener, long tag, CBitmap* bitmap,
                  const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));
    ~CSplashScreen() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    // Hides the picture (the second click).
    void unSplash(CDrawContext* context);
    bool isSplashShown() const { return shown; }

  private:
    CRect toDisplay;
    CPoint offset;
    bool shown = false;
};
