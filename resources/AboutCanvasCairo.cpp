// The about picture's canvas on a cairo image.
#include "AboutCanvas.h"

#include <cairo.h>

#include <cstdint>

namespace mirelow::resources {
namespace {

class CairoCanvas : public AboutCanvas {
  public:
    CairoCanvas(int w, int h)
        : width(w), height(h), surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)),
          cr(cairo_create(surface)) {}
    ~CairoCanvas() override {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }

    void verticalGradient(const double top[3], const double bottom[3]) override {
        cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, height);
        cairo_pattern_add_color_stop_rgb(bg, 0, top[0], top[1], top[2]);
        cairo_pattern_add_color_stop_rgb(bg, 1, bottom[0], bottom[1], bottom[2]);
        cairo_set_source(cr, bg);
        cairo_paint(cr);
        cairo_pattern_destroy(bg);
    }

    void fillPolygon(const std::vector<Point>& outline, const double rgb[3],
                     double alpha) override {
        if (outline.empty())
            return;
        cairo_move_to(cr, outline[0].x, outline[0].y);
        for (size_t i = 1; i < outline.size(); ++i)
            cairo_line_to(cr, outline[i].x, outline[i].y);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, rgb[0], rgb[1], rgb[2], alpha);
        cairo_fill(cr);
    }

    void setColour(double red, double green, double blue) override {
        cairo_set_source_rgb(cr, red, green, blue);
    }

    void text(double x, double y, double size, bool bold, const char* s) override {
        cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, size);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, s);
    }

    void fillRect(double x, double y, double w, double h) override {
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    }

    void readRgb(unsigned char* rgb) override {
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
            for (int x = 0; x < width; ++x) {
                unsigned char* p = &rgb[(size_t(y) * width + x) * 3];
                p[0] = (row[x] >> 16) & 0xFF;
                p[1] = (row[x] >> 8) & 0xFF;
                p[2] = row[x] & 0xFF;
            }
        }
    }

  private:
    int width, height;
    cairo_surface_t* surface;
    cairo_t* cr;
};

} // namespace

std::unique_ptr<AboutCanvas> makeAboutCanvas(int w, int h) {
    return std::make_unique<CairoCanvas>(w, h);
}

} // namespace mirelow::resources
