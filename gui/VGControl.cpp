// The widget base: the drawing pattern, text fitting and the click toggle.
#include "VGControl.h"

#include "engine/Text.h"

#include <cstring>

VGControl::VGControl(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : CControl(r, l, t, nullptr), width(r.width()), height(r.height()), scheme(s), rect(r) {
    units[0] = 0;
    label[0] = 0;
    value = 1.f;
}

VGControl::~VGControl() = default;

void VGControl::setLabel(const char* text) {
    copyText(label, text, sizeof label);
}
void VGControl::setUnits(const char* text) {
    copyText(units, text, sizeof units);
}

void VGControl::fitFontSize(CDrawContext* context, const char* sample, int boxWidth,
                            int boxHeight) {
    // Measured with the spacing this style is drawn with, not whatever the last font left. The
    // spacing is a fixed number of pixels per character that does not grow with the font, so
    // only the glyphs are scaled into what it leaves of the box (without spacing this is
    // 128 × box width ÷ width at 128).
    const int extra = ARSDrawContext::characterExtraFor(fontStyle);
    context->setCharacterExtra(extra);
    context->CDrawContext::setFont(fontId, 128, fontStyle);
    const float spacing = static_cast<float>(extra) * static_cast<float>(std::strlen(sample));
    const float w = static_cast<float>(context->getStringWidth(sample)) - spacing;
    if (w > 0)
        fontSize = static_cast<int32_t>(128.0f * (boxWidth - spacing) / w);
    int32_t s = static_cast<int32_t>(128.0f * boxHeight / 140.0f);
    if (s < fontSize)
        fontSize = s;
    if (fontSize < 1)
        fontSize = 1;
    context->CDrawContext::setFont(fontId, fontSize, fontStyle);
}

ARSDrawContext* VGControl::beginPaint(CDrawContext* context) {
    auto* dc =
        new ARSDrawContext(context ? context->getFrame() : nullptr, width, height, kBlackCColor);
    if (!dc->isValid()) {
        dc->forget();
        return nullptr;
    }
    dc->setDrawMode(kAntialias);
    dc->setLineWidth(1);
    return dc;
}

void VGControl::endPaint(CDrawContext* context, ARSDrawContext* dc) {
    if (dc) {
        dc->copyFrom(context, rect, CPoint(0, 0));
        dc->forget();
    }
    setDirty(false);
}

void VGControl::paintWhite(ARSDrawContext* dc) {
    CRect all(0, 0, width, height);
    dc->setFillColor(kWhiteCColor);
    dc->fillRect(all);
    dc->setFrameColor(kWhiteCColor);
    dc->drawRect(all);
}

bool VGControl::offerModifierClick(CDrawContext* context, long buttons) {
    return listener && (buttons & kModifierButtons) &&
           listener->controlModifierClicked(context, this, buttons) != 0;
}

void VGControl::toggleOnClick(CDrawContext* context, long buttons) {
    if (!takesLeftPress(context, buttons))
        return;
    if (offerModifierClick(context, buttons))
        return;
    setValue(static_cast<int>(value) == 0 ? 1.f : 0.f);
    if (listener) {
        beginEdit();
        listener->valueChanged(context, this);
        endEdit();
    }
    doIdleStuff();
}
