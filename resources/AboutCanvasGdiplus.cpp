// The about picture's canvas on a GDI+ bitmap.
#include "AboutCanvas.h"

#include <windows.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdint>
#include <string>

namespace mirelow::resources {
namespace {

using namespace Gdiplus;

BYTE channel(double v) {
    return BYTE(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5);
}

Color colourOf(const double rgb[3], double alpha = 1.0) {
    return Color(channel(alpha), channel(rgb[0]), channel(rgb[1]), channel(rgb[2]));
}

// GDI+ started for as long as the canvas lives (the picture is painted once, on first use).
class Session {
  public:
    Session() {
        GdiplusStartupInput input;
        ok = GdiplusStartup(&token, &input, nullptr) == Ok;
    }
    ~Session() {
        if (ok)
            GdiplusShutdown(token);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    bool ok = false;

  private:
    ULONG_PTR token = 0;
};

class GdiplusCanvas : public AboutCanvas {
  public:
    GdiplusCanvas(int w, int h) : width(w), height(h) {
        if (!session.ok)
            return;
        bitmap = new Bitmap(w, h, PixelFormat32bppRGB);
        graphics = new Graphics(bitmap);
        graphics->SetSmoothingMode(SmoothingModeAntiAlias);
        graphics->SetTextRenderingHint(TextRenderingHintAntiAlias);
        family = new FontFamily(L"Arial");
        if (family->GetLastStatus() != Ok) {
            // No Arial on this system: the system's sans-serif face, if any.
            delete family;
            const FontFamily* generic = FontFamily::GenericSansSerif();
            family = generic && generic->GetLastStatus() == Ok ? generic->Clone() : nullptr;
        }
    }
    ~GdiplusCanvas() override {
        delete graphics;
        delete bitmap;
        delete family;
    }

    void verticalGradient(const double top[3], const double bottom[3]) override {
        if (!graphics)
            return;
        LinearGradientBrush brush(Gdiplus::Point(0, 0), Gdiplus::Point(0, height), colourOf(top),
                                  colourOf(bottom));
        graphics->FillRectangle(&brush, 0, 0, width, height);
    }

    void fillPolygon(const std::vector<AboutCanvas::Point>& outline, const double rgb[3],
                     double alpha) override {
        if (!graphics || outline.size() < 3)
            return;
        std::vector<PointF> points;
        points.reserve(outline.size());
        for (const AboutCanvas::Point& p : outline)
            points.emplace_back(REAL(p.x), REAL(p.y));
        SolidBrush brush(colourOf(rgb, alpha));
        graphics->FillPolygon(&brush, points.data(), INT(points.size()));
    }

    void setColour(double red, double green, double blue) override {
        const double rgb[3] = {red, green, blue};
        colour = colourOf(rgb);
    }

    void text(double x, double y, double size, bool bold, const char* s) override {
        if (!graphics || !family)
            return;
        const INT style = bold ? FontStyleBold : FontStyleRegular;
        Font font(family, REAL(size), style, UnitPixel);
        // GDI+ places text by the top of its line; the canvas by the baseline.
        const double ascent =
            size * family->GetCellAscent(style) / std::max<UINT16>(1, family->GetEmHeight(style));
        std::wstring wide(s, s + std::char_traits<char>::length(s));
        SolidBrush brush(colour);
        graphics->DrawString(wide.c_str(), INT(wide.size()), &font,
                             PointF(REAL(x), REAL(y - ascent)), StringFormat::GenericTypographic(),
                             &brush);
    }

    void fillRect(double x, double y, double w, double h) override {
        if (!graphics)
            return;
        SolidBrush brush(colour);
        graphics->FillRectangle(&brush, REAL(x), REAL(y), REAL(w), REAL(h));
    }

    void readRgb(unsigned char* rgb) override {
        std::fill(rgb, rgb + size_t(width) * height * 3, 0);
        if (!bitmap)
            return;
        graphics->Flush(FlushIntentionSync);
        BitmapData data;
        Rect all(0, 0, width, height);
        if (bitmap->LockBits(&all, ImageLockModeRead, PixelFormat32bppRGB, &data) != Ok)
            return;
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<const unsigned char*>(data.Scan0) + y * data.Stride);
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
                p[0] = (row[x] >> 16) & 0xFF;
                p[1] = (row[x] >> 8) & 0xFF;
                p[2] = row[x] & 0xFF;
            }
        }
        bitmap->UnlockBits(&data);
    }

  private:
    int width, height;
    Session session;
    Bitmap* bitmap = nullptr;
    Graphics* graphics = nullptr;
    FontFamily* family = nullptr;
    Color colour{255, 0, 0, 0};
};

} // namespace

std::unique_ptr<AboutCanvas> makeAboutCanvas(int w, int h) {
    return std::make_unique<GdiplusCanvas>(w, h);
}

} // namespace mirelow::resources
