// tidemill's editor on a headless frame: the moves between widgets, effect and host, the momentary
// buttons, the display's channels and curve, the colour schemes, the thread hand-over and the
// open/close lifecycle. Mouse gestures are scripted through the frame.
#include "compander/dehisseditor.h"
#include "compander/dehiss.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

using namespace compander;

namespace {

struct HostCall {
    VstInt32 opcode, index;
    float value;
    bool operator==(const HostCall&) const = default;
};
std::vector<HostCall> hostCalls;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
        opcode == audioMasterEndEdit)
        hostCalls.push_back({opcode, index, opt});
    return 0;
}

class EditorTest : public ::testing::Test {
  protected:
    EditorTest() : fx(std::make_unique<dehiss>(recordingHost)) {
        hostCalls.clear();
        fx->channelMode = 1;
        editor = static_cast<dehisseditor*>(fx->getEditor());
    }
    void open() { ASSERT_TRUE(editor->openHeadless()); }
    void click(int x, int y) { editor->getFrame()->playMouse({{CPoint(x, y), kLButton}}); }
    void clickControl(long index) {
        const CRect& r = editor->getParameterControl(index)->getViewSize();
        click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    float controlValue(long index) { return editor->getParameterControl(index)->getValue(); }
    // A frame of input whose power rises with the bin, on both channels.
    void frames(int n) {
        for (int c = 0; c < 2; ++c) {
            std::fill(fx->inSpect[c], fx->inSpect[c] + 1024, 0.0f);
            for (int k = 0; k < 513; ++k)
                fx->inSpect[c][k] = 0.01f * static_cast<float>(1 + k % 37);
        }
        for (int i = 0; i < n; ++i)
            fx->processSpect();
    }
    // The display draws `shown` as the curve of channel `channel`'s current shape.
    bool shows(const float* shown, int channel) {
        return std::equal(shown, shown + 513, fx->thresholdShape(channel));
    }
    // Marks bin 5 of the four engine spectra (inputs 1, 2, outputs 1, 2) and lets the display
    // take them: the marks it shows, in its order.
    std::vector<float> shownSpectrumMarks() {
        fx->inSpect[0][5] = 1.0f, fx->inSpect[1][5] = 2.0f;
        fx->outSpectCopy[0][5] = 3.0f, fx->outSpectCopy[1][5] = 4.0f;
        editor->idle();
        const SpectrumView& v = editor->getView();
        return {v.spectra[0][5], v.spectra[1][5], v.spectra[2][5], v.spectra[3][5]};
    }
    bool shapeIsFlat(int channel) {
        const float* s = fx->thresholdShape(channel);
        return std::all_of(s, s + 513, [](float v) { return v == 1.0f; });
    }

    std::unique_ptr<dehiss> fx;
    dehisseditor* editor;
};

} // namespace

TEST_F(EditorTest, WidgetsStayInsideTheWindowWithoutOverlapping) {
    open();
    CFrame* frame = editor->getFrame();
    const CRect window(0, 0, dehisseditor::kWidth, dehisseditor::kHeight);
    for (int i = 0; i < frame->getNbViews(); ++i) {
        const CRect a = frame->getView(i)->getViewSize();
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= window.right &&
                    a.bottom <= window.bottom)
            << i;
        for (int j = i + 1; j < frame->getNbViews(); ++j) {
            // The about picture's click area lies over the title bar on purpose; the last
            // knob's name and the target button share one pixel column, where nothing is drawn.
            CRect both = a;
            both.bound(frame->getView(j)->getViewSize());
            const bool splashOverLogo = i == 0 && j == 1;
            if (!splashOverLogo) {
                EXPECT_TRUE(both.isEmpty() || both.width() <= 1) << i << " " << j;
            }
        }
    }
    // Every knob shows the effect's units; every button its caption.
    for (long index : {kThreshold, kRatio, kAttack, kRelease, kTilt, kGain}) {
        char label[64] = {};
        fx->getParameterLabel(static_cast<VstInt32>(index), label);
        EXPECT_STREQ(static_cast<VGControl*>(editor->getParameterControl(index))->getUnits(),
                     label);
    }
    auto* logButton = static_cast<VGTextButton*>(editor->getParameterControl(kLogScale));
    EXPECT_STREQ(logButton->getLabel(), "linear");
    EXPECT_STREQ(logButton->getOnLabel(), "log");
}

TEST_F(EditorTest, AKnobDragTellsTheHostAndMovesTheEffect) {
    open();
    const CRect r = editor->getParameterControl(kThreshold)->getViewSize();
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    const float before = fx->getParameter(kThreshold);
    editor->getFrame()->playMouse(
        {{CPoint(x, y), kLButton}, {CPoint(x, y - 10), kLButton}, {CPoint(x, y - 20), kLButton}});
    const float v = controlValue(kThreshold);
    EXPECT_NEAR(v, before + 20.f / 66.f, 1e-5f);
    EXPECT_EQ(fx->getParameter(kThreshold), v);
    ASSERT_GE(hostCalls.size(), 3u);
    EXPECT_EQ(hostCalls.front(), (HostCall{audioMasterBeginEdit, kThreshold, 0.f}));
    EXPECT_EQ(hostCalls[hostCalls.size() - 2], (HostCall{audioMasterAutomate, kThreshold, v}));
    EXPECT_EQ(hostCalls.back(), (HostCall{audioMasterEndEdit, kThreshold, 0.f}));
    // Clicks on widgets that are no parameters never reach the host.
    hostCalls.clear();
    const CRect meter = editor->getMeter()->getViewSize();
    click(meter.left + 3, meter.top + 3);
    click(40, 342); // the threshold knob's name
    EXPECT_TRUE(hostCalls.empty());
}

TEST_F(EditorTest, ResetClearsTheCurveAtOnceAndSpringsBackAtTheNextIdle) {
    open();
    std::vector<float> shape(513, 1.0f);
    shape[40] = 5.0f;
    fx->setThresholdShape(0, shape.data());
    fx->setThresholdShape(1, shape.data());
    ASSERT_FALSE(shapeIsFlat(0) || shapeIsFlat(1));
    clickControl(kReset);
    EXPECT_TRUE(shapeIsFlat(0) && shapeIsFlat(1));
    EXPECT_EQ(controlValue(kReset), 1.0f);
    editor->idle();
    EXPECT_EQ(controlValue(kReset), 0.0f);
    EXPECT_EQ(fx->getParameter(kReset), 0.0f);
}

TEST_F(EditorTest, ALearnButtonStaysLitForThePassThenTheCurveTakesTheLearnedShape) {
    open();
    clickControl(kLearnPeak);
    frames(dehiss::kLearnPassFrames - 1);
    editor->idle();
    EXPECT_EQ(controlValue(kLearnPeak), 1.0f) << "still learning";
    EXPECT_TRUE(shapeIsFlat(0));
    frames(1);
    editor->idle();
    EXPECT_EQ(controlValue(kLearnPeak), 0.0f);
    EXPECT_EQ(fx->getParameter(kLearnPeak), 0.0f);
    EXPECT_FALSE(shapeIsFlat(0));
    // The display draws the new curve: the view points at the current program's shapes.
    EXPECT_TRUE(shows(editor->getView().filterA[0], 0));
}

TEST_F(EditorTest, HostChangesMoveTheWidgets) {
    open();
    fx->setParameter(kLogScale, 1.0f);
    EXPECT_EQ(controlValue(kLogScale), 1.0f);
    fx->setParameter(kStereoLink, 0.7f); // switches show 0 or 1
    EXPECT_EQ(controlValue(kStereoLink), 1.0f);
    fx->setParameter(kInvert, 0.7f); // other buttons the raw value
    EXPECT_EQ(controlValue(kInvert), 0.7f);
    fx->setParameter(kAttack, 0.125f);
    EXPECT_EQ(controlValue(kAttack), 0.125f);
    // A program change brings every widget to the program's values.
    fx->setProgram(0);
    EXPECT_EQ(controlValue(kThreshold), fx->program(0).values[kSlotThreshold]);
    EXPECT_EQ(controlValue(kLogScale), 1.0f);
}

// From any thread but the one that opened the window, a change only leaves a mark; the widget
// follows at the next idle on the GUI thread.
TEST_F(EditorTest, ChangesFromOtherThreadsReachTheWidgetsAtTheNextIdle) {
    open();
    const float before = controlValue(kRatio);
    std::thread audio([&] {
        fx->setParameter(kRatio, 0.9f);
        fx->setParameter(kLogScale, 1.0f);
        fx->setProgram(1); // its own idle call is skipped off the GUI thread
    });
    audio.join();
    EXPECT_EQ(controlValue(kRatio), before);
    EXPECT_EQ(controlValue(kLogScale), 0.0f);
    editor->idle();
    EXPECT_EQ(controlValue(kRatio), fx->getParameter(kRatio));
    EXPECT_EQ(controlValue(kLogScale), 1.0f);
    EXPECT_EQ(controlValue(kThreshold), fx->program(1).values[kSlotThreshold]);
}

TEST_F(EditorTest, TheDisplayShowsOneBandPerChannelAndTheLinkedShape) {
    fx->channelMode = 0; // one input channel
    open();
    const SpectrumView& v = editor->getView();
    EXPECT_EQ(v.rows, 1);
    EXPECT_EQ(shownSpectrumMarks(), (std::vector<float>{1, 1, 3, 3}));
    EXPECT_EQ(v.filterA[1], v.filterA[0]);
    EXPECT_TRUE(shows(v.filterA[0], 0));

    fx->channelMode = 1;
    open(); // a second open replaces the first window
    EXPECT_EQ(v.rows, 2);
    EXPECT_EQ(shownSpectrumMarks(), (std::vector<float>{1, 2, 3, 4}));
    std::vector<float> shape2(513, 2.0f);
    fx->setThresholdShape(1, shape2.data());
    editor->idle();
    EXPECT_TRUE(shows(v.filterA[1], 1));
    clickControl(kStereoLink);
    editor->idle();
    EXPECT_EQ(v.filterA[1], v.filterA[0]);
    EXPECT_TRUE(shows(v.filterA[1], 0));
    EXPECT_EQ(*v.displayGain, fx->thresholdPower.load());
}

// A stroke across the upper band redraws channel 1's threshold curve: where the pen passed, the
// curve the display draws (threshold power ÷ (shape × tilt weight)) is the level of the pen's row.
TEST_F(EditorTest, DrawingInTheDisplayRedrawsTheThresholdCurve) {
    open();
    VGSpect* d = editor->getDisplay();
    const CRect r = d->getViewSize();
    const int y = r.top + 30;
    std::vector<CMouseStep> stroke;
    for (int x = r.left + 100; x <= r.left + 300; x += 20)
        stroke.push_back({CPoint(x, y), kLButton});
    editor->getFrame()->playMouse(stroke);
    const int from = d->binOfX(100), to = d->binOfX(300);
    ASSERT_LT(from, to);
    const float rowPower = d->rowPower(30, true);
    const float* shape = fx->thresholdShape(0);
    const float* weight = fx->tiltWeight();
    for (int k = from; k <= to; ++k)
        ASSERT_NEAR(fx->thresholdPower.load() / (shape[k] * weight[k]), rowPower, rowPower * 1e-4f)
            << k;
    EXPECT_EQ(shape[from - 1], 1.0f);
    EXPECT_TRUE(shapeIsFlat(1));
}

TEST_F(EditorTest, TheTargetButtonTogglesTheSchemeAndEveryOpenStartsStandard) {
    open();
    const CRect t = editor->getTargetButton()->getViewSize();
    click(t.left + 8, t.top + 8);
    EXPECT_TRUE(editor->showsRandomScheme());
    EXPECT_EQ(editor->getTargetButton()->getValue(), 1.0f);
    click(t.left + 8, t.top + 8);
    EXPECT_FALSE(editor->showsRandomScheme());
    EXPECT_EQ(editor->getScheme().face.red, dehisseditor::kStandardScheme.face.red);
    click(t.left + 8, t.top + 8);
    editor->close();
    open();
    EXPECT_EQ(editor->getScheme().accent.green, dehisseditor::kStandardScheme.accent.green);
    EXPECT_EQ(editor->getTargetButton()->getValue(), 1.0f) << "the palette flag outlives close";
}

TEST_F(EditorTest, LifecycleCallsOutOfOrderAreHarmless) {
    editor->idle();
    editor->close();
    EXPECT_FALSE(editor->open(nullptr)) << "a host without a window gets no editor";
    EXPECT_EQ(editor->getFrame(), nullptr);
    for (int i = 0; i < 3; ++i)
        open();
    editor->idle();
    editor->close();
    editor->close();
    editor->idle();
    EXPECT_EQ(editor->getParameterControl(kThreshold), nullptr);
    fx->setParameter(kThreshold, 0.3f); // no window: only marked
    open();
    EXPECT_EQ(controlValue(kThreshold), 0.3f);
}
