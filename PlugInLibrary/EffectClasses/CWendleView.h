// CWendleView: the framework's custom view of a wendle process. It carries a pointer to the
// process's custom user interface (not owned) and forwards the view operations to it; without one
// it draws nothing. User-interface thread.
#pragma once

#include "CPlugInView.h"
#include "IWendleCustomUI.h"

class CWendleView : public CCustomView {
  public:
    explicit CWendleView(const PIViewRect& rect) : CCustomView(rect) {}

    void SetCustomUI(IWendleCustomUI* ui) { mCustomUI = ui; }
    IWendleCustomUI* GetCustomUI() const { return mCustomUI; }

    PIErr GetRect(PIViewRect& rect) override;
    PIErr SetRect(const PIViewRect& rect) override;
    // Lets CWendleUIError through to the process, which answers it.
    PIErr Open(uint64_t parentWindow) override;
    PIErr Close() override;
    PIErr Idle() override;
    PIErr Draw(const PIViewRect& rect) override;
    PIErr SetControlValue(int32_t control, int32_t value) override;
    PIErr SetControlHighlight(int32_t control, bool highlighted, int32_t colour) override;
    PIErr GetControlAtPoint(int32_t x, int32_t y, int32_t* control) override;

  private:
    IWendleCustomUI* mCustomUI = nullptr;
};
