// Labels and the logo bar.
#include "VGLabels.h"

VGSimpleLabel::VGSimpleLabel(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {}
VGSimpleLabel::~VGSimpleLabel() = default;
void VGSimpleLabel::mouse(CDrawContext* context, CPoint&, long buttons) {
    toggleOnClick(context, buttons);
}

void VGSimpleLabel::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    paintWhite(dc);
    const CRect all(0, 0, width, height);
    fitFontSize(dc, label, width, height);
    dc->setFont(fontId, fontSize - 2, fontStyle);
    dc->setFontColor(scheme->text);
    dc->drawString(label, all, false, kCenterText);
    endPaint(context, dc);
}

VGBottomLabel::VGBottomLabel(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {}
VGBottomLabel::~VGBottomLabel() = default;
void VGBottomLabel::mouse(CDrawContext* context, CPoint&, long buttons) {
    toggleOnClick(context, buttons);
}

void VGBottomLabel::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    const CRect all(0, 0, width, height);
    dc->setFillColor(backColor);
    dc->fillRect(all);
    dc->setFrameColor(backColor);
    dc->drawRect(all);
    fitFontSize(dc, label, width, height);
    dc->setFont(fontId, fontSize, fontStyle);
    dc->setFontColor(scheme->text);
    dc->drawString(label, all, false, kCenterText);
    endPaint(context, dc);
}

VGLogo::VGLogo(const CRect& r, CControlListener* l, long t, WidgetScheme* s)
    : VGControl(r, l, t, s) {}
VGLogo::~VGLogo() = default;
void VGLogo::mouse(CDrawContext* context, CPoint&, long buttons) {
    toggleOnClick(context, buttons);
}

void VGLogo::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    paintWhite(dc);
    const CRect inner(1, 1, width - 1, height - 1);
    const int mark = inner.height();
    textRect = inner;
    textRect.left = inner.left + mark + 3;

    // The mark: a disc in accent holding a face ring, a light square and a white core.
    const CRect m(inner.left, inner.top, inner.left + mark, inner.bottom);
    auto inset = [](CRect r, int d) { return r.inset(d, d); };
    dc->setFillColor(scheme->accent);
    dc->fillEllipse(m);
    dc->setFillColor(scheme->face);
    dc->fillEllipse(inset(m, mark / 8));
    dc->setFillColor(lightColor(scheme->face));
    dc->fillRect(inset(m, mark * 3 / 10));
    dc->setFillColor(kWhiteCColor);
    dc->fillEllipse(inset(m, mark * 4 / 10));

    // The bar: accent, framed, with a lighter band 2 pixels in; the maker's name sits on a white
    // panel at its left end.
    const CColor accent = scheme->accent;
    const CColor lighter{static_cast<unsigned char>((accent.red * 3 + 255) / 4),
                         static_cast<unsigned char>((accent.green * 3 + 255) / 4),
                         static_cast<unsigned char>((accent.blue * 3 + 255) / 4), 255};
    dc->setFillColor(accent);
    dc->fillRect(textRect);
    dc->setFrameColor(accent);
    dc->drawRect(textRect);
    dc->setFillColor(lighter);
    dc->fillRect(inset(textRect, 2));

    const int nameWidth = textRect.width() * 28 / 100;
    CRect name(textRect.left + 2, textRect.top + 2, textRect.left + 2 + nameWidth,
               textRect.bottom - 2);
    dc->setFillColor(kWhiteCColor);
    dc->fillRect(name);
    fontStyle = 8;
    fitFontSize(dc, kMakerName, name.width() - 4, name.height());
    dc->setFont(fontId, fontSize, fontStyle);
    dc->setFontColor(scheme->face);
    dc->drawString(kMakerName, name, false, kCenterText);

    CRect rest(name.right + 4, textRect.top + 2, textRect.right - 4, textRect.bottom - 2);
    fontStyle = 16;
    fitFontSize(dc, label, rest.width(), rest.height());
    dc->setFont(fontId, fontSize, fontStyle);
    dc->setFontColor(kWhiteCColor);
    dc->drawString(label, rest, false, kCenterText);
    fontStyle = 0;
    endPaint(context, dc);
}
