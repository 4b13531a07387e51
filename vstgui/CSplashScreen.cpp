// The splash control: a bitmap shown over the frame until the next click.
#include "CBitmap.h"

#include "CDrawContext.h"
#include "CFrame.h"

namespace {

// The picture itself, shown above every view while the splash is on.
class SplashView : public CView {
  public:
    SplashView(const CRect& r, CBitmap* bmp, const CPoint& off, CSplashScreen* owner)
        : CView(r), bitmap(bmp), offset(off), splash(owner) {
        bitmap->remember();
    }
    ~SplashView() override { bitmap->forget(); }
    void draw(CDrawContext* context) override {
        bitmap->draw(context, size, offset);
        setDirty(false);
    }
    void mouse(CDrawContext* context, CPoint&, long) override { splash->unSplash(context); }

  private:
    CBitmap* bitmap;
    CPoint offset;
    CSplashScreen* splash;
};

} // namespace

CSplashScreen::CSplashScreen(const CRect& r, CControlListener* l, long t, CBitmap* bitmap,
                             const CRect& display, const CPoint& off)
    : CControl(r, l, t, bitmap), toDisplay(display), offset(off) {
    value = 0.f;
}

CSplashScreen::~CSplashScreen() = default;

// Transparent over what lies beneath it: the control only catches clicks.
void CSplashScreen::draw(CDrawContext*) {
    setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint&, long buttons) {
    if (!takesLeftPress(context, buttons))
        return;
    if (shown) {
        unSplash(context);
        return;
    }
    if (!pBackground || !pBackground->isLoaded() || !pParentFrame)
        return;
    shown = true;
    value = 1.f;
    pParentFrame->setModalView(new SplashView(toDisplay, pBackground, offset, this));
    if (listener)
        listener->valueChanged(context, this);
}

void CSplashScreen::unSplash(CDrawContext* context) {
    if (!shown)
        return;
    shown = false;
    value = 0.f;
    if (pParentFrame)
        pParentFrame->setModalView(nullptr);
    if (listener)
        listener->valueChanged(context, this);
}
