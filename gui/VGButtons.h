// Toggle buttons: a pill with a caption and a round indicator at its right end, and a bare
// bull's-eye. A click flips the value between 0 and 1.
#pragma once

#include "VGControl.h"

class VGTextButton : public VGControl {
  public:
    VGTextButton(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGTextButton() override;

    // Caption shown while the value is above 0.5 (the label otherwise); at most 255 characters.
    void setOnLabel(const char* text);
    const char* getOnLabel() const { return onLabel; }

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

  private:
    char onLabel[256];
    CRect indicator;
};

class VGTargetButton : public VGControl {
  public:
    VGTargetButton(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGTargetButton() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;
};
