// The custom user interface alone, on a process stand-in: the child window's placement, which
// control numbers reach the editor, the shared window class, and the failures it raises.
#include <gtest/gtest.h>

#include "gui/CVSTEditor.h"
#include "protools/CWendleCustomUI.h"
#include "wendle/wendle.h"

namespace {

struct FakeProcess : IWendleProcess {
    wendle fx{nullptr};
    int32_t SetControlValueFromUI(int32_t, int32_t) override { return 0; }
    int32_t GetControlValueForUI(int32_t, int32_t*) override { return -1; }
    int32_t GetControlDefaultValue(int32_t, int32_t*) override { return -1; }
    int32_t TouchControl(int32_t) override { return 0; }
    int32_t ReleaseControl(int32_t) override { return 0; }
    int32_t EditNotification(int32_t) override { return 0; }
    void* GetModuleHandle() override { return this; }
    wendle* GetEffect() override { return &fx; }
};

} // namespace

TEST(CustomUI, TheChildIsCentredWhenTheParentIsWiderAndSitsOnItsBottomEdge) {
    struct Case {
        int32_t clientWidth, clientBottom, x, y;
    };
    const Case cases[] = {
        {440, 370, 0, 0}, {600, 440, 80, 70}, {1000, 500, 280, 130}, {400, 300, -20, -70}};
    for (const Case& c : cases) {
        const wendlept::Placement p =
            wendlept::PlaceChild(c.clientWidth, 0, c.clientBottom, 0, 0, 440, 370);
        EXPECT_EQ(p.x, c.x) << c.clientWidth;
        EXPECT_EQ(p.y, c.y) << c.clientWidth;
        EXPECT_EQ(p.width, 440);
        EXPECT_EQ(p.height, 370);
    }
    // An editor rectangle not at the origin keeps its left when the widths agree; the client's
    // top adds to the height.
    const wendlept::Placement p = wendlept::PlaceChild(440, 12, 400, 5, 0, 445, 370);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.height, 382);
}

TEST(CustomUI, OnlyControlsTwoToThirteenReachTheEditor) {
    FakeProcess process;
    CWendleCustomUI ui(&process);
    ui.OpenOffscreen();
    CVSTEditor* editor = ui.GetEditor();
    for (int32_t control : {0, 1, 14}) {
        ui.SetControlValue(control, INT32_MAX);
        ui.SetControlHighlight(control, true, 0xFF0000);
        EXPECT_FALSE(editor->isControlHighlighted(control)) << control;
    }
    ui.SetControlValue(9, INT32_MAX);
    ui.SetControlHighlight(13, true, 0xFF0000);
    EXPECT_EQ(process.fx.getParameter(9), 1.f);
    EXPECT_EQ(editor->getWidget(9)->getValue(), 1.f);
    EXPECT_TRUE(editor->isControlHighlighted(13));
    int32_t control = 7;
    ui.GetControlAtPoint(100, 300, &control);
    EXPECT_EQ(control, 0);
}

TEST(CustomUI, TheWindowClassIsSharedAndTheFailuresAreRaised) {
    const int before = wendlept::WindowClassRegistrations();
    FakeProcess p1, p2;
    {
        CWendleCustomUI a(&p1);
        CWendleCustomUI b(&p2); // the class exists already: shared
        EXPECT_EQ(wendlept::WindowClassRegistrations(), before + 2);
        int16_t l = -1, t = -1, r = -1, bt = -1;
        a.GetRect(&l, &t, &r, &bt);
        EXPECT_EQ((std::array<int16_t, 4>{l, t, r, bt}), (std::array<int16_t, 4>{0, 0, 440, 370}));
        b.SetRect(0, 0, 300, 200);
        b.GetRect(&l, &t, &r, &bt);
        EXPECT_EQ(r, 300);

        EXPECT_THROW(a.Open(0), CWendleUIError);
        EXPECT_FALSE(a.IsOpen());
        EXPECT_FALSE(a.Close()) << "nothing was open";
        a.OpenOffscreen();
        EXPECT_TRUE(a.IsOpen());
        EXPECT_TRUE(a.Close());
        a.OpenOffscreen(); // left open: the destructor closes and deletes the editor
    }
    EXPECT_EQ(wendlept::WindowClassRegistrations(), before);
}
