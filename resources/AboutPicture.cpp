// The about picture: drawn by code the first time it is asked for, kept for the process's life.
// It names the maker and both plug-ins, lists the MIDI controllers each one answers, and carries
// the credits, over a backdrop of layered spectra.
#include "Resources.h"

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <vector>

namespace mirelow::resources {
namespace {

struct ControllerLine {
    int controller;
    const char* parameter;
};

constexpr ControllerLine kTidemillControllers[] = {
    {7, "makeup gain"}, {73, "attack"},    {72, "release"},
    {76, "ratio"},      {75, "threshold"}, {77, "tilt"},
};

constexpr ControllerLine kWendleControllers[] = {
    {7, "makeup gain"},    {75, "filter depth"}, {76, "tilt"},
    {77, "filter number"}, {78, "filter lfo"},
};

void text(cairo_t* cr, double x, double y, double size, bool bold, const char* s) {
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, s);
}

// A smooth made-up spectrum: a falling slope with a few resonances.
double backdropLevel(double f, int layer) {
    double v = 0.75 - 0.45 * f;
    for (int k = 1; k <= 4; ++k) {
        double c = 0.12 * k + 0.07 * layer;
        v += 0.08 / (1.0 + std::pow((f - c) * (40.0 + 10 * k), 2));
    }
    return v + 0.02 * std::sin(f * (37.0 + 11 * layer));
}

void drawBackdrop(cairo_t* cr, int w, int h) {
    cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(bg, 0, 0.98, 0.97, 0.95);
    cairo_pattern_add_color_stop_rgb(bg, 1, 0.86, 0.90, 0.92);
    cairo_set_source(cr, bg);
    cairo_paint(cr);
    cairo_pattern_destroy(bg);

    static constexpr double colours[3][3] = {
        {0.17, 0.65, 0.41}, {0.85, 0.31, 0.41}, {0.0, 0.39, 0.58}};
    for (int layer = 0; layer < 3; ++layer) {
        cairo_move_to(cr, 0, h);
        for (int x = 0; x <= w; x += 2) {
            double f = double(x) / w;
            cairo_line_to(cr, x, h - h * 0.3 * backdropLevel(f, layer));
        }
        cairo_line_to(cr, w, h);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, colours[layer][0], colours[layer][1], colours[layer][2], 0.22);
        cairo_fill(cr);
    }
}

void drawControllers(cairo_t* cr, double x, double y, const char* product,
                     const ControllerLine* lines, int count) {
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    text(cr, x, y, 17, true, product);
    text(cr, x, y + 17, 10.5, false, "MIDI controllers");
    char buf[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "CC %d", lines[i].controller);
        text(cr, x, y + 36 + 15 * i, 11.5, true, buf);
        text(cr, x + 48, y + 36 + 15 * i, 11.5, false, lines[i].parameter);
    }
}

std::vector<unsigned char> paintAbout() {
    const int w = kAboutWidth, h = kAboutHeight;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(s);
    drawBackdrop(cr, w, h);

    cairo_set_source_rgb(cr, 0.17, 0.45, 0.32);
    text(cr, 24, 52, 34, true, "mirelow");
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    text(cr, 26, 72, 12, false, "spectral processors");
    cairo_set_source_rgb(cr, 0.17, 0.45, 0.32);
    cairo_rectangle(cr, 24, 84, w - 48, 2);
    cairo_fill(cr);

    drawControllers(cr, 30, 116, "tidemill", kTidemillControllers,
                    int(std::size(kTidemillControllers)));
    drawControllers(cr, 240, 116, "wendle", kWendleControllers, int(std::size(kWendleControllers)));

    cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
    text(cr, 30, 262, 11, false, "design, signal processing and widgets: the mirelow team");
    text(cr, 30, 278, 11, false, "click anywhere to close");
    cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
    text(cr, 360, 30, 10, false, "version 1.0");

    cairo_destroy(cr);
    cairo_surface_flush(s);
    std::vector<unsigned char> rgb(size_t(w) * h * 3);
    const unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = (row[x] >> 16) & 0xFF;
            p[1] = (row[x] >> 8) & 0xFF;
            p[2] = row[x] & 0xFF;
        }
    }
    cairo_surface_destroy(s);
    return rgb;
}

} // namespace

const BitmapResource* findBitmap(int id) {
    if (id != kAboutBitmapId)
        return nullptr;
    static std::once_flag once;
    static std::vector<unsigned char> pixels;
    static BitmapResource about{kAboutWidth, kAboutHeight, nullptr};
    std::call_once(once, [] {
        pixels = paintAbout();
        about.rgb = pixels.data();
    });
    return &about;
}

} // namespace mirelow::resources
