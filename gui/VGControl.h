// The base of the widget set: a control with a colour scheme, a label, units, a display range and
// a font choice, which paints itself through a private anti-aliased off-screen context.
#pragma once

#include "ARSDrawContext.h"

// The four colours every widget is drawn with; the editor owns it and widgets read it at every
// repaint, so changing it and invalidating the frame recolours everything.
struct WidgetScheme {
    CColor face;
    CColor accent;
    CColor highlight;
    CColor text;
};

// Each of red, green, blue halfway to white, opaque.
inline CColor lightColor(const CColor& c) {
    return CColor{static_cast<unsigned char>((c.red + 255) / 2),
                  static_cast<unsigned char>((c.green + 255) / 2),
                  static_cast<unsigned char>((c.blue + 255) / 2), 255};
}
// Each of red, green, blue halved, opaque.
inline CColor darkColor(const CColor& c) {
    return CColor{static_cast<unsigned char>(c.red / 2), static_cast<unsigned char>(c.green / 2),
                  static_cast<unsigned char>(c.blue / 2), 255};
}

class VGControl : public CControl {
  public:
    VGControl(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGControl() override;

    // At most 255 characters are kept.
    void setLabel(const char* text);
    void setUnits(const char* text);
    const char* getLabel() const { return label; }
    const char* getUnits() const { return units; }
    void setDisplayMax(float v) { displayMax = v; }
    void setDisplayMin(float v) { displayMin = v; }
    float getDisplayMax() const { return displayMax; }
    float getDisplayMin() const { return displayMin; }
    int getFontSize() const { return fontSize; }
    WidgetScheme* getScheme() const { return scheme; }

    // The largest font size at which `sample` fits a box: sets it on the context's base font and
    // keeps it in the font size member.
    void fitFontSize(CDrawContext* context, const char* sample, int boxWidth, int boxHeight);

  protected:
    // Steps of the drawing pattern: a fresh context of the widget's size (black, anti-alias mode,
    // line width 1) — null when it could not be made — and the copy to the screen.
    ARSDrawContext* beginPaint(CDrawContext* context);
    void endPaint(CDrawContext* context, ARSDrawContext* offscreen);
    // White fill and white frame of the whole widget.
    void paintWhite(ARSDrawContext* dc);
    // The toggle of buttons and labels: a left click (offered to the listener first when a
    // modifier is held) flips the value between 0 and 1 and tells the listener.
    void toggleOnClick(CDrawContext* context, long buttons);
    // Offers a click with Shift, Control, Alt or Apple to the listener; true when consumed.
    bool offerModifierClick(CDrawContext* context, long buttons);

    int32_t width;
    int32_t height;
    CRect textRect;
    WidgetScheme* scheme;
    char units[256];
    char label[256];
    CRect rect;
    float displayMax = 1.f;
    float displayMin = 0.f;
    int32_t fontId = 3;
    int32_t fontStyle = 0;
    int32_t fontSize = 12;
};

inline constexpr long kModifierButtons = kShift | kControl | kAlt | kApple;
