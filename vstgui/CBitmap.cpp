// Bitmaps from the compiled-in resources and the splash control.
#include "CBitmap.h"

#include "CDrawContext.h"
#include "CFrame.h"
#include "resources/Resources.h"

#include <cstring>

CBitmap::CBitmap(long id) : resourceID(id) {
    keepCairoLoaded();
    const mirelow::resources::BitmapResource* res =
        mirelow::resources::findBitmap(static_cast<int>(id));
    if (!res)
        return;
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, res->width, res->height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        surface = nullptr;
        return;
    }
    width = res->width;
    height = res->height;
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        const unsigned char* src = res->rgb + size_t(y) * width * 3;
        for (int x = 0; x < width; ++x)
            row[x] =
                (uint32_t(src[3 * x]) << 16) | (uint32_t(src[3 * x + 1]) << 8) | src[3 * x + 2];
    }
    cairo_surface_mark_dirty(surface);
}

CBitmap::~CBitmap() {
    if (surface)
        cairo_surface_destroy(surface);
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& off) {
    if (!surface || !context || !context->getCairo())
        return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, surface, dest.left - off.x, dest.top - off.y);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_fill(cr);
    cairo_restore(cr);
}

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
