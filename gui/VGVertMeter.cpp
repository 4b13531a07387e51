// Level meter lamps.
#include "VGVertMeter.h"

#include <cmath>
#include <cstdio>

VGVertMeter::VGVertMeter(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {
    for (int i = 0; i <= kLamps; ++i)
        thresholds[i] = std::pow(10.f, kThresholdsDb[i] / 20.f);
}

VGVertMeter::~VGVertMeter() = default;

CColor VGVertMeter::clipColor(const CColor& h) {
    CColor c{static_cast<unsigned char>(h.red / 8), static_cast<unsigned char>(h.green / 8),
             static_cast<unsigned char>(h.blue / 8), 255};
    if (h.red > h.blue)
        c.red = 255;
    else if (h.blue > h.green)
        c.blue = 255;
    else
        c.green = 255;
    return c;
}

CColor VGVertMeter::lampColor(int i) const {
    // A lamp whose own range holds the value is drawn unlit, like the lamps above it.
    if (value > thresholds[i])
        return value > 1.f ? clipColor(scheme->highlight) : scheme->highlight;
    return lightColor(scheme->face);
}

void VGVertMeter::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    paintWhite(dc);
    inner = CRect(1, 1, width - 1, height - 1);
    lampStep = inner.height() / 36.f;
    for (int i = 0; i < kLamps; ++i) {
        const int boxTop = inner.top + static_cast<int>(3 * i * lampStep);
        CRect box(inner.left, boxTop, inner.right, boxTop + inner.width());
        dc->setFillColor(scheme->accent);
        dc->fillEllipse(box);
        CRect lamp = box;
        lamp.inset(2, 2);
        dc->setFillColor(lampColor(i));
        dc->fillEllipse(lamp);
        if (showFigures) {
            char text[32];
            std::snprintf(text, sizeof text, "%3.0f", kThresholdsDb[i]);
            fitFontSize(dc, "0123", box.width(), box.height());
            dc->setFont(fontId, fontSize + 3, fontStyle);
            dc->setFontColor(scheme->text);
            dc->drawString(text, box, false, kCenterText);
        }
    }
    endPaint(context, dc);
}

void VGVertMeter::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!takesLeftPress(context, buttons))
        return;
    if (offerModifierClick(context, buttons))
        return;
    showFigures = !showFigures;
    setDirty(true);
    if (listener) {
        beginEdit();
        listener->valueChanged(context, this);
        endEdit();
    }
    doIdleStuff();
}
