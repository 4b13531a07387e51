// What the about picture is painted on: the few operations it needs, on the platform's drawing
// library (cairo, or GDI+ on Windows). For the resources' own files.
#pragma once

#include <memory>
#include <vector>

namespace mirelow::resources {

class AboutCanvas {
  public:
    struct Point {
        double x, y;
    };
    virtual ~AboutCanvas() = default;
    // Fills the whole picture with a gradient from `top` (first row) to `bottom` (last row);
    // colours are red, green, blue from 0 to 1.
    virtual void verticalGradient(const double top[3], const double bottom[3]) = 0;
    // Fills the closed outline, anti-aliased, with the colour at the opacity `alpha`.
    virtual void fillPolygon(const std::vector<Point>& outline, const double rgb[3],
                             double alpha) = 0;
    // The colour of the text and rectangles that follow.
    virtual void setColour(double red, double green, double blue) = 0;
    // Text in the sans-serif face with its baseline starting at (x, y), em size in pixels.
    virtual void text(double x, double y, double size, bool bold, const char* s) = 0;
    virtual void fillRect(double x, double y, double w, double h) = 0;
    // The picture as rows of red, green, blue bytes, top to bottom, no padding.
    virtual void readRgb(unsigned char* rgb) = 0;
};

// A canvas of w × h pixels.
std::unique_ptr<AboutCanvas> makeAboutCanvas(int w, int h);

} // namespace mirelow::resources
