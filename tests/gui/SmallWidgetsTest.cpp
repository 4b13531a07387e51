// Level meter, buttons, labels and logo: lamp colours, toggles and modifier clicks.
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Bench {
    WidgetScheme scheme = testScheme();
    RecordingEditor editor;
    RecordingListener listener;
    CFrame frame{CRect(0, 0, 200, 300), &editor};
};

} // namespace

TEST(VertMeter, LampsLightFromTheBottomAsTheLevelPassesTheirUpperBound) {
    Bench b;
    auto* meter = new VGVertMeter(CRect(10, 10, 27, 228), &b.listener, 1005, &b.scheme);
    b.frame.addView(meter);
    const CColor unlit = lightColor(b.scheme.face), lit = b.scheme.highlight;
    const CColor clip = VGVertMeter::clipColor(b.scheme.highlight);
    struct Case {
        float value;
        int firstLit; // lamps from this one down are lit
        CColor litColour;
    } cases[] = {
        {0.f, 12, lit},
        {1.0f, 2, lit}, // 0 dB: the −3 … −6 lamp and below; 0 … −3 and the top stay unlit
        {0.5f, 4, lit}, // −6.02 dB lies inside the −6 … −9 lamp, which stays unlit
        {1.5f, 1, clip}, // over full scale: lit lamps show the clip colour
        {2.5f, 0, clip}, // beyond +6 dB: every lamp
    };
    for (const auto& k : cases) {
        meter->setValue(k.value);
        b.frame.idle();
        for (int i = 0; i < VGVertMeter::kLamps; ++i) {
            const CColor expected = i >= k.firstLit ? k.litColour : unlit;
            EXPECT_EQ(meter->lampColor(i), expected) << k.value << " lamp " << i;
            // The lamp's centre on screen: inner top + 3 i step, a circle as wide as the inner box.
            const float step = (218 - 2) / 36.f;
            const int cy = 11 + int(3 * i * step) + 15 / 2, cx = 11 + 15 / 2;
            EXPECT_LT(colourDistance(b.frame.getPixel(cx, cy), rgbOf(expected)), 8)
                << k.value << " lamp " << i;
        }
    }
}

TEST(VertMeter, ClipColourSaturatesTheStrongestChannel) {
    struct Case {
        CColor in, out;
    } cases[] = {
        {{0, 99, 148, 255}, {0, 12, 255, 255}},
        {{217, 54, 0, 255}, {255, 6, 0, 255}},
        {{10, 200, 100, 255}, {1, 255, 12, 255}},
        {{80, 80, 80, 255}, {10, 255, 10, 255}},
    };
    for (const auto& k : cases)
        EXPECT_EQ(VGVertMeter::clipColor(k.in), k.out);
}

TEST(VertMeter, AClickTogglesTheFiguresAndKeepsTheValue) {
    Bench b;
    auto* meter = new VGVertMeter(CRect(10, 10, 27, 228), &b.listener, 1005, &b.scheme);
    b.frame.addView(meter);
    meter->setValue(0.3f);
    b.frame.playMouse({{CPoint(15, 20), kLButton}});
    EXPECT_TRUE(meter->getShowFigures());
    EXPECT_FLOAT_EQ(meter->getValue(), 0.3f);
    EXPECT_EQ(b.listener.changes.size(), 1u);
    EXPECT_EQ(b.editor.begins, std::vector<long>{1005});
    b.frame.playMouse({{CPoint(15, 20), kLButton}});
    EXPECT_FALSE(meter->getShowFigures());
    // A consumed modifier click leaves the figures alone.
    b.listener.answer = 1;
    b.frame.playMouse({{CPoint(15, 20), kLButton | kAlt}});
    EXPECT_FALSE(meter->getShowFigures());
}

TEST(Toggles, ButtonsLabelsAndLogoFlipBetweenZeroAndOne) {
    Bench b;
    std::vector<VGControl*> widgets = {
        new VGTextButton(CRect(0, 0, 80, 18), &b.listener, 4, &b.scheme),
        new VGTargetButton(CRect(0, 20, 17, 37), &b.listener, 1206, &b.scheme),
        new VGSimpleLabel(CRect(0, 40, 66, 55), &b.listener, 1000, &b.scheme),
        new VGBottomLabel(CRect(0, 60, 200, 78), &b.listener, 1000, &b.scheme),
        new VGLogo(CRect(0, 80, 200, 106), &b.listener, 1234, &b.scheme),
    };
    for (auto* w : widgets)
        b.frame.addView(w);
    struct Case {
        float before, after;
    } cases[] = {{0.7f, 1.f}, {1.f, 0.f}, {0.f, 1.f}, {1.9f, 0.f}, {-0.5f, 1.f}};
    for (auto* w : widgets) {
        for (const auto& k : cases) {
            w->setValue(k.before);
            CPoint inside(w->size.left + 5, w->size.top + 5);
            b.frame.playMouse({{inside, kLButton}});
            EXPECT_EQ(w->getValue(), k.after) << w->getTag() << " from " << k.before;
        }
    }
    EXPECT_EQ(b.listener.changes.size(), widgets.size() * std::size(cases));
}

TEST(Toggles, ModifierClicksAreOfferedToTheListenerFirst) {
    Bench b;
    auto* button = new VGTextButton(CRect(0, 0, 80, 18), &b.listener, 6, &b.scheme);
    b.frame.addView(button);
    button->setDefaultValue(0.f);
    // Declined (Control in the wendle editor): the button toggles.
    button->setValue(0.f);
    b.frame.playMouse({{CPoint(5, 5), kLButton | kControl}});
    EXPECT_EQ(b.listener.modifierClicks, std::vector<long>{kLButton | kControl});
    EXPECT_EQ(button->getValue(), 1.f);
    // Consumed (Alt resets to the default): no toggle.
    b.listener.answer = 1;
    b.listener.resetOnAnswer = true;
    b.frame.playMouse({{CPoint(5, 5), kLButton | kAlt}});
    EXPECT_EQ(button->getValue(), 0.f);
    b.frame.playMouse({{CPoint(5, 5), kLButton | kAlt}});
    EXPECT_EQ(button->getValue(), 0.f);
    // Without a modifier the listener is not asked.
    b.listener.modifierClicks.clear();
    b.frame.playMouse({{CPoint(5, 5), kLButton}});
    EXPECT_TRUE(b.listener.modifierClicks.empty());
    EXPECT_EQ(button->getValue(), 1.f);
    // The right button does nothing.
    b.frame.playMouse({{CPoint(5, 5), kRButton}});
    EXPECT_EQ(button->getValue(), 1.f);
}

TEST(TextButton, ShowsTheOnLabelAndALitIndicatorWhileOn) {
    Bench b;
    auto* button = new VGTextButton(CRect(0, 0, 90, 18), &b.listener, 9, &b.scheme);
    button->setLabel("linear");
    button->setOnLabel("log");
    b.frame.addView(button);
    const CPoint indicator(90 - 9, 9);
    for (float v : {0.f, 1.f}) {
        button->setValue(v);
        b.frame.idle();
        const CColor expected =
            v > 0.5f ? darkColor(b.scheme.highlight) : lightColor(b.scheme.face);
        EXPECT_LT(colourDistance(b.frame.getPixel(indicator.x, indicator.y), rgbOf(expected)), 8)
            << v;
    }
    EXPECT_STREQ(button->getOnLabel(), "log");
}

namespace {
struct Fitter : VGControl {
    using VGControl::VGControl;
    void fit(CDrawContext* dc, const char* text, int w, int h, int style) {
        fontStyle = style;
        fitFontSize(dc, text, w, h);
    }
};
} // namespace

TEST(FitFontSize, FitsTheWidthWithTheSpacingTheStyleDrawsWith) {
    WidgetScheme scheme = testScheme();
    Fitter fitter(CRect(0, 0, 10, 10), nullptr, 0, &scheme);
    const char* text = "+ t i d e m i l l";
    const int box = 150;
    // Each style is fitted right after a font of the opposite spacing was set.
    struct Case {
        int style, previous;
    } cases[] = {{0, 16}, {8, 16}, {16, 8}, {16, 0}};
    for (const auto& k : cases) {
        CFrame frame(CRect(0, 0, 10, 10));
        auto* dc = new ARSDrawContext(&frame, 400, 200, kWhiteCColor);
        dc->setFont(kNormalFont, 20, k.previous);
        fitter.fit(dc, text, box, 150, k.style);
        dc->setFont(kNormalFont, fitter.getFontSize(), k.style);
        dc->setFontColor(kBlackCColor);
        dc->drawString(text, CRect(0, 0, 400, 200), false, kLeftText);
        const CRect ink = inkBox(*dc);
        EXPECT_LE(ink.right, box + 1) << k.style << " after " << k.previous;
        EXPECT_GE(ink.right, box * 85 / 100) << k.style << " after " << k.previous;
        dc->forget();
    }
}
