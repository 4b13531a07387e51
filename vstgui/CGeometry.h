// Value types of the toolkit: points, rectangles, colours and the drawing enumerations.
#pragma once

#include <algorithm>
#include <cstdint>

using CCoord = int32_t;

struct CPoint {
    CCoord x = 0, y = 0;
    CPoint() = default;
    CPoint(CCoord x_, CCoord y_) : x(x_), y(y_) {}
    bool operator==(const CPoint&) const = default;
    CPoint& offset(CCoord dx, CCoord dy) {
        x += dx;
        y += dy;
        return *this;
    }
};

struct CRect {
    CCoord left = 0, top = 0, right = 0, bottom = 0;
    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    bool operator==(const CRect&) const = default;
    CCoord width() const { return right - left; }
    CCoord height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    CRect& offset(CCoord dx, CCoord dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& inset(CCoord dx, CCoord dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    bool pointInside(const CPoint& p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool rectOverlap(const CRect& r) const {
        return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
    }
    CRect& unite(const CRect& r) {
        if (isEmpty())
            return *this = r;
        if (r.isEmpty())
            return *this;
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
        return *this;
    }
    CRect& bound(const CRect& r) {
        left = std::max(left, r.left);
        top = std::max(top, r.top);
        right = std::min(right, r.right);
        bottom = std::min(bottom, r.bottom);
        if (right < left)
            right = left;
        if (bottom < top)
            bottom = top;
        return *this;
    }
};

// One byte per channel; alpha 255 is opaque.
struct CColor {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;
    bool operator==(const CColor&) const = default;
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kGreyCColor{127, 127, 127, 255};
inline constexpr CColor kRedCColor{255, 0, 0, 255};

enum CDrawStyle { kDrawStroke = 0, kDrawFilled = 1, kDrawFilledAndStroked = 2 };
enum CHoriTxtAlign { kLeftText = 0, kCenterText = 1, kRightText = 2 };
enum CDrawMode { kCopyMode = 0, kOrMode = 1, kXorMode = 2, kAntialias = 3 };

// Font ids accepted by setFont; every one of them is drawn with the sans-serif face, the id picks
// the size used when setFont is given size 0.
enum CFont {
    kSystemFont = 0,
    kNormalFontVeryBig,
    kNormalFontBig,
    kNormalFont,
    kNormalFontSmall,
    kNormalFontSmaller,
    kNormalFontVerySmall,
    kSymbolFont,
    kNumStandardFonts
};

// Font style bits.
enum CTxtFace { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

// Mouse button and modifier bits as getMouseButtons reports them.
enum CButton : long {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
    kApple = 64
};
