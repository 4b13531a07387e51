// Comparing a picture of an editor taken on another platform with the editor here, by layout
// rather than by pixels (the platforms' drawing libraries anti-alias and set text differently):
// the picture is the editor's size; every pixel outside the widgets (and a one-pixel margin
// around them) is the frame's background; each widget's rectangle has about the same mean colour
// in both.
#pragma once

#include "vstgui/CFrame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace editorlayout {

// How far the mean of a channel over a widget may stray (of 255).
constexpr double kMeanTolerance = 24;
// How many background pixels may differ (of all of them): a stray pixel or two of a glyph.
constexpr double kBackgroundTolerance = 0.002;

// 0x00RRGGBB of the other picture's pixel (x, y).
using Picture = std::function<uint32_t(int x, int y)>;

struct Mean {
    double r = 0, g = 0, b = 0;
    void add(uint32_t p) {
        r += (p >> 16) & 0xFF;
        g += (p >> 8) & 0xFF;
        b += p & 0xFF;
    }
    Mean over(double n) const { return {r / n, g / n, b / n}; }
    double distance(const Mean& o) const {
        return std::max({std::abs(r - o.r), std::abs(g - o.g), std::abs(b - o.b)});
    }
};

// One line per disagreement of the w × h picture with `frame`; empty when the layouts match.
inline std::vector<std::string> compare(CFrame* frame, const Picture& other, int w, int h) {
    std::vector<std::string> faults;
    char line[200];
    const CRect size = frame->getViewSize();
    if (w != size.width() || h != size.height()) {
        std::snprintf(line, sizeof line, "picture %d x %d, editor %d x %d", w, h, size.width(),
                      size.height());
        faults.push_back(line);
        return faults;
    }
    std::vector<CRect> widgets;
    for (int i = 0; i < frame->getNbViews(); ++i)
        widgets.push_back(frame->getView(i)->getViewSize());
    const CColor bg = frame->getBackgroundColor();
    const uint32_t background = (uint32_t(bg.red) << 16) | (uint32_t(bg.green) << 8) | bg.blue;
    long outside = 0, wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool covered = false;
            for (const CRect& r : widgets)
                covered =
                    covered || (x >= r.left - 1 && x <= r.right && y >= r.top - 1 && y <= r.bottom);
            if (covered)
                continue;
            ++outside;
            wrong += other(x, y) != background;
        }
    if (outside > 0 && double(wrong) > kBackgroundTolerance * double(outside)) {
        std::snprintf(line, sizeof line,
                      "background: %ld of %ld pixels outside the widgets are not %06X", wrong,
                      outside, background);
        faults.push_back(line);
    }
    for (size_t i = 0; i < widgets.size(); ++i) {
        CRect r = widgets[i];
        r.bound(CRect(0, 0, w, h));
        if (r.isEmpty())
            continue;
        Mean here, there;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                here.add(frame->getPixel(x, y));
                there.add(other(x, y));
            }
        const double n = double(r.width()) * r.height();
        const Mean a = here.over(n), b = there.over(n);
        if (a.distance(b) > kMeanTolerance) {
            std::snprintf(line, sizeof line,
                          "widget %zu at (%d, %d)-(%d, %d): mean colour %.0f %.0f %.0f here, "
                          "%.0f %.0f %.0f in the picture",
                          i, r.left, r.top, r.right, r.bottom, a.r, a.g, a.b, b.r, b.g, b.b);
            faults.push_back(line);
        }
    }
    return faults;
}

} // namespace editorlayout
