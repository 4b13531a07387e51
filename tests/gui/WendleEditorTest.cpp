// wendle's editor on a headless frame with a recording host bridge that answers as the Pro Tools
// process does (every set comes back through the editor's set-parameter entry): layout, the
// host's state at open, modifier clicks, the momentary reset, the display's bands and curves.
#include "gui/CVSTEditor.h"
#include "wendle/wendle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

using namespace wendleui;

namespace {

struct FakeHost : IWendleEditorHost {
    CVSTEditor* editor = nullptr;
    std::map<int32_t, int32_t> defaults, values;
    std::vector<std::pair<int32_t, int32_t>> sets;
    std::vector<int32_t> touches, releases;

    int32_t SetControlValueFromUI(int32_t tag, int32_t value) override {
        sets.emplace_back(tag, value);
        values[tag] = value;
        if (editor)
            editor->setParameter(tag, normalisedFromControlValue(value));
        return 0;
    }
    int32_t GetControlValueForUI(int32_t tag, int32_t* value) override {
        auto it = values.find(tag);
        return it == values.end() ? -1 : (*value = it->second, 0);
    }
    int32_t GetControlDefaultValue(int32_t tag, int32_t* value) override {
        auto it = defaults.find(tag);
        return it == defaults.end() ? -1 : (*value = it->second, 0);
    }
    int32_t TouchControl(int32_t tag) override {
        touches.push_back(tag);
        return 0;
    }
    int32_t ReleaseControl(int32_t tag) override {
        releases.push_back(tag);
        return 0;
    }
    int32_t EditNotification(int32_t) override { return 0; }
};

CPoint centreOf(const Box& b) {
    return CPoint((b.left + b.right) / 2, (b.top + b.bottom) / 2);
}

const KnobSpec& knob(long tag) {
    for (const KnobSpec& k : kKnobs)
        if (k.tag == tag)
            return k;
    throw std::out_of_range("no knob");
}

const ButtonSpec& button(long tag) {
    for (const ButtonSpec& b : kButtons)
        if (b.tag == tag)
            return b;
    throw std::out_of_range("no button");
}

} // namespace

TEST(WendleEditor, ControlValuesConvertAsTheHostEncodesThem) {
    struct Case {
        float f;
        int32_t v;
    };
    const Case cases[] = {{0.f, INT32_MIN},  {1.f, INT32_MAX}, {0.5f, 0},
                          {-3.f, INT32_MIN}, {7.f, INT32_MAX}, {std::nanf(""), INT32_MIN}};
    for (const Case& c : cases)
        EXPECT_EQ(controlValueFromNormalised(c.f), c.v) << c.f;
    EXPECT_EQ(normalisedFromControlValue(INT32_MIN), 0.f);
    EXPECT_EQ(normalisedFromControlValue(INT32_MAX), 1.f);
    EXPECT_EQ(normalisedFromControlValue(0), 0.5f);
    // Round trips: 0, 0.5 and 1 exactly, any other value within half a step of 2^-32.
    for (float f : {0.f, 1.f, 0.5f, 0.25f, 1e-6f, 0.999999f})
        EXPECT_NEAR(normalisedFromControlValue(controlValueFromNormalised(f)), f,
                    0.5 / 4294967295.0 + 1e-7 * f)
            << f;
    for (int32_t v : {INT32_MIN, INT32_MAX, 0})
        EXPECT_EQ(controlValueFromNormalised(normalisedFromControlValue(v)), v) << v;
}

TEST(WendleEditor, OpenBuildsEveryWidgetOfTheLayoutWithTheEffectsTexts) {
    wendle fx(nullptr);
    CVSTEditor editor(nullptr, &fx);
    ASSERT_TRUE(editor.open(nullptr));
    CFrame* frame = editor.getFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->getViewSize(), CRect(0, 0, kWidth, kHeight));
    for (const ButtonSpec& b : kButtons) {
        auto* w = dynamic_cast<VGTextButton*>(editor.getWidget(b.tag));
        ASSERT_NE(w, nullptr) << b.tag;
        EXPECT_EQ(w->getViewSize(), rectOf(b.box));
        EXPECT_STREQ(w->getLabel(), b.label);
        EXPECT_STREQ(w->getOnLabel(), b.onLabel);
        EXPECT_EQ(w->getValue(), fx.getParameter(static_cast<VstInt32>(b.tag)));
    }
    std::map<long, std::string> captions;
    for (int i = 0; i < frame->getNbViews(); ++i)
        if (auto* l = dynamic_cast<VGSimpleLabel*>(frame->getView(i)))
            for (const KnobSpec& k : kKnobs)
                if (l->getViewSize() == rectOf(k.caption))
                    captions[k.tag] = l->getLabel();
    const std::map<long, std::string> names{{2, "filter depth"}, {4, "filter number"},
                                            {13, "filter lfo"},  {12, "lfo divide"},
                                            {3, "tilt"},         {8, "makeup gain"}};
    EXPECT_EQ(captions, names);
    for (const KnobSpec& k : kKnobs) {
        auto* w = dynamic_cast<VGGrommetKnob*>(editor.getWidget(k.tag));
        ASSERT_NE(w, nullptr) << k.tag;
        EXPECT_EQ(w->getViewSize(), rectOf(k.knob));
        EXPECT_EQ(w->getDisplayMin(), k.displayMin);
        EXPECT_EQ(w->getDisplayMax(), k.displayMax);
        EXPECT_EQ(w->getValue(), fx.getParameter(static_cast<VstInt32>(k.tag)));
    }
    EXPECT_STREQ(editor.getWidget(8)->getUnits(), "dB");

    const SpectrumView& v = editor.getView();
    EXPECT_EQ(v.bins, 512);
    EXPECT_EQ(v.curves, 2);
    EXPECT_EQ(v.spectrumTop, 0.f);
    EXPECT_EQ(v.spectrumBottom, -96.f);
    EXPECT_EQ(v.filterTop, 24.f);
    EXPECT_EQ(v.filterBottom, -24.f);
    EXPECT_TRUE(std::equal(v.filterA[0], v.filterA[0] + 513, fx.selectedLinearCurve(0)));
    EXPECT_EQ(*v.displayGain, 1.f);

    // While open, the display shows the frames the effect publishes: after audio and an idle,
    // the last frame's spectra, gains and tilt.
    fx.channelMode = 1;
    fx.setParameter(3, 0.8f);
    std::vector<float> a(4096), b(4096), outA(4096), outB(4096);
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = std::sin(0.05f * i), b[i] = 0.5f * std::sin(0.3f * i);
    float* ins[2] = {a.data(), b.data()};
    float* outs[2] = {outA.data(), outB.data()};
    fx.processReplacing(ins, outs, 4096);
    editor.idle();
    auto same = [](const float* x, const float* y, int n) { return std::equal(x, x + n, y); };
    EXPECT_TRUE(same(v.spectra[0], fx.inSpect[0], 1024));
    EXPECT_TRUE(same(v.spectra[1], fx.inSpect[1], 1024));
    EXPECT_TRUE(same(v.spectra[3], fx.outSpectCopy[1], 1024));
    EXPECT_TRUE(same(v.filterB[1], fx.appliedGain(1), 513));
    EXPECT_TRUE(same(v.weights, fx.tiltCurveData(), 513));
    EXPECT_NE(v.weights[0], 1.f) << "a tilt is shown";
    EXPECT_EQ(editor.getScheme().face, (CColor{229, 80, 105, 255}));
    editor.close();
    EXPECT_EQ(editor.getFrame(), nullptr);
    EXPECT_EQ(editor.getWidget(2), nullptr);
}

TEST(WendleEditor, WithoutAHostBridgeAKnobChangesOnlyItself) {
    wendle fx(nullptr);
    CVSTEditor editor(nullptr, &fx);
    editor.open(nullptr);
    const float before = fx.getParameter(2);
    const CPoint c = centreOf(knob(2).knob);
    editor.getFrame()->playMouse(
        {{c, kLButton}, {CPoint(c.x, c.y + 10), kLButton}, {CPoint(c.x, c.y + 20), kLButton}});
    EXPECT_NEAR(editor.getWidget(2)->getValue(), before - 20.f / 66.f, 1e-5);
    EXPECT_EQ(fx.getParameter(2), before);
}

TEST(WendleEditor, TheHostsStateWinsAtOpenAndModifierClicksActOnIt) {
    wendle fx(nullptr);
    fx.channelMode = 1;
    FakeHost host;
    CVSTEditor editor(&host, &fx);
    host.editor = &editor;
    for (long tag : kHostOrder) {
        host.defaults[static_cast<int32_t>(tag)] = controlValueFromNormalised(0.25f);
        host.values[static_cast<int32_t>(tag)] = controlValueFromNormalised(0.75f);
    }
    host.values[7] = controlValueFromNormalised(1.f);
    host.defaults[7] = controlValueFromNormalised(0.f);
    editor.open(nullptr);
    EXPECT_EQ(editor.getWidget(2)->getValue(), 0.75f);
    EXPECT_EQ(editor.getWidget(2)->getDefaultValue(), 0.25f);
    EXPECT_EQ(editor.getWidget(7)->getValue(), 1.f);

    // Alt: back to the host's default, sent to the host, whose answer sets the effect.
    CFrame* frame = editor.getFrame();
    frame->playMouse({{centreOf(knob(2).knob), kLButton | kAlt}});
    frame->playMouse({{centreOf(button(7).box), kLButton | kAlt}});
    const std::vector<std::pair<int32_t, int32_t>> altSets{{2, controlValueFromNormalised(0.25f)},
                                                           {7, controlValueFromNormalised(0.f)}};
    EXPECT_EQ(host.sets, altSets);
    EXPECT_EQ(editor.getWidget(2)->getValue(), 0.25f);
    EXPECT_EQ(fx.getParameter(2), 0.25f);
    EXPECT_EQ(editor.getWidget(7)->getValue(), 0.f);
    EXPECT_TRUE(host.touches.empty()) << "an Alt-click starts no gesture";

    // Control is declined: the button toggles, inside a gesture.
    host.sets.clear();
    frame->playMouse({{centreOf(button(9).box), kLButton | kControl}});
    EXPECT_EQ(host.sets, (std::vector<std::pair<int32_t, int32_t>>{{9, INT32_MAX}}));
    EXPECT_EQ(host.touches, std::vector<int32_t>{9});
    EXPECT_EQ(host.releases, std::vector<int32_t>{9});
    EXPECT_EQ(fx.getParameter(9), 1.f);
}

TEST(WendleEditor, ResetIsMomentaryThroughTheHost) {
    wendle fx(nullptr);
    FakeHost host;
    CVSTEditor editor(&host, &fx);
    host.editor = &editor;
    editor.open(nullptr);
    float* curve = fx.selectedLinearCurve(0);
    curve[100] = 0.5f;
    editor.getFrame()->playMouse({{centreOf(button(6).box), kLButton}});
    EXPECT_EQ(host.sets, (std::vector<std::pair<int32_t, int32_t>>{{6, INT32_MAX}}));
    EXPECT_EQ(fx.selectedLinearCurve(0)[100], 1.f) << "the reset reached the effect";
    EXPECT_EQ(editor.getWidget(6)->getValue(), 1.f);
    editor.idle();
    EXPECT_EQ(editor.getWidget(6)->getValue(), 0.f);
    EXPECT_EQ(host.sets.back(), (std::pair<int32_t, int32_t>{6, INT32_MIN}));
    EXPECT_EQ(fx.getParameter(6), 0.f);
}

TEST(WendleEditor, TheDisplayShowsOneBandForOneChannelAndTheLeftCurveWhenLinked) {
    wendle fx(nullptr);
    CVSTEditor editor(nullptr, &fx);
    editor.open(nullptr);
    const SpectrumView& v = editor.getView();

    fx.channelMode = 0;
    editor.idle();
    EXPECT_EQ(v.rows, 1);
    EXPECT_EQ(v.filterA[1], v.filterA[0]);

    fx.channelMode = 1;
    editor.idle();
    EXPECT_EQ(v.rows, 2);
    EXPECT_NE(v.filterA[1], v.filterA[0]);

    // Linked: a stroke in the lower band draws the left curve.
    fx.setParameter(10, 1.f);
    editor.idle();
    EXPECT_EQ(v.filterA[1], v.filterA[0]);
    std::vector<float> left(fx.selectedLinearCurve(0), fx.selectedLinearCurve(0) + 513);
    std::vector<float> right(fx.selectedLinearCurve(1), fx.selectedLinearCurve(1) + 513);
    editor.getFrame()->playMouse(
        {{CPoint(100, 200), kLButton}, {CPoint(200, 230), kLButton}, {CPoint(300, 215), kLButton}});
    EXPECT_NE(std::vector<float>(fx.selectedLinearCurve(0), fx.selectedLinearCurve(0) + 513), left);
    EXPECT_EQ(std::vector<float>(fx.selectedLinearCurve(1), fx.selectedLinearCurve(1) + 513),
              right);
    // The effect took the drawn curve: its dB curve follows at once.
    const float* linear = fx.selectedLinearCurve(0);
    const float* db = fx.programCurve(wendlefx::decibelCurve(fx.getSelectedFilter(), 0));
    for (int k = 0; k < 513; ++k)
        ASSERT_NEAR(db[k], 20.f * std::log10(linear[k]), 1e-3f) << k;
}

TEST(WendleEditor, TheEffectNeverDeletesAnEditorDeletedBeforeIt) {
    auto fx = std::make_unique<wendle>(nullptr);
    auto editor = std::make_unique<CVSTEditor>(nullptr, fx.get());
    EXPECT_EQ(fx->getEditor(), editor.get());
    editor->open(nullptr);
    editor.reset();
    EXPECT_EQ(fx->getEditor(), nullptr);
    fx.reset(); // no second delete
    // And an editor the effect owns goes with the effect.
    fx = std::make_unique<wendle>(nullptr);
    new CVSTEditor(nullptr, fx.get());
    fx.reset();
}
