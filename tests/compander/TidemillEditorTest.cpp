// tidemill's editor as a host meets it, through build/tidemill.so: the editor opcodes, and the
// window inside the harness's real X11 window (vsteditor), driven with the real pointer (xdotool)
// while audio renders in real time. The window tests are skipped without a display.
#include "compander/CompanderProgram.h"
#include "tests/support/EditorHostProcess.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

const std::string kPlugin = MIRELOW_BUILD_DIR "/tidemill.so";
using editorhost::EditorHost;
using editorhost::haveDisplay;

// The current program as the host saves it.
compander::CompanderProgram programOf(EditorHost& host) {
    compander::CompanderProgram p{};
    const auto bytes = host.programChunk();
    if (bytes.size() == compander::kProgramChunkBytes)
        compander::decodeProgram(bytes.data(), p);
    return p;
}

// Frame positions of the window's parts (the editor's layout).
constexpr int kResetX = 219, kButtonY = 259; // indicator of "reset"
constexpr int kLearnPeakX = 30;
constexpr int kLogIndicatorX = 276;          // indicator of "linear"/"log"
constexpr uint32_t kIndicatorOff = 0x95d2b3; // light face
constexpr uint32_t kIndicatorOn = 0x00314a;  // dark highlight
constexpr uint32_t kHighlight = 0x006394;

int colourDistance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int s = 0; s <= 16; s += 8)
        d = std::max(d, std::abs(int((a >> s) & 0xff) - int((b >> s) & 0xff)));
    return d;
}

bool shapeIsFlat(const float* s) {
    for (int k = 0; k < compander::kBins; ++k)
        if (s[k] != 1.0f)
            return false;
    return true;
}

} // namespace

TEST(TidemillEditorOpcodes, AnswersAsAHostExpects) {
    vsthost::Plugin p(kPlugin);
    EXPECT_TRUE(p.flags() & effFlagsHasEditor);
    ERect* r = nullptr;
    EXPECT_EQ(p.dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::vector<int>{r->top, r->left, r->bottom, r->right}),
              (std::vector<int>{0, 0, 370, 445}));
    // Out of order: idle and close without a window, open without a parent window.
    EXPECT_EQ(p.dispatch(effEditIdle), 0);
    EXPECT_EQ(p.dispatch(effEditClose), 0);
    EXPECT_EQ(p.dispatch(effEditOpen, 0, 0, nullptr), 0);
    EXPECT_EQ(p.dispatch(effEditIdle), 0);
}

TEST(TidemillEditorOpcodes, AStaleParentWindowGetsNoEditorAndNoXError) {
    if (!haveDisplay())
        GTEST_SKIP() << "no X display";
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const Window gone = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(dpy, gone);
    XSync(dpy, False);
    {
        vsthost::Plugin p(kPlugin);
        // Xlib's default error handler would end this process.
        EXPECT_EQ(p.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(gone)), 0);
        EXPECT_EQ(p.dispatch(effEditIdle), 0);
        EXPECT_EQ(p.dispatch(effEditClose), 0);
    }
    XCloseDisplay(dpy);
}

// Dragging the threshold knob up with the real pointer: the host hears the gesture and every
// step, the effect takes the value, and with the expander set hard the output gets quieter.
TEST(TidemillEditorWindow, AKnobDragIsHeardByTheHostAndChangesTheSound) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    host.ask("set 3 0.9", "ok"); // expansion 1 : 4.2
    std::this_thread::sleep_for(1200ms);
    const float before = host.levelDb();
    const float start = host.param(0);
    const size_t mark = host.lineCount();
    host.pointer({"mousemove", "--window", "W",         "38",       "320", "mousedown", "1",
                  "sleep",     "0.2",      "mousemove", "--window", "W",   "38",        "300",
                  "sleep",     "0.2",      "mousemove", "--window", "W",   "38",        "280",
                  "sleep",     "0.2",      "mouseup",   "1"});
    const float end = host.param(0);
    EXPECT_NEAR(end, std::min(1.f, start + 40.f / 66.f), 0.02f);
    const auto seen = host.linesSince(mark);
    std::vector<std::string> gestures;
    std::string lastAutomate;
    for (const auto& l : seen) {
        if (l.rfind("beginEdit", 0) == 0 || l.rfind("endEdit", 0) == 0)
            gestures.push_back(l);
        if (l.rfind("automate 0 ", 0) == 0)
            lastAutomate = l;
    }
    EXPECT_EQ(gestures, (std::vector<std::string>{"beginEdit 0", "endEdit 0"}));
    ASSERT_FALSE(lastAutomate.empty());
    EXPECT_NEAR(std::stof(lastAutomate.substr(11)), end, 1e-5f);
    std::this_thread::sleep_for(1200ms);
    EXPECT_LT(host.levelDb(), before - 3.f) << "threshold raised under an expander";
}

TEST(TidemillEditorWindow, LearnAndResetButtonsAreMomentary) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    EXPECT_TRUE(shapeIsFlat(programOf(host).shape1));
    const size_t mark = host.lineCount();
    host.clickAt(kLearnPeakX, kButtonY);
    bool automated = false;
    for (const auto& l : host.linesSince(mark))
        automated = automated || l.rfind("automate 4 1.0", 0) == 0;
    EXPECT_TRUE(automated);
    // The pass runs for 41 frames (a quarter of a second); the next idle after it lets go.
    for (int i = 0; i < 40 && host.param(4) != 0.f; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(host.param(4), 0.f);
    host.ask("idle", "ok");
    EXPECT_LT(colourDistance(host.pixel(69, kButtonY), kIndicatorOff), 30) << "learnpeak off";
    EXPECT_FALSE(shapeIsFlat(programOf(host).shape1)) << "the curve took the learned shape";

    host.clickAt(200, kButtonY);
    host.ask("idle", "ok");
    EXPECT_EQ(host.param(6), 0.f);
    EXPECT_LT(colourDistance(host.pixel(kResetX, kButtonY), kIndicatorOff), 30) << "reset off";
    const auto p = programOf(host);
    EXPECT_TRUE(shapeIsFlat(p.shape1) && shapeIsFlat(p.shape2));
}

TEST(TidemillEditorWindow, HostAndMidiChangesReachTheWidgetsAtTheNextIdle) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    EXPECT_LT(colourDistance(host.pixel(kLogIndicatorX, kButtonY), kIndicatorOff), 30);
    host.ask("set 9 1", "ok");
    host.ask("idle", "ok");
    EXPECT_LT(colourDistance(host.pixel(kLogIndicatorX, kButtonY), kIndicatorOn), 30)
        << "logscale on lights the button";
    // Controller 75 at 0 on the audio thread turns the threshold knob to 7 o'clock: the marker
    // (highlight) shows there after the next idle.
    host.ask("midi 75 0", "ok");
    host.ask("idle", "ok");
    EXPECT_EQ(host.param(0), 0.f);
    EXPECT_LT(colourDistance(host.pixel(24, 326), kHighlight), 40);
}

TEST(TidemillEditorWindow, TheTargetButtonTogglesTheColoursAndAReopenShowsTheStandardOnes) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    // The title bar's mark: accent in the standard scheme.
    const int markX = 17, markY = 8;
    const uint32_t standard = host.pixel(markX, markY);
    host.clickAt(433, 343);
    EXPECT_NE(host.pixel(markX, markY), standard);
    host.clickAt(433, 343);
    EXPECT_EQ(host.pixel(markX, markY), standard);
    host.clickAt(433, 343);
    host.ask("close", "ok");
    EXPECT_EQ(host.ask("open", "open "), "open 1");
    host.ask("idle", "ok");
    EXPECT_EQ(host.pixel(markX, markY), standard);
}

// A stroke across the upper band of the display redraws channel 1's threshold curve; the host
// reads it back in the program chunk.
TEST(TidemillEditorWindow, DrawingInTheDisplayChangesTheProgramsShape) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    host.pointer({"mousemove", "--window", "W",         "150",      "60", "mousedown", "1",
                  "sleep",     "0.1",      "mousemove", "--window", "W",  "250",       "60",
                  "sleep",     "0.1",      "mousemove", "--window", "W",  "350",       "60",
                  "sleep",     "0.1",      "mouseup",   "1"});
    const auto p = programOf(host);
    int changed = 0;
    for (int k = 0; k < compander::kBins; ++k)
        changed += p.shape1[k] != 1.0f;
    EXPECT_GT(changed, 50);
    EXPECT_TRUE(shapeIsFlat(p.shape2)) << "channel 2's curve is drawn in the lower band";
}

// Two instances, each opened and closed 200 times while audio runs: the harness survives (no X
// error ends it) and both windows paint afterwards.
TEST(TidemillEditorWindow, TwoInstancesOpenAndClose200Times) {
    EditorHost host(kPlugin, {"--instances", "2"});
    NEED_WINDOW(host);
    host.send("cycle 200");
    ASSERT_TRUE(host.next("ok", 480s).has_value());
    host.ask("idle", "ok");
    EXPECT_LT(colourDistance(host.pixel(kLogIndicatorX, kButtonY), kIndicatorOff), 30);
    EXPECT_EQ(host.quitAndWait(), 0);
}
