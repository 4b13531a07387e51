// Bitmaps from the compiled-in resources, on cairo images.
#include "CairoSurface.h"
#include "resources/Resources.h"
#include "vstgui/CBitmap.h"

#include <cstring>

using namespace vstgui_detail;

CBitmap::CBitmap(long id) : resourceID(id) {
    keepCairoLoaded();
    const mirelow::resources::BitmapResource* res =
        mirelow::resources::findBitmap(static_cast<int>(id));
    if (!res)
        return;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, res->width, res->height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
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
    picture = new CDrawSurface{surface, nullptr};
}

CBitmap::~CBitmap() {
    if (picture)
        cairo_surface_destroy(picture->image);
    delete picture;
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& off) {
    cairo_t* cr = cairoOf(context);
    if (!picture || !cr)
        return;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, picture->image, dest.left - off.x, dest.top - off.y);
    cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
    cairo_fill(cr);
    cairo_restore(cr);
}
