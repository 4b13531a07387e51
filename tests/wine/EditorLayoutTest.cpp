// The layout comparison the Windows editor snapshots are checked with, on tidemill's editor here:
// it accepts the editor's own picture with every pixel a little off, and catches a shifted
// picture, a missing widget, stray marks on the background and a wrong size. And the point the
// Wine click test presses is still on the frequency-scale toggle.
#include "EditorLayout.h"
#include "compander/dehiss.h"
#include "compander/dehisseditor.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(EditorLayout, AcceptsTheSameLayoutDrawnDifferentlyAndCatchesMovedMissingOrStrayContent) {
    auto fx = std::make_unique<dehiss>(host);
    auto* editor = static_cast<dehisseditor*>(fx->getEditor());
    ASSERT_TRUE(editor->openHeadless());
    CFrame* frame = editor->getFrame();
    frame->idle();
    const int w = frame->getViewSize().width(), h = frame->getViewSize().height();
    auto own = [frame](int x, int y) { return frame->getPixel(x, y); };

    EXPECT_TRUE(editorlayout::compare(frame, own, w, h).empty());

    // Edges and glyphs set differently: every widget pixel off by up to 12 in each channel.
    auto rough = [&](int x, int y) {
        const uint32_t p = own(x, y);
        if (p == 0xFFFFFF)
            return p;
        const int d = (x * 7 + y * 3) % 25 - 12;
        uint32_t q = 0;
        for (int shift = 0; shift <= 16; shift += 8)
            q |= uint32_t(std::clamp(int((p >> shift) & 0xFF) + d, 0, 255)) << shift;
        return q;
    };
    EXPECT_TRUE(editorlayout::compare(frame, rough, w, h).empty());

    auto shifted = [&](int x, int y) { return y >= 12 ? own(x, y - 12) : 0xFFFFFFu; };
    EXPECT_FALSE(editorlayout::compare(frame, shifted, w, h).empty());

    // The first knob of the bottom row left out.
    CRect knob;
    for (int i = 0; i < frame->getNbViews(); ++i) {
        const CRect r = frame->getView(i)->getViewSize();
        if (r.top > h / 2 && r.height() > 40 && (knob.isEmpty() || r.left < knob.left))
            knob = r;
    }
    ASSERT_FALSE(knob.isEmpty());
    auto missing = [&](int x, int y) {
        return x >= knob.left && x < knob.right && y >= knob.top && y < knob.bottom ? 0xFFFFFFu
                                                                                    : own(x, y);
    };
    const auto faults = editorlayout::compare(frame, missing, w, h);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("widget"), std::string::npos) << faults[0];

    // A mark in the background, below the last row of widgets.
    auto stray = [&](int x, int y) {
        return x >= 100 && x < 110 && y >= h - 8 && y < h - 2 ? 0xFF0000u : own(x, y);
    };
    const auto strayFaults = editorlayout::compare(frame, stray, w, h);
    ASSERT_EQ(strayFaults.size(), 1u);
    EXPECT_NE(strayFaults[0].find("background"), std::string::npos) << strayFaults[0];

    EXPECT_FALSE(editorlayout::compare(frame, own, w - 1, h).empty());
}

TEST(EditorLayout, TheWineClickTestsPointIsOnTheFrequencyScaleToggle) {
    auto fx = std::make_unique<dehiss>(host);
    auto* editor = static_cast<dehisseditor*>(fx->getEditor());
    ASSERT_TRUE(editor->openHeadless());
    // tests/wine/CMakeLists.txt: Wine.<arch>.tidemill.EditorClick.
    EXPECT_TRUE(editor->getParameterControl(9)->getViewSize().pointInside(CPoint(258, 259)));
}

} // namespace
