// Plain drawing and off-screen contexts on cairo.
#include "CairoSurface.h"
#include "engine/Resident.h"
#include "vstgui/CFrame.h"

#include <cmath>
#include <cstring>
#include <string>

namespace vstgui_detail {

static std::string latin1ToUtf8(const char* text, size_t length) {
    std::string out;
    out.reserve(length + 8);
    for (size_t i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

void selectFont(cairo_t* cr, long style, double size) {
    // One face per style, kept for the life of the process.
    static cairo_font_face_t* faces[4] = {};
    int idx = (style & kBoldFace ? 1 : 0) | (style & kItalicFace ? 2 : 0);
    if (!faces[idx])
        faces[idx] = cairo_toy_font_face_create(
            "Liberation Sans", (idx & 2) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
            (idx & 1) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_face(cr, faces[idx]);
    cairo_set_font_size(cr, size > 0 ? size : 1);
}

double layoutText(cairo_t* cr, const char* text, size_t length, int extra, double x, double y,
                  bool draw) {
    if (length == 0)
        return 0;
    std::string utf8 = latin1ToUtf8(text, length);
    if (extra == 0) {
        cairo_text_extents_t ext;
        cairo_text_extents(cr, utf8.c_str(), &ext);
        if (draw) {
            cairo_move_to(cr, x, y);
            cairo_show_text(cr, utf8.c_str());
        }
        return ext.x_advance;
    }
    cairo_scaled_font_t* sf = cairo_get_scaled_font(cr);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(sf, x, y, utf8.c_str(), static_cast<int>(utf8.size()),
                                         &glyphs, &count, nullptr, nullptr,
                                         nullptr) != CAIRO_STATUS_SUCCESS)
        return 0;
    for (int i = 0; i < count; ++i)
        glyphs[i].x += double(i) * extra;
    cairo_text_extents_t ext;
    cairo_glyph_extents(cr, glyphs, count, &ext);
    // The extents hold the spacing between glyphs; it follows the last character too.
    double width = ext.x_advance + extra;
    if (draw)
        cairo_show_glyphs(cr, glyphs, count);
    cairo_glyph_free(glyphs);
    return width;
}

void keepCairoLoaded() {
    // cairo and the libraries it brings in (fontconfig, pixman, X11 ...) keep process-wide state
    // from the moment they are loaded; a plug-in unloaded by its host would otherwise lose it at
    // every unload (some 12 KB each time, before anything is drawn).
    static const bool kept =
        (resident::keepLibraryOf(reinterpret_cast<const void*>(&cairo_create)), true);
    (void)kept;
}

void addEllipsePath(cairo_t* cr, double x, double y, double w, double h) {
    if (w <= 0 || h <= 0)
        return;
    cairo_save(cr);
    cairo_translate(cr, x + w / 2, y + h / 2);
    cairo_scale(cr, w / 2, h / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_close_path(cr);
    cairo_restore(cr);
}

} // namespace vstgui_detail

using namespace vstgui_detail;

namespace {
// At load: whatever module links the toolkit keeps cairo for good.
const bool cairoKeptAtLoad = (keepCairoLoaded(), true);
} // namespace

CDrawContext::CDrawContext(CFrame* frame, CDrawSurface* surf) : pFrame(frame), surface(surf) {
    keepCairoLoaded();
}

CDrawContext::~CDrawContext() {
    if (!surface)
        return;
    if (surface->cr)
        cairo_destroy(surface->cr);
    if (surface->image)
        cairo_surface_destroy(surface->image);
    delete surface;
}

static void setSourceColor(cairo_t* cr, const CColor& c) {
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

static void prepareStroke(cairo_t* cr, CDrawMode drawMode, CCoord frameWidth,
                          const CColor& frameColor) {
    cairo_set_antialias(cr,
                        drawMode == kAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, frameWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    setSourceColor(cr, frameColor);
}

void CDrawContext::lineTo(const CPoint& p) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    prepareStroke(cr, drawMode, frameWidth, frameColor);
    // Pixel centres, so that a 1-pixel line covers exactly one row or column.
    cairo_move_to(cr, penLoc.x + 0.5, penLoc.y + 0.5);
    cairo_line_to(cr, p.x + 0.5, p.y + 0.5);
    cairo_stroke(cr);
    penLoc = p;
}

void CDrawContext::drawRect(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    prepareStroke(cr, drawMode, frameWidth, frameColor);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
    cairo_stroke(cr);
}

void CDrawContext::fillRect(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    setSourceColor(cr, fillColor);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void CDrawContext::drawEllipse(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    prepareStroke(cr, drawMode, frameWidth, frameColor);
    addEllipsePath(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
    cairo_stroke(cr);
}

void CDrawContext::fillEllipse(const CRect& r) {
    cairo_t* cr = cairoOf(this);
    if (!cr)
        return;
    cairo_set_antialias(cr,
                        drawMode == kAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    setSourceColor(cr, fillColor);
    addEllipsePath(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
}

void CDrawContext::setFont(int fontID, CCoord size, long style) {
    static constexpr CCoord standardSizes[kNumStandardFonts] = {12, 18, 14, 12, 11, 10, 9, 13};
    if (fontID < 0 || fontID >= kNumStandardFonts)
        fontID = kNormalFont;
    fontId = fontID;
    fontSize = size > 0 ? size : standardSizes[fontID];
    fontStyle = style;
}

static void prepareAliasedText(cairo_t* cr, long style, double size) {
    selectFont(cr, style, size);
    cairo_font_options_t* opts = cairo_font_options_create();
    cairo_font_options_set_antialias(opts, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, opts);
    cairo_font_options_destroy(opts);
}

CCoord CDrawContext::getStringWidth(const char* text) {
    cairo_t* cr = cairoOf(this);
    if (!cr || !text)
        return 0;
    cairo_save(cr);
    prepareAliasedText(cr, fontStyle, fontSize);
    double w = layoutText(cr, text, std::strlen(text), charExtra, 0, 0, false);
    cairo_restore(cr);
    return static_cast<CCoord>(std::lround(w));
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque,
                              CHoriTxtAlign align) {
    cairo_t* cr = cairoOf(this);
    if (!cr || !text)
        return;
    if (opaque)
        fillRect(rect);
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    prepareAliasedText(cr, fontStyle, fontSize);
    size_t len = std::strlen(text);
    double w = layoutText(cr, text, len, charExtra, 0, 0, false);
    double x = rect.left;
    if (align == kCenterText)
        x = rect.left + (rect.width() - w) / 2;
    else if (align == kRightText)
        x = rect.right - w;
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double y = std::round(rect.top + (rect.height() - (fe.ascent + fe.descent)) / 2 + fe.ascent);
    x = std::round(x);
    setSourceColor(cr, fontColor);
    layoutText(cr, text, len, charExtra, x, y, true);
    if (fontStyle & kUnderlineFace) {
        double t = std::max(1.0, std::round(fontSize / 14.0));
        cairo_rectangle(cr, x, y + std::round(fontSize * 0.1), std::round(w), t);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

long CDrawContext::getMouseButtons() {
    return pFrame ? pFrame->getMouseButtons() : 0;
}

void CDrawContext::getMouseLocation(CPoint& where) {
    if (pFrame)
        pFrame->getMouseLocation(where);
}

// An RGB image of w × h (at least 1 × 1) filled with `background`; null when it cannot be made.
static CDrawSurface* makeBitmap(CCoord w, CCoord h, const CColor& background) {
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, w > 0 ? w : 1, h > 0 ? h : 1);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, background.red / 255.0, background.green / 255.0,
                         background.blue / 255.0);
    cairo_paint(cr);
    return new CDrawSurface{s, cr};
}

COffscreenContext::COffscreenContext(CFrame* frame, CCoord w, CCoord h, const CColor& background)
    : CDrawContext(frame, makeBitmap(w, h, background)), width(w), height(h) {}

COffscreenContext::~COffscreenContext() = default;

bool COffscreenContext::isValid() const {
    cairo_t* cr = cairoOf(this);
    return cr && cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

void COffscreenContext::copyFrom(CDrawContext* dest, CRect destRect, CPoint srcOffset) {
    cairo_t* d = cairoOf(dest);
    if (!d || !isValid())
        return;
    cairo_surface_t* image = imageOf(this);
    cairo_surface_flush(image);
    cairo_save(d);
    cairo_set_operator(d, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(d, image, destRect.left - srcOffset.x, destRect.top - srcOffset.y);
    cairo_rectangle(d, destRect.left, destRect.top, destRect.width(), destRect.height());
    cairo_fill(d);
    cairo_restore(d);
}

uint32_t COffscreenContext::getPixel(CCoord x, CCoord y) const {
    cairo_surface_t* image = imageOf(this);
    if (!image || x < 0 || y < 0 || x >= cairo_image_surface_get_width(image) ||
        y >= cairo_image_surface_get_height(image))
        return 0;
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
}

bool COffscreenContext::writePng(const char* path) const {
    cairo_surface_t* image = imageOf(this);
    if (!image)
        return false;
    cairo_surface_flush(image);
    return cairo_surface_write_to_png(image, path) == CAIRO_STATUS_SUCCESS;
}
