// The host harness in editor mode (tools/vsthost/vsteditor) as a child process: a plug-in's
// editor in a real X11 window, commands in, the plug-in's host calls out, and the real pointer
// moved with xdotool. Shared by the editor window tests of both VST plug-ins.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace editorhost {

using namespace std::chrono_literals;

inline const std::string kEditorHost = MIRELOW_BUILD_DIR "/tools/vsthost/vsteditor";

// How long an answer may take. A harness built with a sanitizer paints many times slower: the
// first idle after an editor opens repaints it whole, which under ThreadSanitizer on a loaded
// machine takes several seconds for two editors.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MIRELOW_EDITOR_HOST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define MIRELOW_EDITOR_HOST_SANITIZED 1
#endif
#endif
#ifdef MIRELOW_EDITOR_HOST_SANITIZED
inline constexpr std::chrono::milliseconds kAnswerTimeout = 60s;
#else
inline constexpr std::chrono::milliseconds kAnswerTimeout = 5s;
#endif

inline bool haveDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}
inline bool haveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

inline int spawn(const std::vector<std::string>& args,
                 posix_spawn_file_actions_t* actions = nullptr) {
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
    // Runs the harness on `plugin` (a shared object's path) with the harness's options; without
    // a display nothing is started and ready() is false.
    explicit EditorHost(const std::string& plugin, std::vector<std::string> options = {}) {
        if (!haveDisplay())
            return;
        // A harness that has ended must not end the test with it when it is sent a command.
        std::signal(SIGPIPE, SIG_IGN);
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, toChild[1]);
        posix_spawn_file_actions_addclose(&actions, fromChild[0]);
        std::vector<std::string> args{kEditorHost, plugin};
        args.insert(args.end(), options.begin(), options.end());
        pid = spawn(args, &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in = toChild[1];
        out = fromChild[0];
        reader = std::thread([this] { readLines(); });
        for (int i = 0; i < std::max<int>(1, instancesIn(options)); ++i)
            if (auto w = next("window ", 3 * kAnswerTimeout))
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
                                    std::chrono::milliseconds timeout = kAnswerTimeout) {
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
    // The current program's chunk as the host saves it.
    std::vector<unsigned char> programChunk() {
        const std::string path = "/tmp/editor-host-chunk-" + std::to_string(getpid()) + ".bin";
        ask("chunk " + path, "ok");
        std::ifstream f(path, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)), {});
        std::remove(path.c_str());
        return bytes;
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

} // namespace editorhost

// In a test body: skips without a display or xdotool, fails when the editor did not open.
#define NEED_WINDOW(host)                                                                          \
    if (!editorhost::haveDisplay() || !editorhost::haveXdotool())                                  \
        GTEST_SKIP() << "needs an X display and xdotool";                                          \
    ASSERT_TRUE(host.ready()) << "the harness did not open the editor"
