// Bitmaps from the compiled-in resources, on device-independent bitmaps.
#include "GdiSurface.h"
#include "resources/Resources.h"
#include "vstgui/CBitmap.h"

using namespace vstgui_detail;

CBitmap::CBitmap(long id) : resourceID(id) {
    const mirelow::resources::BitmapResource* res =
        mirelow::resources::findBitmap(static_cast<int>(id));
    if (!res)
        return;
    picture = makeSurface(res->width, res->height, 0);
    if (!picture)
        return;
    width = res->width;
    height = res->height;
    GdiFlush();
    for (int y = 0; y < height; ++y) {
        uint32_t* row = picture->bits + size_t(y) * width;
        const unsigned char* src = res->rgb + size_t(y) * width * 3;
        for (int x = 0; x < width; ++x)
            row[x] =
                (uint32_t(src[3 * x]) << 16) | (uint32_t(src[3 * x + 1]) << 8) | src[3 * x + 2];
    }
}

CBitmap::~CBitmap() {
    destroySurface(picture);
}

void CBitmap::draw(CDrawContext* context, const CRect& dest, const CPoint& off) {
    HDC dc = dcOf(context);
    if (!picture || !dc)
        return;
    GdiFlush();
    BitBlt(dc, dest.left, dest.top, dest.width(), dest.height(), picture->dc, off.x, off.y,
           SRCCOPY);
    GdiFlush();
}
