// The drawing surface on cairo, for the toolkit's and the widget set's cairo files only.
#pragma once

#include "vstgui/CDrawContext.h"

#include <cairo.h>

#include <cstddef>

struct CDrawSurface {
    cairo_surface_t* image = nullptr;
    cairo_t* cr = nullptr;
};

namespace vstgui_detail {

// The cairo context of a draw context, null when it has no surface.
inline cairo_t* cairoOf(const CDrawContext* context) {
    return context && context->getDrawSurface() ? context->getDrawSurface()->cr : nullptr;
}
inline cairo_surface_t* imageOf(const CDrawContext* context) {
    return context && context->getDrawSurface() ? context->getDrawSurface()->image : nullptr;
}

// Keeps cairo loaded for the rest of the process once anything draws (see engine/Resident.h).
void keepCairoLoaded();
// Lays out `text` (8-bit, each byte one character) as glyphs on the current font of `cr`, with
// `extra` pixels added after every character; returns the advance width.
double layoutText(cairo_t* cr, const char* text, size_t length, int extra, double x, double y,
                  bool draw);
// Selects the sans-serif face with the given style bits and em size in pixels.
void selectFont(cairo_t* cr, long style, double size);
// Adds the ellipse inscribed in the box (x, y, w, h) to the current path; nothing when empty.
void addEllipsePath(cairo_t* cr, double x, double y, double w, double h);

} // namespace vstgui_detail
