// The toolkit, headless: reference counts, control state, the frame's repainting, off-screen
// copies, bitmaps and the splash, and the editor base reaching the host.
#include "gui/VGWidgets.h"
#include "vst/AudioEffectX.h"
#include "vstgui/AEffGUIEditor.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CountingView : CView {
    int draws = 0;
    bool* deleted = nullptr;
    explicit CountingView(const CRect& r) : CView(r) {}
    ~CountingView() override {
        if (deleted)
            *deleted = true;
    }
    void draw(CDrawContext* dc) override {
        ++draws;
        dc->setFillColor(CColor{200, 10, 10, 255});
        dc->fillRect(size);
        setDirty(false);
    }
};

struct Listener : CControlListener {
    std::vector<float> values;
    void valueChanged(CDrawContext*, CControl* c) override { values.push_back(c->getValue()); }
};

} // namespace

TEST(ReferenceCounter, DeletesWhenTheLastReferenceIsForgotten) {
    bool deleted = false;
    auto* v = new CountingView(CRect(0, 0, 1, 1));
    v->deleted = &deleted;
    v->remember();
    EXPECT_EQ(v->getNbReference(), 2);
    v->forget();
    EXPECT_FALSE(deleted);
    v->forget();
    EXPECT_TRUE(deleted);
}

TEST(Control, SetValueMarksDirtyOnlyOnChangeAndBounceClamps) {
    CControl c(CRect(0, 0, 10, 10));
    c.setDirty(false);
    c.setValue(c.getValue());
    EXPECT_FALSE(c.isDirty());
    c.setValue(0.25f);
    EXPECT_TRUE(c.isDirty());
    c.setDirty(false);
    EXPECT_FALSE(c.isDirty());
    struct Case {
        float in, out;
    } cases[] = {{-1.f, 0.f}, {0.5f, 0.5f}, {3.f, 1.f}};
    for (auto k : cases) {
        c.setValue(k.in);
        c.bounceValue();
        EXPECT_EQ(c.getValue(), k.out);
    }
}

TEST(Frame, IdleRepaintsOnlyDirtyOrInvalidatedViews) {
    CFrame frame(CRect(0, 0, 100, 100));
    auto* a = new CountingView(CRect(0, 0, 50, 50));
    auto* b = new CountingView(CRect(50, 50, 100, 100));
    frame.addView(a);
    frame.addView(b);
    frame.idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    frame.idle();
    EXPECT_EQ(a->draws, 1);
    b->setDirty();
    frame.idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    frame.invalidate(CRect(10, 10, 20, 20));
    frame.idle();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(b->draws, 2);
    EXPECT_EQ(frame.getPixel(75, 75), 0xC80A0Au);
    EXPECT_TRUE(frame.removeView(b));
    frame.idle();
    EXPECT_EQ(frame.getPixel(75, 75), 0xFFFFFFu); // background shows again
}

TEST(OffscreenContext, CopiesFromTheSourceOffsetIntoTheDestinationRectangle) {
    CFrame frame(CRect(0, 0, 40, 40));
    frame.idle(); // white background
    auto* off = new COffscreenContext(&frame, 20, 20, CColor{0, 0, 255, 255});
    off->setFillColor(CColor{255, 0, 0, 255});
    off->fillRect(CRect(10, 10, 20, 20));
    off->copyFrom(frame.getBackBuffer(), CRect(0, 0, 10, 10), CPoint(10, 10)); // the red quarter
    off->copyFrom(frame.getBackBuffer(), CRect(20, 20, 40, 40));
    off->forget();
    EXPECT_EQ(frame.getPixel(5, 5), 0xFF0000u);
    EXPECT_EQ(frame.getPixel(15, 15), 0xFFFFFFu); // untouched
    EXPECT_EQ(frame.getPixel(25, 25), 0x0000FFu);
    EXPECT_EQ(frame.getPixel(35, 35), 0xFF0000u);
}

TEST(DrawContext, BaseTextIsAliasedAndSpacedByTheCharacterExtra) {
    CFrame frame(CRect(0, 0, 10, 10));
    auto* dc = new COffscreenContext(&frame, 200, 40, kWhiteCColor);
    dc->setFont(kNormalFont, 20, 0);
    const CCoord plain = dc->getStringWidth("abcd");
    dc->setCharacterExtra(2);
    EXPECT_EQ(dc->getStringWidth("abcd"), plain + 8);
    dc->drawString("abcd", CRect(0, 0, 200, 40), false, kLeftText);
    int ink = 0, grey = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            uint32_t p = dc->getPixel(x, y);
            ink += p == 0;
            grey += p != 0 && p != 0xFFFFFF;
        }
    dc->forget();
    EXPECT_GT(ink, 50);
    EXPECT_EQ(grey, 0);
}

TEST(Bitmap, TheAboutPictureIsCompiledIn) {
    auto* about = new CBitmap(129);
    EXPECT_TRUE(about->isLoaded());
    EXPECT_EQ(about->getWidth(), 440);
    EXPECT_EQ(about->getHeight(), 370);
    about->forget();
    auto* missing = new CBitmap(4711);
    EXPECT_FALSE(missing->isLoaded());
    missing->forget();
}

TEST(SplashScreen, AClickShowsThePictureOverTheFrameAndTheNextHidesIt) {
    CFrame frame(CRect(0, 0, 445, 370));
    Listener listener;
    auto* bitmap = new CBitmap(129);
    auto* splash =
        new CSplashScreen(CRect(5, 5, 440, 30), &listener, 748, bitmap, CRect(0, 0, 440, 370));
    bitmap->forget();
    frame.addView(splash);
    frame.idle();
    EXPECT_EQ(frame.getPixel(200, 200), 0xFFFFFFu);
    frame.playMouse({{CPoint(10, 10), kLButton}});
    EXPECT_TRUE(splash->isSplashShown());
    EXPECT_NE(frame.getPixel(200, 200), 0xFFFFFFu);
    EXPECT_EQ(frame.getPixel(442, 200), 0xFFFFFFu); // beyond the picture
    frame.writePng(MIRELOW_BUILD_DIR "/about-splash.png");
    // The next click anywhere hides it.
    frame.playMouse({{CPoint(300, 300), kLButton}});
    EXPECT_FALSE(splash->isSplashShown());
    EXPECT_EQ(frame.getPixel(200, 200), 0xFFFFFFu);
    EXPECT_EQ(listener.values, (std::vector<float>{1.f, 0.f}));
}

namespace {

std::vector<std::pair<VstInt32, VstInt32>> hostCalls;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
    hostCalls.emplace_back(opcode, index);
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Effect : AudioEffectX {
    Effect() : AudioEffectX(recordingHost, 1, 4) {}
    void processReplacing(float**, float**, VstInt32) override {}
};

struct Editor : AEffGUIEditor {
    explicit Editor(AudioEffect* fx) : AEffGUIEditor(fx) { rect = ERect{0, 0, 370, 445}; }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, 445, 370), getParentWindow(), this);
        auto* knob = new VGGrommetKnob(CRect(10, 10, 76, 76), nullptr, 2, &scheme);
        knob->setValue(0.f);
        frame->addView(knob);
        frame->addView(new VGVertMeter(CRect(100, 10, 117, 228), &ignore, 1005, &scheme));
        return true;
    }
    void close() override {
        if (frame)
            frame->forget();
        frame = nullptr;
        AEffGUIEditor::close();
    }
    WidgetScheme scheme{{43, 165, 104, 255}, {84, 145, 18, 255}, {0, 99, 148, 255}, {0, 0, 0, 255}};
    struct : CControlListener {
        void valueChanged(CDrawContext*, CControl*) override {}
    } ignore;
};

} // namespace

TEST(EditorBase, AnswersItsRectangleAndPassesEditGesturesToTheHost) {
    Effect fx;
    auto* editor = new Editor(&fx); // owned by the effect
    ERect* r = nullptr;
    ASSERT_TRUE(editor->getRect(&r));
    EXPECT_EQ(r->right, 445);
    EXPECT_EQ(r->bottom, 370);
    ASSERT_TRUE(editor->open(nullptr));
    ASSERT_TRUE(editor->getFrame()->isHeadless());
    hostCalls.clear();
    editor->getFrame()->playMouse({{CPoint(43, 43), kLButton}, {CPoint(43, 30), kLButton}});
    const std::vector<std::pair<VstInt32, VstInt32>> expected = {{audioMasterBeginEdit, 2},
                                                                 {audioMasterEndEdit, 2}};
    EXPECT_EQ(hostCalls, expected);
    // A widget whose tag is no parameter keeps its gestures from the host.
    hostCalls.clear();
    editor->getFrame()->playMouse({{CPoint(105, 20), kLButton}});
    EXPECT_TRUE(hostCalls.empty());
    editor->idle();
    editor->close();
    EXPECT_EQ(editor->getFrame(), nullptr);
}
