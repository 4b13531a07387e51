// Views and controls.
#include "CView.h"

#include "CBitmap.h"
#include "CFrame.h"

CView::CView(const CRect& r) : size(r) {}
CView::~CView() = default;
void CView::draw(CDrawContext*) {
    setDirty(false);
}
void CView::mouse(CDrawContext*, CPoint&, long) {}

CControl::CControl(const CRect& r, CControlListener* l, long t, CBitmap* background)
    : CView(r), listener(l), tag(t), pBackground(background) {
    if (pBackground)
        pBackground->remember();
}

CControl::~CControl() {
    if (pBackground)
        pBackground->forget();
}

void CControl::setDirty(bool val) {
    CView::setDirty(val);
    if (!val)
        oldValue = value;
}

bool CControl::isDirty() const {
    return bDirty || oldValue != value;
}

void CControl::bounceValue() {
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

void CControl::beginEdit() {
    if (pParentFrame)
        pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (pParentFrame)
        pParentFrame->endEdit(tag);
}

void CControl::doIdleStuff() {
    if (pParentFrame)
        pParentFrame->doIdleStuff();
}

void CControl::getMouseLocation(CDrawContext* context, CPoint& where) {
    if (context)
        context->getMouseLocation(where);
}
