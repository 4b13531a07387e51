// Text button and target button.
#include "VGButtons.h"

#include "engine/Text.h"

#include <cmath>
#include <cstring>

VGTextButton::VGTextButton(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {
    onLabel[0] = 0;
}

VGTextButton::~VGTextButton() = default;

void VGTextButton::setOnLabel(const char* text) {
    copyText(onLabel, text, sizeof onLabel);
}

void VGTextButton::mouse(CDrawContext* context, CPoint&, long buttons) {
    toggleOnClick(context, buttons);
}

// A pill of height h: circles at both ends and the rectangle between their centres.
static void fillPill(ARSDrawContext* dc, int l, int t, int r, int b) {
    const int h = b - t;
    if (h <= 0 || r - l < h)
        return;
    dc->fillEllipse(CRect(l, t, l + h, b));
    dc->fillEllipse(CRect(r - h, t, r, b));
    dc->fillRect(CRect(l + h / 2, t, r - h / 2, b));
}

void VGTextButton::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    const int w = width, h = height;
    paintWhite(dc);
    const float u = h * 0.125f + 0.5f;
    textRect = CRect(static_cast<int>(3 * u), static_cast<int>(u), w - h, h - static_cast<int>(u));
    const int i = static_cast<int>(h * 0.25f + 0.5f);
    indicator = CRect(w - h + i, i, w - i, h - i);

    dc->setFillColor(scheme->accent);
    fillPill(dc, 0, 0, w, h);
    const int k = 3 * (h / 16);
    dc->setFillColor(kWhiteCColor);
    fillPill(dc, k, k, w - k, h - k);

    const bool on = value > 0.5f;
    dc->setFillColor(on ? darkColor(scheme->highlight) : lightColor(scheme->face));
    dc->fillEllipse(indicator);
    dc->setFrameColor(on ? darkColor(scheme->highlight) : scheme->face);
    dc->drawEllipse(indicator);

    fitFontSize(dc, label, textRect.width(), textRect.height());
    dc->setFont(fontId, fontSize - 1, fontStyle);
    dc->setFontColor(scheme->text);
    CRect r = textRect;
    r.inset(-4, 0);
    dc->drawString(on ? onLabel : label, r, false, kCenterText);
    endPaint(context, dc);
}

VGTargetButton::VGTargetButton(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {}

VGTargetButton::~VGTargetButton() = default;

void VGTargetButton::mouse(CDrawContext* context, CPoint&, long buttons) {
    toggleOnClick(context, buttons);
}

void VGTargetButton::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    paintWhite(dc);
    const CRect R(1, 1, width - 1, height - 1);
    dc->setFillColor(scheme->accent);
    dc->fillEllipse(R);
    CRect ring = R;
    const int e = static_cast<int>(std::lround(R.width() / 8.0));
    ring.inset(e, e);
    dc->setFillColor(kWhiteCColor);
    dc->fillEllipse(ring);
    CRect centre = R;
    const int q = static_cast<int>(std::lround(R.width() / 4.0));
    centre.inset(q, q);
    if (value <= 0.5f) {
        dc->setFillColor(lightColor(scheme->face));
        dc->setFrameColor(scheme->face);
    } else {
        dc->setFillColor(scheme->highlight);
        dc->setFrameColor(darkColor(scheme->highlight));
    }
    dc->fillEllipse(centre);
    dc->drawEllipse(centre);
    endPaint(context, dc);
}
