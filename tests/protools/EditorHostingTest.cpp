// wendle's editor hosted by the simulator in a plug-in window on a real X display, driven with the
// real pointer (xdotool): edits travel the host's automation lanes and come back to the effect and
// the widgets; placement, several instances, bad windows, and opening and closing while audio
// renders. Skipped without a display or xdotool.
#include "HostWindow.h"
#include "WendleFixture.h"
#include "engine/ByteOrder.h"
#include "gui/WendleEditorHost.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string output;
};

using ptsim::AutomationEvent;
using Kind = AutomationEvent::Kind;
constexpr int kW = 440, kH = 370;
constexpr int32_t kOn = INT32_MAX, kOff = INT32_MIN;

bool haveDisplayAndXdotool() {
    return ptsim::HostWindow::displayAvailable() &&
           std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

#define REQUIRE_X()                                                                                \
    if (!haveDisplayAndXdotool())                                                                  \
    GTEST_SKIP() << "needs an X display and xdotool"

// One instance whose editor is open in a 600 x 440 plug-in window: the editor sits at (80, 70).
struct Hosted {
    explicit Hosted(int channels = 2, int width = 600, int height = 440)
        : plugin(wendletest::pluginPath()), fx(plugin.createInstance(channels)),
          window(width, height, "wendle editor test") {
        window.waitMapped();
        EXPECT_NE(fx->view().view, nullptr);
        EXPECT_EQ(fx->openView(window.window()), kPINoErr);
        idleFor(100);
    }
    ~Hosted() { fx->closeView(); }

    void idleFor(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            fx->idleView();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Runs xdotool (coordinates relative to the editor) while the host keeps idling.
    void xdotool(std::vector<std::string> args) {
        std::vector<std::string> full{"xdotool"};
        const int ox = (window.width() - kW) / 2, oy = window.height() - kH;
        for (size_t i = 0; i < args.size(); ++i) {
            full.push_back(args[i]);
            if (args[i] == "mousemove") {
                full.push_back("--window");
                full.push_back(std::to_string(window.window()));
                full.push_back(std::to_string(std::stoi(args[++i]) + ox));
                full.push_back(std::to_string(std::stoi(args[++i]) + oy));
            }
        }
        std::vector<char*> argv;
        for (auto& a : full)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ), 0);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
            fx->idleView();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        idleFor(150);
    }
    void click(int x, int y) {
        xdotool({"mousemove", std::to_string(x), std::to_string(y), "sleep", "0.1", "click", "1",
                 "sleep", "0.1", "mousemove", "-70", "-60"});
    }

    std::vector<AutomationEvent> lane(int control) const {
        std::vector<AutomationEvent> out;
        for (const AutomationEvent& e : fx->automation())
            if (e.control == control)
                out.push_back(e);
        return out;
    }

    ptsim::PlugIn plugin;
    std::unique_ptr<ptsim::Instance> fx;
    ptsim::HostWindow window;
};

float normalised(int32_t v) {
    return normalisedFromControlValue(v);
}

std::vector<float> curve(const ptsim::Instance& fx, const char* id) {
    const std::vector<uint8_t> record = fx.chunk(ptsim::parseFourCC(id));
    std::vector<float> out(513);
    for (size_t k = 0; k < out.size(); ++k)
        out[k] = loadBigEndianFloat(record.data() + 56 + 4 * k);
    return out;
}

void setCurve(ptsim::Instance& fx, const char* id, float value) {
    std::vector<uint8_t> record(56 + 4 * 513);
    reinterpret_cast<PIChunkHeader*>(record.data())->size = static_cast<int32_t>(record.size());
    for (size_t k = 0; k < 513; ++k)
        storeBigEndianFloat(value, record.data() + 56 + 4 * k);
    ASSERT_EQ(fx.setChunk(ptsim::parseFourCC(id), record.data(), record.size()), kPINoErr);
}

// How many pixels differ inside a rectangle of two pictures.
int differing(const ptsim::Picture& a, const ptsim::Picture& b, int l, int t, int r, int bt) {
    int n = 0;
    for (int y = t; y < bt; ++y)
        for (int x = l; x < r; ++x)
            n += a.at(x, y) != b.at(x, y);
    return n;
}

// Renders generated noise on a thread of its own, as the host's audio thread does.
struct AudioThread {
    explicit AudioThread(ptsim::Instance& fx) : fx(fx), thread([this] { run(); }) {}
    ~AudioThread() {
        running = false;
        thread.join();
    }
    void run() {
        const wendletest::Channels noise = wendletest::colouredNoise(fx.channels(), 512, 5u, 0.3f);
        wendletest::Channels out = noise;
        std::vector<float*> in, o;
        for (size_t c = 0; c < noise.size(); ++c) {
            in.push_back(const_cast<float*>(noise[c].data()));
            o.push_back(out[c].data());
        }
        while (running) {
            fx.render(in.data(), o.data(), 512);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ptsim::Instance& fx;
    std::atomic<bool> running{true};
    std::thread thread;
};

// `ptsim edit` as a user runs it.
std::string runPtsim(const std::string& args, int* status) {
    const std::string command =
        std::string(PTSIM_EXE) + " --plugin " + MIRELOW_BUILD_DIR + "/wendle.so " + args + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int s = pclose(pipe);
    *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return output;
}

} // namespace

TEST(EditorHosting, AKnobDragIsTouchedSetAndReleasedAndTheHostsAnswerMovesEffectAndWidget) {
    REQUIRE_X();
    Hosted h;
    // The depth knob (5, 269, 71, 335) starts at 0.5; up 20 pixels of its 66 adds 20/66.
    h.xdotool({"mousemove", "38",        "302", "mousedown", "1",     "sleep",
               "0.2",       "mousemove", "38",  "292",       "sleep", "0.2",
               "mousemove", "38",        "282", "sleep",     "0.2",   "mouseup",
               "1",         "mousemove", "-70", "-60"});
    const auto lane = h.lane(2);
    ASSERT_GE(lane.size(), 3u);
    EXPECT_EQ(lane.front().kind, Kind::Touch);
    EXPECT_EQ(lane.back().kind, Kind::Release);
    for (size_t i = 1; i + 1 < lane.size(); ++i)
        EXPECT_EQ(lane[i].kind, Kind::Value);
    EXPECT_EQ(h.fx->automation().size(), lane.size()) << "only the knob's lane was written";
    const int32_t value = h.fx->control(2);
    EXPECT_EQ(value, lane[lane.size() - 2].value);
    EXPECT_NEAR(normalised(value), 0.5f + 20.f / 66.f, 2e-3);
    EXPECT_NEAR(h.fx->algorithmValue(2), normalised(value), 1e-6);

    // The widget shows what the control took: the same knob as an editor opened on that value.
    auto reference = h.plugin.createInstance(2);
    reference->setControl(2, value);
    reference->view();
    ASSERT_EQ(reference->openViewOffscreen(), kPINoErr);
    reference->idleView();
    reference->idleView();
    h.fx->idleView();
    EXPECT_EQ(differing(h.fx->viewPicture(), reference->viewPicture(), 5, 269, 71, 350), 0);
}

TEST(EditorHosting, ResetSendsOneAndAfterTheNextIdleTheHostHasZero) {
    REQUIRE_X();
    Hosted h;
    // The filter control's default 0.5 selects filter one.
    setCurve(*h.fx, "LF1L", 0.5f);
    h.click(92, 259);
    const auto lane = h.lane(6);
    std::vector<int32_t> values;
    for (const auto& e : lane)
        if (e.kind == Kind::Value)
            values.push_back(e.value);
    EXPECT_EQ(values, (std::vector<int32_t>{kOn, kOff}));
    EXPECT_EQ(h.fx->control(6), kOff);
    for (float v : curve(*h.fx, "LF1L"))
        ASSERT_EQ(v, 1.0f) << "the reset flattened filter one";
}

TEST(EditorHosting, LearnLightsWhileLearningAndSpringsBackWhenLearningStops) {
    REQUIRE_X();
    Hosted h;
    // The indicator of "learn" (5, 250, 60, 268): a circle at its right end.
    auto indicator = [&] {
        h.fx->idleView();
        return h.fx->viewPicture().at(51, 259);
    };
    const uint32_t off = indicator();
    {
        AudioThread audio(*h.fx);
        h.click(25, 259);
        EXPECT_EQ(h.fx->control(5), kOn);
        EXPECT_EQ(h.fx->algorithmText(5), "on");
        EXPECT_NE(indicator(), off);
        h.idleFor(300); // frames are summed
        // The host's automation switches learning off: the button follows at the next idle.
        ASSERT_EQ(h.fx->setControl(5, kOff), kPINoErr);
        h.idleFor(50);
        EXPECT_EQ(indicator(), off);
        EXPECT_EQ(h.fx->algorithmText(5), "off");
        // Once more with the mouse: on, then off again.
        h.click(25, 259);
        EXPECT_NE(indicator(), off);
        h.idleFor(300);
        h.click(25, 259);
        EXPECT_EQ(indicator(), off);
    }
    EXPECT_EQ(h.fx->control(5), kOff);
    const std::vector<float> learned = curve(*h.fx, "LF1L");
    EXPECT_NE(*std::min_element(learned.begin(), learned.end()), 1.0f) << "a curve was learned";
}

TEST(EditorHosting, AltClickReturnsAKnobAndAButtonToTheDefaultsReportedAtOpen) {
    REQUIRE_X();
    Hosted h;
    h.fx->closeView();
    ASSERT_EQ(h.fx->setControlUnits("depth", 1.5), kPINoErr);
    ASSERT_EQ(h.fx->setControlUnits("logscale", 1.0), kPINoErr);
    ASSERT_EQ(h.fx->openView(h.window.window()), kPINoErr);
    h.idleFor(100);
    h.xdotool({"mousemove", "38",  "302",       "keydown", "alt",       "click", "1",
               "sleep",     "0.1", "mousemove", "152",     "259",       "click", "1",
               "sleep",     "0.1", "keyup",     "alt",     "mousemove", "-70",   "-60"});
    const ptsim::ControlDesc& depth = h.fx->controls()[1];
    const ptsim::ControlDesc& logscale = h.fx->controls()[6];
    // The editor holds values as floats: the default comes back as the nearest float allows.
    EXPECT_EQ(h.fx->control(2),
              controlValueFromNormalised(normalisedFromControlValue(depth.defaultControlValue)));
    EXPECT_EQ(h.fx->control(7), logscale.defaultControlValue);
    EXPECT_NEAR(h.fx->controlUnits(2), 0.0, 1e-6);
}

TEST(EditorHosting, TheSchemeToggleAlternatesAndEveryWidgetRepaints) {
    REQUIRE_X();
    Hosted h;
    h.idleFor(50);
    const ptsim::Picture before = h.fx->viewPicture();
    h.click(428, 342);
    const ptsim::Picture random = h.fx->viewPicture();
    // Every widget drawn with the scheme's colours changed.
    const int boxes[][4] = {{5, 5, 435, 31},      {420, 35, 437, 253}, {5, 250, 60, 268},
                            {345, 250, 415, 268}, {5, 269, 71, 335},   {355, 269, 421, 335}};
    for (const auto& b : boxes)
        EXPECT_GT(differing(before, random, b[0], b[1], b[2], b[3]), 0) << b[0] << "," << b[1];
    h.click(428, 342);
    EXPECT_EQ(differing(before, h.fx->viewPicture(), 0, 0, kW, kH), 0) << "the default scheme";
}

TEST(EditorHosting, DrawingInTheDisplayChangesTheLearnedCurveAndStereoLinkEditsTheLeftOne) {
    REQUIRE_X();
    Hosted h;
    const std::vector<float> flat(513, 1.0f);
    // Unlinked: a stroke across the lower band edits the right curve of filter one.
    h.xdotool({"mousemove", "100",     "200", "mousedown", "1",   "mousemove", "200",
               "230",       "sleep",   "0.1", "mousemove", "300", "220",       "sleep",
               "0.1",       "mouseup", "1",   "mousemove", "-70", "-60"});
    EXPECT_EQ(curve(*h.fx, "LF1L"), flat);
    EXPECT_NE(curve(*h.fx, "LF1R"), flat);

    setCurve(*h.fx, "LF1R", 1.0f);
    ASSERT_EQ(h.fx->setControlUnits("stereolink", 1.0), kPINoErr);
    h.idleFor(50);
    h.xdotool({"mousemove", "100",     "200", "mousedown", "1",   "mousemove", "200",
               "230",       "sleep",   "0.1", "mousemove", "300", "220",       "sleep",
               "0.1",       "mouseup", "1",   "mousemove", "-70", "-60"});
    const std::vector<float> left = curve(*h.fx, "LF1L");
    EXPECT_NE(left, flat);
    EXPECT_EQ(curve(*h.fx, "LF1R"), flat);
    // The next frame re-derives the curve in dB from the drawn one.
    wendletest::render(*h.fx, wendletest::silence(2, 1024), 512);
    const std::vector<float> db = curve(*h.fx, "DF1L");
    for (size_t k = 0; k < left.size(); ++k)
        ASSERT_NEAR(db[k], 20.0f * std::log10(left[k]), 1e-3) << k;
}

TEST(EditorHosting, TheEditorSitsCentredOnTheBottomEdgeOfParentsOfEveryWidth) {
    REQUIRE_X();
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    for (int width : {440, 600, 1000}) {
        Hosted h(2, width, 400);
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(dpy, h.window.window(), &root, &parent, &children, &count));
        ASSERT_EQ(count, 1u) << width;
        XWindowAttributes a{};
        XGetWindowAttributes(dpy, children[0], &a);
        XFree(children);
        EXPECT_EQ(a.x, width == 440 ? 0 : (width - kW) / 2) << width;
        EXPECT_EQ(a.y, 400 - kH) << width;
        EXPECT_EQ(a.width, kW);
        EXPECT_EQ(a.height, kH);
    }
    XCloseDisplay(dpy);
}

TEST(EditorHosting, TwoInstancesOpenSideBySideAndBadWindowsAreRefused) {
    REQUIRE_X();
    Hosted a, b(1, 500, 400);
    EXPECT_EQ(a.fx->idleView(), kPINoErr);
    EXPECT_EQ(b.fx->idleView(), kPINoErr);
    EXPECT_EQ(b.fx->closeView(), kPINoErr);
    EXPECT_EQ(a.fx->viewPicture().width, kW) << "the first stays open";

    EXPECT_EQ(b.fx->openView(0), kPIErr_ViewFailed);
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    const Window gone = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(dpy, gone);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    EXPECT_EQ(b.fx->openView(gone), kPIErr_ViewFailed);
    EXPECT_TRUE(b.fx->viewPicture().pixels.empty()) << "a failed open leaves it closed";
    EXPECT_EQ(b.fx->openView(b.window.window()), kPINoErr) << "and a good window still works";
}

TEST(EditorHosting, OpeningAndClosingTwoHundredTimesWhileAudioRendersLeavesNoWindowBehind) {
    REQUIRE_X();
    Hosted h;
    Display* dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
    AudioThread audio(*h.fx);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(h.fx->closeView(), kPINoErr);
        ASSERT_EQ(h.fx->openView(h.window.window()), kPINoErr) << i;
        h.fx->idleView();
    }
    h.idleFor(100);
    EXPECT_EQ(h.fx->closeView(), kPINoErr);
    XSync(dpy, False);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(dpy, h.window.window(), &root, &parent, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(count, 0u);
    XCloseDisplay(dpy);
    ASSERT_EQ(h.fx->openView(h.window.window()), kPINoErr); // the destructor closes it again
}

// The editor in a plug-in window for a second, under a display.
TEST(EditorHosting, PtsimEditOpensTheEditorInAPlugInWindowAndClosesItAgain) {
    if (!ptsim::HostWindow::displayAvailable())
        GTEST_SKIP() << "no X display";
    Result r;
    r.output = runPtsim("edit --mono --seconds 1 --tempo 90", &r.status);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("mono instance, 44100 Hz, tempo 90 BPM, input generated noise"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("440 x 370 in a 600 x 440 plug-in window at (80, 70)"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("closed after 1.0 s: 0 touches, 0 values"), std::string::npos)
        << r.output;
}
