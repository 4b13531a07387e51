// Knob drag and the grommet knob's picture and value text.
#include "VGKnob.h"

#include "vst/AudioEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

VGKnobBase::VGKnobBase(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {
    displayMin = 0.f;
    displayMax = 1.f;
}

VGKnobBase::~VGKnobBase() = default;

void VGKnobBase::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (!takesLeftPress(context, buttons))
        return;

    const bool tidemill = modifiers == KnobModifiers::tidemill;
    if (tidemill) {
        if (buttons == (kLButton | kControl)) {
            value = getDefaultValue();
            if (isDirty() && listener)
                listener->valueChanged(context, this);
            return;
        }
    } else if (offerModifierClick(context, buttons)) {
        return;
    }

    const long fine = tidemill ? kShift : kControl;
    auto stepFor = [&](long b) {
        float pixels = static_cast<float>(size.height());
        if (b & fine)
            pixels *= zoomFactor;
        return (vmax - vmin) / pixels;
    };
    float startValue = value;
    float step = stepFor(buttons);
    const CPoint start = where;
    CPoint last = where;
    long lastButtons = buttons;
    beginEdit();
    for (;;) {
        if (!(where == last)) {
            float d = static_cast<float>((where.x - start.x) - (where.y - start.y));
            if (buttons != lastButtons) {
                // Rebase so that the value stays where it is when the scale changes.
                float newStep = stepFor(buttons);
                startValue += d * (step - newStep);
                step = newStep;
            }
            value = startValue + d * step;
            bounceValue();
            if (isDirty() && listener)
                listener->valueChanged(context, this);
            last = where;
            lastButtons = buttons;
        }
        doIdleStuff();
        getMouseLocation(context, where);
        buttons = context ? context->getMouseButtons() : 0;
        if (!(buttons & kLButton))
            break;
    }
    endEdit();
}

VGGrommetKnob::VGGrommetKnob(const CRect& r, CControlListener* l, long t, WidgetScheme* s,
                             AudioEffect* fx)
    : VGKnobBase(r, l, t, s), effect(fx) {}

VGGrommetKnob::~VGGrommetKnob() = default;

void VGGrommetKnob::makeValueText(char* text, size_t n) {
    const float v = value;
    const float mn = displayMin, mx = displayMax;
    if (effect) {
        char display[256] = {0};
        effect->getParameterDisplay(static_cast<VstInt32>(tag), display);
        display[255] = 0;
        std::snprintf(text, n, "%s %s", display, units);
    } else if (ratioDisplay == 1) {
        float x = mn + v * (mx - mn);
        if (x <= 0)
            std::snprintf(text, n, "%3.1f:1 %s", 1.f - x, units);
        else
            std::snprintf(text, n, "1:%3.1f %s", x + 1.f, units);
    } else if (logDisplay) {
        float lo = std::log2(mn), hi = std::log2(mx);
        float e = lo + v * (hi - lo);
        if (integerDisplay) {
            e = std::trunc(e);
            if (hi != lo)
                value = (e - lo) / (hi - lo);
        }
        float x = std::exp2(e);
        if (x > 10)
            std::snprintf(text, n, "%3.1f %s", x, units);
        else if (x > 1)
            std::snprintf(text, n, "%3.2f %s", x, units);
        else
            std::snprintf(text, n, "%3.3f %s", x, units);
    } else {
        float x = mn + v * (mx - mn);
        if (integerDisplay) {
            x = std::trunc(x);
            if (mx != mn)
                value = (x - mn) / (mx - mn);
        }
        if (mx - mn <= 15)
            std::snprintf(text, n, "%3.2f %s", x, units);
        else
            std::snprintf(text, n, "%3.1f %s", x, units);
    }
}

// Normalises a GDI-style angle into 0 … 360.
static float wrap360(float a) {
    a = std::fmod(a, 360.f);
    return a < 0 ? a + 360.f : a;
}

void VGGrommetKnob::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    const int w = width, h = height;
    paintWhite(dc);
    const CColor light = lightColor(scheme->face);
    const CColor dark = darkColor(scheme->highlight);

    const CRect R(1, 1, w - 1, h - 1);
    const float g = R.width() * 0.125f;
    const int gi = static_cast<int>(g);

    // The text may drop the value to a whole display step, so it is made before the angles.
    char text[600];
    makeValueText(text, sizeof text);

    const float A = value * 300.f - 120.f;
    dc->setFillColor(scheme->accent);
    dc->drawArc(R, wrap360(A - 90.f), wrap360(A + 210.f), kDrawFilled);

    const float deg = static_cast<float>(M_PI / 180.0);
    auto circleAt = [&](float clockAngle) {
        float a = clockAngle * deg;
        float x = R.left + (std::sin(a) + 1.f) / 2.f * (R.width() - g);
        float y = R.top + (1.f - std::cos(a)) / 2.f * (R.height() - g);
        return CRect(static_cast<CCoord>(x), static_cast<CCoord>(y), static_cast<CCoord>(x + g),
                     static_cast<CCoord>(y + g));
    };
    dc->fillEllipse(circleAt(A));
    dc->fillEllipse(circleAt(A + 300.f));

    CRect hollow = R;
    hollow.inset(gi, gi);
    dc->setFillColor(kWhiteCColor);
    dc->fillEllipse(hollow);

    CRect marker = circleAt(A + 330.f);
    dc->setFillColor(scheme->highlight);
    dc->fillEllipse(marker);
    dc->setFrameColor(dark);
    dc->drawEllipse(marker);

    CRect face = R;
    face.inset(2 * gi, 2 * gi);
    dc->setFillColor(light);
    dc->fillEllipse(face);
    dc->setFrameColor(scheme->face);
    dc->drawEllipse(face);

    fitFontSize(dc, "0123", face.width(), face.height());
    // A text wider than the sample (a value with its units) is made smaller until it fits the
    // ring's hollow, so that it never covers the ring.
    const int room = hollow.width() - 2;
    if (dc->getStringWidth(text) > room) {
        const int32_t sampleSize = fontSize;
        fitFontSize(dc, text, room, face.height());
        fontSize = std::min(fontSize, sampleSize);
        dc->CDrawContext::setFont(fontId, fontSize, fontStyle);
    }
    dc->setFont(fontId, fontSize, fontStyle);
    dc->setFontColor(scheme->text);
    dc->drawString(text, face, false, kCenterText);

    endPaint(context, dc);
}
