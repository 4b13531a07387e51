// wendle's editor in the VST build, headless, with a recording host: edits become host
// automation between edit gestures, host changes move the widgets, defaults are a fresh program's.
#include "gui/CVSTEditor.h"
#include "wendle/WendleVstEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct HostCall {
    VstInt32 opcode, index;
    float value;
    bool operator==(const HostCall&) const = default;
};
std::vector<HostCall> calls;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
        opcode == audioMasterEndEdit)
        calls.push_back({opcode, index, opcode == audioMasterAutomate ? opt : 0.0f});
    return 0;
}

constexpr VstInt32 kTilt = 3, kLogScale = 7, kDepth = 2, kReset = 6;

struct OpenEditor {
    std::unique_ptr<WendleVstEffect> fx = std::make_unique<WendleVstEffect>(recordingHost);
    CVSTEditor* editor = static_cast<CVSTEditor*>(fx->getEditor());
    OpenEditor() {
        calls.clear();
        EXPECT_TRUE(editor->open(nullptr));
    }
    VGControl* widget(long tag) { return editor->getWidget(tag); }
    void drag(const CPoint& from, int up) {
        std::vector<CMouseStep> steps{{from, kLButton}};
        for (int dy = 4; dy <= up; dy += 4)
            steps.push_back({CPoint(from.x, from.y - dy), kLButton});
        editor->getFrame()->playMouse(steps);
    }
};

} // namespace

TEST(WendleVstEditor, KnobDragReachesTheHostAsAutomationBetweenEditGestures) {
    OpenEditor e;
    const float before = e.fx->getParameter(kTilt);
    e.drag(CPoint(318, 302), 40); // the tilt knob's centre, straight up
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front(), (HostCall{audioMasterBeginEdit, kTilt, 0.0f}));
    EXPECT_EQ(calls.back(), (HostCall{audioMasterEndEdit, kTilt, 0.0f}));
    float last = before;
    for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
        ASSERT_EQ(calls[i].opcode, audioMasterAutomate);
        EXPECT_EQ(calls[i].index, kTilt);
        EXPECT_GT(calls[i].value, last); // dragging up turns it up
        last = calls[i].value;
    }
    // What the host recorded is what the effect plays and the knob shows.
    EXPECT_EQ(e.fx->getParameter(kTilt), last);
    EXPECT_NEAR(e.widget(kTilt)->getValue(), last, 1e-6);
}

TEST(WendleVstEditor, ResetSpringsBackAtTheNextIdleAndTheHostHearsBoth) {
    OpenEditor e;
    e.editor->getFrame()->playMouse({{CPoint(90, 259), kLButton}}); // "reset"
    e.editor->idle();
    std::vector<float> values;
    for (const HostCall& c : calls)
        if (c.opcode == audioMasterAutomate && c.index == kReset)
            values.push_back(c.value);
    EXPECT_EQ(values, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ(e.widget(kReset)->getValue(), 0.0f);
    EXPECT_EQ(e.fx->getParameter(kReset), 0.0f);
}

TEST(WendleVstEditor, HostChangesMoveTheWidgetsAtTheNextIdle) {
    OpenEditor e;
    e.fx->setParameter(kTilt, 0.9f);     // automation played back by the host
    e.fx->setParameter(kLogScale, 0.0f); // a button the editor does not refresh by itself
    EXPECT_NE(e.widget(kTilt)->getValue(), 0.9f);
    e.editor->idle();
    EXPECT_EQ(e.widget(kTilt)->getValue(), 0.9f);
    EXPECT_EQ(e.widget(kLogScale)->getValue(), 0.0f);
    // A program change re-applies every parameter: the widgets follow it.
    e.fx->dispatcher(effSetProgram, 0, 1, nullptr, 0.0f);
    e.editor->idle();
    EXPECT_EQ(e.widget(kTilt)->getValue(), 0.5f);
    EXPECT_EQ(e.widget(kLogScale)->getValue(), 1.0f);
    // None of it was the user's: the host is not told back.
    EXPECT_TRUE(calls.empty());
}

TEST(WendleVstEditor, OpenShowsTheEffectsValuesWithAFreshProgramsDefaults) {
    auto fx = std::make_unique<WendleVstEffect>(recordingHost);
    fx->setParameter(kDepth, 0.2f);
    fx->setParameter(kLogScale, 0.0f);
    auto* editor = static_cast<CVSTEditor*>(fx->getEditor());
    ASSERT_TRUE(editor->open(nullptr));
    const struct {
        long tag;
        float value, fresh;
    } cases[] = {{kDepth, 0.2f, 0.75f}, {kLogScale, 0.0f, 1.0f}, {kTilt, 0.5f, 0.5f}};
    for (const auto& c : cases) {
        EXPECT_NEAR(editor->getWidget(c.tag)->getValue(), c.value, 1e-6) << c.tag;
        EXPECT_NEAR(editor->getWidget(c.tag)->getDefaultValue(), c.fresh, 1e-6) << c.tag;
    }
}

TEST(WendleVstEditor, ParametersSetFromAnotherThreadReachTheWidgetsWithoutARace) {
    OpenEditor e;
    std::atomic<bool> done{false};
    std::thread host([&] {
        // Automation from the host's own thread while the GUI thread idles the editor.
        for (int round = 0; round < 2000; ++round)
            for (VstInt32 index : {kTilt, kDepth, kLogScale})
                e.fx->setParameter(index, static_cast<float>(round % 10) / 10.0f);
        e.fx->setParameter(kTilt, 0.25f);
        done = true;
    });
    while (!done)
        e.editor->idle();
    host.join();
    e.editor->idle();
    EXPECT_EQ(e.widget(kTilt)->getValue(), 0.25f);
}
