// The anti-aliased draw context, checked on rendered pixels.
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct Canvas {
    CFrame frame{CRect(0, 0, 10, 10)};
    ARSDrawContext* dc;
    Canvas(int w, int h) : dc(new ARSDrawContext(&frame, w, h, kWhiteCColor)) {
        dc->setFrameColor(kBlackCColor);
        dc->setFillColor(kBlackCColor);
        dc->setFontColor(kBlackCColor);
    }
    ~Canvas() { dc->forget(); }
    uint32_t at(int x, int y) { return pixelOf(*dc, x, y); }
    bool dark(int x, int y) { return colourDistance(at(x, y), 0) < 60; }
    bool white(int x, int y) { return at(x, y) == 0xFFFFFF; }
};

// A point at `deg` degrees (0 = 3 o'clock, clockwise) and `radius` from the centre of a 100 × 100
// circle.
CPoint polar(double deg, double radius) {
    double a = deg * M_PI / 180.0;
    return CPoint(int(std::lround(50 + radius * std::cos(a))),
                  int(std::lround(50 + radius * std::sin(a))));
}

} // namespace

TEST(ARSDrawContext, PacksColoursAsArgbAndShiftsTheFontAlpha) {
    struct Case {
        CColor in;
        uint32_t argb, fontArgb;
    } cases[] = {
        {{1, 2, 3, 4}, 0x04010203u, 0x03010203u},
        {{255, 0, 0, 255}, 0xFFFF0000u, 0xFEFF0000u},
        {{0, 0, 0, 0}, 0x00000000u, 0xFF000000u},
        {{10, 20, 30, 128}, 0x800A141Eu, 0x7F0A141Eu},
    };
    Canvas c(4, 4);
    for (const auto& k : cases) {
        c.dc->setFillColor(k.in);
        c.dc->setFrameColor(k.in);
        c.dc->setFontColor(k.in);
        EXPECT_EQ(c.dc->getFillARGB(), k.argb);
        EXPECT_EQ(c.dc->getFrameARGB(), k.argb);
        EXPECT_EQ(c.dc->getFontARGB(), k.fontArgb);
        // The base context keeps the colour as given.
        EXPECT_EQ(c.dc->CDrawContext::getFontColor(), k.in);
    }
}

TEST(ARSDrawContext, FilledArcsSweepClockwiseFromThreeOclockAndWrapWhenStartExceedsEnd) {
    struct Case {
        float start, end;
        std::vector<double> inside, outside; // probe angles
    } cases[] = {
        {0, 90, {10, 45, 80}, {100, 180, 270, 350}},
        {300, 60, {310, 0, 30, 50}, {80, 180, 270}}, // 300 → 420: 120 degrees across 3 o'clock
        {180, 270, {190, 225, 260}, {0, 90, 300}},   // upper left quadrant: y grows downward
        {45, 45, {}, {0, 45, 90, 180, 270}},         // equal angles draw nothing
    };
    for (const auto& k : cases) {
        Canvas c(100, 100);
        c.dc->drawArc(CRect(0, 0, 100, 100), k.start, k.end, kDrawFilled);
        for (double a : k.inside) {
            CPoint p = polar(a, 30);
            EXPECT_TRUE(c.dark(p.x, p.y)) << k.start << "→" << k.end << " at " << a;
        }
        for (double a : k.outside) {
            CPoint p = polar(a, 30);
            EXPECT_TRUE(c.white(p.x, p.y)) << k.start << "→" << k.end << " at " << a;
        }
    }
}

TEST(ARSDrawContext, StrokedArcDrawsOnlyTheRimAndUnknownStylesDrawNothing) {
    Canvas stroke(100, 100);
    stroke.dc->setLineWidth(3);
    stroke.dc->drawArc(CRect(0, 0, 100, 100), 0, 90, kDrawStroke);
    CPoint rim = polar(45, 50), inner = polar(45, 30), otherRim = polar(180, 50);
    EXPECT_TRUE(stroke.dark(rim.x, rim.y));
    EXPECT_TRUE(stroke.white(inner.x, inner.y));
    EXPECT_TRUE(stroke.white(otherRim.x, otherRim.y));

    Canvas none(100, 100);
    none.dc->drawArc(CRect(0, 0, 100, 100), 0, 90, 2);
    EXPECT_EQ(inkBox(*none.dc).right, -1);
}

TEST(ARSDrawContext, FillsCoverTheShapeAndOutlinesOnlyItsEdge) {
    Canvas c(100, 100);
    c.dc->fillEllipse(CRect(0, 0, 40, 40));
    c.dc->drawEllipse(CRect(50, 0, 90, 40));
    c.dc->fillRect(CRect(0, 50, 40, 90));
    c.dc->drawRect(CRect(50, 50, 90, 90));
    EXPECT_TRUE(c.dark(20, 20));
    EXPECT_TRUE(c.white(70, 20));
    EXPECT_TRUE(c.dark(50, 20));
    EXPECT_TRUE(c.dark(20, 70));
    EXPECT_TRUE(c.white(70, 70));
    EXPECT_TRUE(c.dark(50, 70));
    EXPECT_TRUE(c.dark(70, 50));
    // The ellipse is anti-aliased: its rim has intermediate shades.
    bool grey = false;
    for (int x = 0; x < 40 && !grey; ++x)
        for (int y = 0; y < 40 && !grey; ++y)
            grey = c.at(x, y) != 0 && c.at(x, y) != 0xFFFFFF;
    EXPECT_TRUE(grey);
}

TEST(ARSDrawContext, LineToStartsAtThePenAndMovesIt) {
    Canvas c(40, 40);
    c.dc->moveTo(CPoint(5, 5));
    c.dc->lineTo(CPoint(30, 5));
    EXPECT_EQ(c.dc->getPenPosition(), CPoint(30, 5));
    c.dc->lineTo(CPoint(30, 30));
    EXPECT_TRUE(c.dark(15, 5));
    EXPECT_TRUE(c.dark(30, 20));
    EXPECT_TRUE(c.white(15, 20));
    // moveTo draws nothing.
    Canvas m(40, 40);
    m.dc->moveTo(CPoint(1, 1));
    m.dc->moveTo(CPoint(30, 30));
    EXPECT_EQ(inkBox(*m.dc).right, -1);
}

TEST(ARSDrawContext, AlignsTextAndCentresItVertically) {
    struct Case {
        int align;
        const char* where;
    } cases[] = {{kLeftText, "left"}, {kCenterText, "centre"}, {kRightText, "right"}, {7, "left"}};
    const CRect r(20, 10, 280, 70);
    for (const auto& k : cases) {
        Canvas c(300, 80);
        c.dc->setFont(kNormalFont, 20, 0);
        c.dc->setFontColor(CColor{0, 0, 0, 0}); // alpha 0 becomes opaque
        c.dc->drawString("HHHH", r, false, k.align);
        CRect ink = inkBox(*c.dc);
        ASSERT_GT(ink.right, 0) << k.align;
        int darkest = 255;
        for (int y = ink.top; y < ink.bottom; ++y)
            for (int x = ink.left; x < ink.right; ++x)
                darkest = std::min(darkest, colourDistance(c.at(x, y), 0));
        EXPECT_LT(darkest, 30) << "opaque text";
        const std::string where = k.where;
        if (where == "left") {
            EXPECT_NEAR(ink.left, r.left, 3) << k.align;
        }
        if (where == "right") {
            EXPECT_NEAR(ink.right, r.right, 3) << k.align;
        }
        if (where == "centre") {
            EXPECT_NEAR(ink.left + ink.right, r.left + r.right, 3);
        }
        EXPECT_NEAR(ink.top + ink.bottom, r.top + r.bottom, 4) << "vertical centre";
    }
}

TEST(ARSDrawContext, SpacingStylesSetCharacterExtraAndDrawThroughTheAliasedBaseText) {
    struct Case {
        int style, extra;
        bool aliased;
    } cases[] = {{0, 0, false}, {1, 0, false}, {8, -2, true}, {16, 2, true}, {24, 2, true}};
    int plainWidth = 0;
    for (const auto& k : cases) {
        Canvas c(300, 60);
        c.dc->setFont(kNormalFont, 24, k.style);
        EXPECT_EQ(c.dc->getCharacterExtra(), k.extra) << k.style;
        EXPECT_EQ(c.dc->CDrawContext::getFontStyle(), k.style);
        c.dc->drawString("HIHIHIHI", CRect(0, 0, 300, 60), false, kLeftText);
        int shades = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x)
                shades += c.at(x, y) != 0 && c.at(x, y) != 0xFFFFFF;
        EXPECT_EQ(shades == 0, k.aliased) << k.style;
        CRect ink = inkBox(*c.dc);
        if (k.style == 0)
            plainWidth = ink.width();
        if (k.style == 8) {
            EXPECT_NEAR(ink.width(), plainWidth - 14, 3); // 7 gaps of −2
        }
        if (k.style == 16) {
            EXPECT_NEAR(ink.width(), plainWidth + 14, 3); // 7 gaps of +2
        }
    }
}

TEST(ARSDrawContext, CutsTextAt255Characters) {
    auto inkRight = [](size_t n) {
        Canvas c(1800, 20);
        c.dc->setFont(kNormalFont, 6, 0);
        c.dc->drawString(std::string(n, 'W').c_str(), CRect(0, 0, 1800, 20), false, kLeftText);
        return inkBox(*c.dc).right;
    };
    int at255 = inkRight(255);
    EXPECT_GT(at255, inkRight(254));
    EXPECT_EQ(inkRight(300), at255);
    EXPECT_EQ(inkRight(1000), at255);
}
