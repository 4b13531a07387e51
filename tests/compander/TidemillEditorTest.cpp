// tidemill's editor as a host meets it, through build/tidemill.so: the editor opcodes, and the
// window inside the harness's real X11 window (vsteditor), driven with the real pointer (xdotool)
// while audio renders in real time. The window tests are skipped without a display.
#include "compander/CompanderProgram.h"
#include "tools/vsthost/VstHost.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace std::chrono_literals;

namespace {

const std::string kPlugin = MIRELOW_BUILD_DIR "/tidemill.so";
const std::string kEditorHost = MIRELOW_BUILD_DIR "/tools/vsthost/vsteditor";

bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}
bool haveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

int spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

// The harness process: commands in, reports and answers out.
class EditorHost {
  public:
    explicit EditorHost(std::vector<std::string> options = {}) {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::vector<std::string> args{kEditorHost, kPlugin};
        args.insert(args.end(), options.begin(), options.end());
        pid = spawn(args, &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        out = fromChild[0];
        reader = std::thread([this] { readLines(); });
        for (int i = 0; i < std::max<int>(1, instancesIn(options)); ++i)
            if (auto w = next("window ", 15s))
                windows.push_back(w->substr(7));
    }
    ~EditorHost() {
        if (pid > 0) {
            send("quit");
            int status = 0;
            for (int i = 0; i < 500 && waitpid(pid, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(10ms);
            if (waitpid(pid, &status, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
            }
        }
        if (in >= 0)
            close(in);
        if (reader.joinable())
            reader.join();
        if (out >= 0)
            close(out);
    }
    // Waits for the harness to end by itself; its exit status (-1 on a signal or a timeout).
    int quitAndWait() {
        send("quit");
        int status = 0;
        for (int i = 0; i < 2000 && waitpid(pid, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(10ms);
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid = -1;
        return code;
    }

    bool ready() const { return !windows.empty(); }
    const std::string& window(int i = 0) const { return windows[static_cast<size_t>(i)]; }

    void send(const std::string& command) {
        const std::string line = command + "\n";
        if (write(in, line.data(), line.size()) < 0)
            return;
    }
    // The next line starting with `prefix` (lines before it are passed over but kept).
    std::optional<std::string> next(const std::string& prefix,
                                    std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(m);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            for (; cursor < lines.size(); ++cursor)
                if (lines[cursor].rfind(prefix, 0) == 0)
                    return lines[cursor++];
            if (cv.wait_until(lock, deadline) == std::cv_status::timeout && cursor >= lines.size())
                return std::nullopt;
        }
    }
    std::string ask(const std::string& command, const std::string& prefix) {
        send(command);
        return next(prefix).value_or("");
    }
    float param(int index) {
        const std::string a = ask("get " + std::to_string(index), "param ");
        return a.empty() ? -1.f : std::stof(a.substr(a.rfind(' ') + 1));
    }
    uint32_t pixel(int x, int y) {
        const std::string a = ask("pixel " + std::to_string(x) + " " + std::to_string(y), "pixel ");
        return a.empty() ? 0 : static_cast<uint32_t>(std::stoul(a.substr(6), nullptr, 16));
    }
    float levelDb() {
        const std::string a = ask("level", "level ");
        return a.empty() ? -999.f : std::stof(a.substr(6));
    }
    // The current program as the host saves it.
    compander::CompanderProgram program() {
        compander::CompanderProgram p{};
        const std::string path = "/tmp/tidemill-editor-chunk-" + std::to_string(getpid()) + ".bin";
        ask("chunk " + path, "ok");
        std::ifstream f(path, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)), {});
        std::remove(path.c_str());
        if (bytes.size() == compander::kProgramChunkBytes)
            compander::decodeProgram(bytes.data(), p);
        return p;
    }
    // Lines seen from now on, for reports that follow a gesture.
    std::vector<std::string> linesSince(size_t from) {
        std::lock_guard lock(m);
        return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(from, lines.size())),
                lines.end()};
    }
    size_t lineCount() {
        std::lock_guard lock(m);
        return lines.size();
    }

    // Runs xdotool on the editor's window: "mousemove --window W x y" etc.
    void pointer(const std::vector<std::string>& steps) {
        std::vector<std::string> args{"xdotool"};
        for (const auto& s : steps)
            args.push_back(s == "W" ? window() : s);
        const int child = spawn(args);
        int status = 0;
        if (child > 0)
            waitpid(child, &status, 0);
        std::this_thread::sleep_for(150ms); // a few idles
    }
    void clickAt(int x, int y) {
        pointer({"mousemove", "--window", "W", std::to_string(x), std::to_string(y), "click", "1"});
    }

  private:
    static int instancesIn(const std::vector<std::string>& options) {
        for (size_t i = 0; i + 1 < options.size(); ++i)
            if (options[i] == "--instances")
                return std::atoi(options[i + 1].c_str());
        return 1;
    }
    void readLines() {
        std::string partial;
        char buf[1024];
        for (;;) {
            const ssize_t n = read(out, buf, sizeof buf);
            if (n <= 0)
                break;
            partial.append(buf, static_cast<size_t>(n));
            std::lock_guard lock(m);
            for (size_t eol; (eol = partial.find('\n')) != std::string::npos;) {
                lines.push_back(partial.substr(0, eol));
                partial.erase(0, eol + 1);
            }
            cv.notify_all();
        }
    }

    int pid = -1, in = -1, out = -1;
    std::thread reader;
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::string> lines;
    size_t cursor = 0;
    std::vector<std::string> windows;
};

#define NEED_WINDOW(host)                                                                          \
    if (!haveDisplay() || !haveXdotool())                                                          \
        GTEST_SKIP() << "needs an X display and xdotool";                                          \
    ASSERT_TRUE(host.ready()) << "the harness did not open the editor"

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
    EditorHost host;
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
    EditorHost host;
    NEED_WINDOW(host);
    EXPECT_TRUE(shapeIsFlat(host.program().shape1));
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
    EXPECT_FALSE(shapeIsFlat(host.program().shape1)) << "the curve took the learned shape";

    host.clickAt(200, kButtonY);
    host.ask("idle", "ok");
    EXPECT_EQ(host.param(6), 0.f);
    EXPECT_LT(colourDistance(host.pixel(kResetX, kButtonY), kIndicatorOff), 30) << "reset off";
    const auto p = host.program();
    EXPECT_TRUE(shapeIsFlat(p.shape1) && shapeIsFlat(p.shape2));
}

TEST(TidemillEditorWindow, HostAndMidiChangesReachTheWidgetsAtTheNextIdle) {
    EditorHost host;
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
    EditorHost host;
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
    EditorHost host;
    NEED_WINDOW(host);
    host.pointer({"mousemove", "--window", "W",         "150",      "60", "mousedown", "1",
                  "sleep",     "0.1",      "mousemove", "--window", "W",  "250",       "60",
                  "sleep",     "0.1",      "mousemove", "--window", "W",  "350",       "60",
                  "sleep",     "0.1",      "mouseup",   "1"});
    const auto p = host.program();
    int changed = 0;
    for (int k = 0; k < compander::kBins; ++k)
        changed += p.shape1[k] != 1.0f;
    EXPECT_GT(changed, 50);
    EXPECT_TRUE(shapeIsFlat(p.shape2)) << "channel 2's curve is drawn in the lower band";
}

// Two instances, each opened and closed 200 times while audio runs: the harness survives (no X
// error ends it) and both windows paint afterwards.
TEST(TidemillEditorWindow, TwoInstancesOpenAndClose200Times) {
    EditorHost host({"--instances", "2"});
    NEED_WINDOW(host);
    host.send("cycle 200");
    ASSERT_TRUE(host.next("ok", 120s).has_value());
    host.ask("idle", "ok");
    EXPECT_LT(colourDistance(host.pixel(kLogIndicatorX, kButtonY), kIndicatorOff), 30);
    EXPECT_EQ(host.quitAndWait(), 0);
}
