// Knobs: marker placement, value texts, the linear drag and its modifier keys, via scripted mouse.
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "vst/AudioEffect.h"

namespace {

struct KnobBench {
    WidgetScheme scheme = testScheme();
    RecordingEditor editor;
    RecordingListener listener;
    CFrame frame{CRect(0, 0, 100, 100), &editor};
    VGGrommetKnob* knob;
    explicit KnobBench(KnobModifiers m = KnobModifiers::wendle, bool withListener = true) {
        knob = new VGGrommetKnob(CRect(10, 10, 76, 76), withListener ? &listener : nullptr, 7,
                                 &scheme);
        knob->setModifiers(m);
        frame.addView(knob);
        frame.redraw();
    }
    // Press at the knob's centre, then move straight up by each offset with the given buttons.
    void drag(long pressButtons, const std::vector<std::pair<int, long>>& moves) {
        std::vector<CMouseStep> steps{{CPoint(43, 43), pressButtons}};
        for (auto [up, buttons] : moves)
            steps.push_back({CPoint(43, 43 - up), buttons});
        frame.playMouse(steps);
    }
};

// Where the marker's centre lies for a clock angle (degrees, 0 at 12, clockwise) on the 66-pixel
// knob at (10, 10): on the ring's centre line.
CPoint clockPoint(double clock) {
    double a = clock * M_PI / 180.0, radius = (64 - 8) / 2.0;
    return CPoint(int(std::lround(43 + radius * std::sin(a))),
                  int(std::lround(43 - radius * std::cos(a))));
}

std::string textOf(VGGrommetKnob& k) {
    char buf[600];
    k.makeValueText(buf, sizeof buf);
    return buf;
}

struct DisplayEffect : AudioEffect {
    DisplayEffect() : AudioEffect(nullptr, 1, 8) {}
    void processReplacing(float**, float**, VstInt32) override {}
    void getParameterDisplay(VstInt32 index, char* text) override {
        std::snprintf(text, 8, "p%d", index);
    }
};

} // namespace

TEST(GrommetKnob, MarkerStandsAtSevenTwelveAndFiveOclock) {
    struct Case {
        float value;
        double markerClock;
    } cases[] = {{0.f, 210}, {0.5f, 0}, {1.f, 150}};
    for (const auto& k : cases) {
        KnobBench b;
        b.knob->setValue(k.value);
        b.frame.idle();
        for (const auto& other : cases) {
            CPoint p = clockPoint(other.markerClock);
            uint32_t px = b.frame.getPixel(p.x, p.y);
            if (other.markerClock == k.markerClock)
                EXPECT_LT(colourDistance(px, rgbOf(b.scheme.highlight)), 40) << k.value;
            else
                EXPECT_LT(colourDistance(px, rgbOf(b.scheme.accent)), 40)
                    << k.value << " ring at " << other.markerClock;
        }
    }
}

// The text is fitted on the sample "0123"; a longer one (a value with units) is made smaller so
// that no glyph lands on the ring.
TEST(GrommetKnob, ALongValueTextStaysInsideTheRingsHollow) {
    KnobBench b;
    b.knob->setDisplayMin(-120.f);
    b.knob->setDisplayMax(0.f);
    b.knob->setUnits("dB");
    b.knob->setValue(0.5f);
    b.frame.idle();
    ASSERT_EQ(textOf(*b.knob), "-60.0 dB");
    // The hollow of the 64-pixel ring (thickness 8) spans x 19 … 67 through the centre row.
    int inkLeft = 100, inkRight = -1;
    for (int y = 35; y < 52; ++y)
        for (int x = 10; x < 76; ++x)
            if (colourDistance(b.frame.getPixel(x, y), rgbOf(b.scheme.text)) < 60) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
            }
    ASSERT_LE(inkLeft, inkRight) << "no text drawn";
    EXPECT_GE(inkLeft, 19);
    EXPECT_LE(inkRight, 67);
}

TEST(GrommetKnob, ValueTextsFollowTheDisplayMode) {
    struct Case {
        float min, max;
        bool ratio, log, integer;
        float value;
        const char* text;
        float valueAfter;
    } cases[] = {
        {-2, 2, true, false, false, 0.f, "3.0:1 dB", 0.f},
        {-2, 2, true, false, false, 1.f, "1:3.0 dB", 1.f},
        {-2, 2, true, false, false, 0.5f, "1.0:1 dB", 0.5f},
        {0, 60, false, false, false, 0.5f, "30.0 dB", 0.5f},
        {-2, 2, false, false, false, 0.75f, "1.00 dB", 0.75f},
        {1, 8, false, true, false, 0.5f, "2.83 dB", 0.5f},
        {1, 8, false, true, false, 1.f, "8.00 dB", 1.f},
        {1, 1024, false, true, false, 1.f, "1024.0 dB", 1.f},
        {1, 8, false, true, true, 0.5f, "2.00 dB", 1.f / 3.f},         // e 1.5 drops to 1
        {1, 11, false, false, true, 0.57f, "6.00 dB", 0.5f},           // 6.7 drops to 6
        {-60, 60, false, false, true, 0.48f, "-2.0 dB", 58.f / 120.f}, // −2.4 drops toward zero
    };
    for (const auto& k : cases) {
        KnobBench b;
        b.knob->setDisplayMin(k.min);
        b.knob->setDisplayMax(k.max);
        b.knob->setRatioDisplay(k.ratio);
        b.knob->setLogDisplay(k.log);
        b.knob->setIntegerDisplay(k.integer);
        b.knob->setUnits("dB");
        b.knob->setValue(k.value);
        EXPECT_EQ(textOf(*b.knob), k.text);
        EXPECT_NEAR(b.knob->getValue(), k.valueAfter, 1e-6) << k.text;
    }
}

TEST(GrommetKnob, ShowsTheEffectsOwnParameterText) {
    WidgetScheme scheme = testScheme();
    DisplayEffect fx;
    VGGrommetKnob knob(CRect(0, 0, 66, 66), nullptr, 3, &scheme, &fx);
    knob.setUnits("ms");
    knob.setRatioDisplay(1);
    EXPECT_EQ(textOf(knob), "p3 ms");
}

TEST(KnobDrag, ItsHeightSweepsTheRangeAndTheFineKeyFiveHeights) {
    struct Case {
        KnobModifiers variant;
        long fine;
    } cases[] = {{KnobModifiers::wendle, kControl}, {KnobModifiers::tidemill, kShift}};
    for (const auto& k : cases) {
        KnobBench coarse(k.variant);
        coarse.knob->setValue(0.f);
        coarse.drag(kLButton, {{33, kLButton}, {66, kLButton}, {90, kLButton}});
        EXPECT_FLOAT_EQ(coarse.knob->getValue(), 1.f); // clamped at the maximum
        EXPECT_EQ(coarse.listener.changes.size(), 2u); // the last move changed nothing

        KnobBench fine(k.variant);
        fine.knob->setValue(0.f);
        const long b = kLButton | k.fine;
        fine.drag(b, {{66, b}, {165, b}, {330, b}});
        ASSERT_EQ(fine.listener.changes.size(), 3u);
        EXPECT_NEAR(fine.listener.changes[0], 0.2f, 1e-5);
        EXPECT_NEAR(fine.listener.changes[1], 0.5f, 1e-5);
        EXPECT_NEAR(fine.listener.changes[2], 1.0f, 1e-5);
        EXPECT_EQ(fine.editor.begins, std::vector<long>{7});
        EXPECT_EQ(fine.editor.ends, std::vector<long>{7});
    }
}

TEST(KnobDrag, ReleasingTheFineKeyMidDragKeepsTheValueContinuous) {
    struct Case {
        KnobModifiers variant;
        long fine;
    } cases[] = {{KnobModifiers::wendle, kControl}, {KnobModifiers::tidemill, kShift}};
    for (const auto& k : cases) {
        KnobBench b(k.variant);
        b.knob->setValue(0.f);
        const long fine = kLButton | k.fine;
        // 33 px fine, the key released while still, 1 px, the key pressed again, 33 px. The move
        // made in the turn the scale changes still counts at the scale it was made with; after it
        // the new scale applies, and the value never jumps.
        b.drag(
            fine,
            {{33, fine}, {33, kLButton}, {34, kLButton}, {35, kLButton}, {35, fine}, {68, fine}});
        ASSERT_EQ(b.listener.changes.size(), 4u);
        EXPECT_NEAR(b.listener.changes[0], 33.f / 330.f, 1e-5);
        EXPECT_NEAR(b.listener.changes[1], 34.f / 330.f, 1e-5);
        EXPECT_NEAR(b.listener.changes[2], 34.f / 330.f + 1.f / 66.f, 1e-5);
        EXPECT_NEAR(b.listener.changes[3], 34.f / 330.f + 34.f / 66.f, 1e-5);
    }
}

TEST(KnobClick, ModifierClicksFollowTheVariant) {
    // Wendle: the listener is asked first; when it consumes the click no drag starts.
    KnobBench wendle;
    wendle.knob->setValue(0.3f);
    wendle.knob->setDefaultValue(0.8f);
    wendle.listener.answer = 1;
    wendle.listener.resetOnAnswer = true;
    wendle.drag(kLButton | kAlt, {{30, kLButton | kAlt}});
    EXPECT_EQ(wendle.listener.modifierClicks, std::vector<long>{kLButton | kAlt});
    EXPECT_FLOAT_EQ(wendle.knob->getValue(), 0.8f);
    EXPECT_TRUE(wendle.editor.begins.empty());

    // Wendle, Control declined by the listener: the fine drag runs.
    KnobBench declined;
    declined.knob->setValue(0.f);
    declined.drag(kLButton | kControl, {{33, kLButton | kControl}});
    EXPECT_EQ(declined.listener.modifierClicks.size(), 1u);
    EXPECT_NEAR(declined.knob->getValue(), 0.1f, 1e-5);

    // Tidemill: left + Control returns to the default without asking the listener or dragging.
    KnobBench tidemill(KnobModifiers::tidemill);
    tidemill.knob->setValue(0.3f);
    tidemill.knob->setDefaultValue(0.6f);
    tidemill.listener.answer = 1;
    tidemill.drag(kLButton | kControl, {{30, kLButton | kControl}});
    EXPECT_TRUE(tidemill.listener.modifierClicks.empty());
    EXPECT_FLOAT_EQ(tidemill.knob->getValue(), 0.6f);
    EXPECT_EQ(tidemill.listener.changes, std::vector<float>{0.6f});
    EXPECT_TRUE(tidemill.editor.begins.empty());

    // Tidemill, Alt held: no one is asked, the drag runs.
    KnobBench alt(KnobModifiers::tidemill);
    alt.knob->setValue(0.f);
    alt.listener.answer = 1;
    alt.drag(kLButton | kAlt, {{33, kLButton | kAlt}});
    EXPECT_TRUE(alt.listener.modifierClicks.empty());
    EXPECT_NEAR(alt.knob->getValue(), 0.5f, 1e-5);
}

TEST(KnobClick, IgnoresOtherButtonsAndDisabledKnobs) {
    KnobBench right;
    right.knob->setValue(0.2f);
    right.drag(kRButton, {{30, kRButton}});
    EXPECT_FLOAT_EQ(right.knob->getValue(), 0.2f);

    KnobBench disabled;
    disabled.knob->setValue(0.2f);
    disabled.knob->setMouseEnabled(false);
    CPoint where(43, 43);
    disabled.knob->mouse(nullptr, where, kLButton);
    EXPECT_FLOAT_EQ(disabled.knob->getValue(), 0.2f);
}
