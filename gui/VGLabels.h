// Text widgets: the knob caption, the full-width text line and the editor's title bar. Clicking
// any of them flips its value like a button; the editors ignore their tags.
#pragma once

#include "VGControl.h"

class VGSimpleLabel : public VGControl {
  public:
    VGSimpleLabel(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGSimpleLabel() override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
};

class VGBottomLabel : public VGControl {
  public:
    VGBottomLabel(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGBottomLabel() override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
    void setBackColor(const CColor& c) {
        backColor = c;
        setDirty();
    }
    CColor getBackColor() const { return backColor; }

  private:
    CColor backColor{239, 232, 229, 255};
};

class VGLogo : public VGControl {
  public:
    VGLogo(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGLogo() override;
    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    static constexpr const char* kMakerName = "mirelow";
};
