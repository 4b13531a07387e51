// The wendle process's custom view: every operation goes to the custom user interface.
#include "CWendleView.h"

PIErr CWendleView::GetRect(PIViewRect& rect) {
    if (!mCustomUI)
        return CCustomView::GetRect(rect);
    mCustomUI->GetRect(&rect.left, &rect.top, &rect.right, &rect.bottom);
    mRect = rect;
    return kPINoErr;
}

PIErr CWendleView::SetRect(const PIViewRect& rect) {
    CCustomView::SetRect(rect);
    if (mCustomUI)
        mCustomUI->SetRect(rect.left, rect.top, rect.right, rect.bottom);
    return kPINoErr;
}

PIErr CWendleView::Open(uint64_t parentWindow) {
    if (!mCustomUI)
        return kPIErr_Unsupported;
    mCustomUI->Open(parentWindow);
    return kPINoErr;
}

PIErr CWendleView::Close() {
    if (mCustomUI)
        mCustomUI->Close();
    return kPINoErr;
}

PIErr CWendleView::Idle() {
    if (mCustomUI)
        mCustomUI->Idle();
    return kPINoErr;
}

PIErr CWendleView::Draw(const PIViewRect& rect) {
    if (mCustomUI)
        mCustomUI->Draw(rect.left, rect.top, rect.right, rect.bottom);
    return kPINoErr;
}

PIErr CWendleView::SetControlValue(int32_t control, int32_t value) {
    if (mCustomUI)
        mCustomUI->SetControlValue(control, value);
    return kPINoErr;
}

PIErr CWendleView::SetControlHighlight(int32_t control, bool highlighted, int32_t colour) {
    if (mCustomUI)
        mCustomUI->SetControlHighlight(control, highlighted, colour);
    return kPINoErr;
}

PIErr CWendleView::GetControlAtPoint(int32_t x, int32_t y, int32_t* control) {
    *control = 0;
    if (mCustomUI)
        mCustomUI->GetControlAtPoint(x, y, control);
    return kPINoErr;
}
