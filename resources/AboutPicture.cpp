// The about picture: drawn by code the first time it is asked for, kept for the process's life.
// It names the maker and both plug-ins, lists the MIDI controllers each one answers, and carries
// the credits, over a backdrop of layered spectra.
#include "AboutCanvas.h"
#include "Resources.h"

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

// A smooth made-up spectrum: a falling slope with a few resonances.
double backdropLevel(double f, int layer) {
    double v = 0.75 - 0.45 * f;
    for (int k = 1; k <= 4; ++k) {
        double c = 0.12 * k + 0.07 * layer;
        v += 0.08 / (1.0 + std::pow((f - c) * (40.0 + 10 * k), 2));
    }
    return v + 0.02 * std::sin(f * (37.0 + 11 * layer));
}

void drawBackdrop(AboutCanvas& c, int w, int h) {
    static constexpr double top[3] = {0.98, 0.97, 0.95}, bottom[3] = {0.86, 0.90, 0.92};
    c.verticalGradient(top, bottom);

    static constexpr double colours[3][3] = {
        {0.17, 0.65, 0.41}, {0.85, 0.31, 0.41}, {0.0, 0.39, 0.58}};
    std::vector<AboutCanvas::Point> outline;
    for (int layer = 0; layer < 3; ++layer) {
        outline.clear();
        outline.push_back({0, double(h)});
        for (int x = 0; x <= w; x += 2) {
            double f = double(x) / w;
            outline.push_back({double(x), h - h * 0.3 * backdropLevel(f, layer)});
        }
        outline.push_back({double(w), double(h)});
        c.fillPolygon(outline, colours[layer], 0.22);
    }
}

void drawControllers(AboutCanvas& c, double x, double y, const char* product,
                     const ControllerLine* lines, int count) {
    c.setColour(0.1, 0.1, 0.1);
    c.text(x, y, 17, true, product);
    c.text(x, y + 17, 10.5, false, "MIDI controllers");
    char buf[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "CC %d", lines[i].controller);
        c.text(x, y + 36 + 15 * i, 11.5, true, buf);
        c.text(x + 48, y + 36 + 15 * i, 11.5, false, lines[i].parameter);
    }
}

std::vector<unsigned char> paintAbout() {
    const int w = kAboutWidth, h = kAboutHeight;
    std::unique_ptr<AboutCanvas> canvas = makeAboutCanvas(w, h);
    AboutCanvas& c = *canvas;
    drawBackdrop(c, w, h);

    c.setColour(0.17, 0.45, 0.32);
    c.text(24, 52, 34, true, "mirelow");
    c.setColour(0.3, 0.3, 0.3);
    c.text(26, 72, 12, false, "spectral processors");
    c.setColour(0.17, 0.45, 0.32);
    c.fillRect(24, 84, w - 48, 2);

    drawControllers(c, 30, 116, "tidemill", kTidemillControllers,
                    int(std::size(kTidemillControllers)));
    drawControllers(c, 240, 116, "wendle", kWendleControllers, int(std::size(kWendleControllers)));

    c.setColour(0.25, 0.25, 0.25);
    c.text(30, 262, 11, false, "design, signal processing and widgets: the mirelow team");
    c.text(30, 278, 11, false, "click anywhere to close");
    c.setColour(0.4, 0.4, 0.4);
    c.text(360, 30, 10, false, "version 1.0");

    std::vector<unsigned char> rgb(size_t(w) * h * 3);
    c.readRgb(rgb.data());
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
