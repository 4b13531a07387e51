// The ptsim command: bad arguments end it with a message and exit status 2 before anything is
// set; good ones inspect, save and restore build/wendle.so.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Result {
    int status;
    std::string output; // stdout and stderr
};

Result runPtsim(const std::string& args) {
    const std::string command =
        std::string(PTSIM_EXE) + " --plugin " + MIRELOW_BUILD_DIR + "/wendle.so " + args + " 2>&1";
    Result r{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

TEST(PtsimCli, BadArgumentsAreRefusedWithAMessageAndStatusTwo) {
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"", "usage: ptsim"},
        {"frobnicate", "unknown command frobnicate"},
        {"info extra", "info takes no FILE"},
        {"controls file", "controls takes no FILE"},
        {"save", "save needs a FILE"},
        {"info --mono", "info describes the library"},
        {"controls --bogus", "unknown option --bogus"},
        {"controls --rate", "--rate needs a value"},
        {"controls --rate abc", "not a number for --rate"},
        {"controls --rate 100", "--rate takes a whole number of Hz"},
        {"controls --rate 44100.5", "--rate takes a whole number of Hz"},
        {"controls --set depth", "take NAME=VALUE"},
        {"controls --set nosuch=1", "no control named 'nosuch'"},
        {"controls --set depth=nan", "not a number for depth"},
        {"controls --set depth=inf", "not a number for depth"},
        {"controls --set depth=2.5", "outside depth's range -2 ... 2"},
        {"controls --set 'makeup gain=-61'", "outside makeup gain's range -60 ... 60"},
        {"controls --set ldv=12", "outside lfo divisor's range 1 ... 11"},
        {"controls --set ldv=2.5", "lfo divisor takes whole steps"},
        {"controls --set logscale=0.7", "logscale is on/off"},
        {"controls --raw depth=1.5", "a 32-bit control value is a whole number"},
        {"controls --raw depth=2147483648", "a 32-bit control value is a whole number"},
        {"load /nonexistent/session", "cannot read session file"},
        {"save /nonexistent/dir/session", "cannot write session file"},
        {"controls --tempo 120", "apply to edit"},
        {"edit --seconds 0", "--seconds takes a time above 0"},
        {"edit --tempo 0", "--tempo takes 1 ... 999"},
        {"edit --input /nonexistent.wav", "cannot read audio file"},
        {"edit extra", "edit takes no FILE"},
    };
    for (const Case& c : cases) {
        const Result r = runPtsim(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
    const Result missing = runPtsim("--plugin /nonexistent/wendle.so info");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("cannot load /nonexistent/wendle.so"), std::string::npos);
}

TEST(PtsimCli, SettingsSavedToASessionAreListedAfterLoading) {
    const std::string path =
        ::testing::TempDir() + "/ptsim-cli-session" + std::to_string(::getpid());
    const Result saved = runPtsim("save " + path +
                                  " --set tilt=6 --set 'lfo divisor=4' --raw "
                                  "bypa=2147483647");
    ASSERT_EQ(saved.status, 0) << saved.output;
    const Result loaded = runPtsim("load " + path);
    std::remove(path.c_str());
    ASSERT_EQ(loaded.status, 0) << loaded.output;
    // The listing's line of each control: its ID, then what the effect shows.
    struct Shown {
        const char* id;
        const char* effect;
    };
    for (const Shown& s : {Shown{"bypa", "effect on"}, Shown{"knb2", "effect 3.00 dB"},
                           Shown{"knb5", "effect 4"}, Shown{"knb1", "effect 0.00"}}) {
        const size_t at = loaded.output.find(std::string(" ") + s.id + " ");
        ASSERT_NE(at, std::string::npos) << s.id << "\n" << loaded.output;
        const std::string line = loaded.output.substr(at, loaded.output.find('\n', at) - at);
        EXPECT_NE(line.find(s.effect), std::string::npos) << line;
    }
}

TEST(PtsimCli, ASessionLoadsIntoItsOwnEffectType) {
    const std::string path = ::testing::TempDir() + "/ptsim-cli-mono" + std::to_string(::getpid());
    ASSERT_EQ(runPtsim("save " + path + " --mono").status, 0);
    const Result loaded = runPtsim("load " + path);
    EXPECT_EQ(loaded.status, 0) << loaded.output;
    EXPECT_EQ(loaded.output.rfind("mono instance", 0), 0u) << loaded.output;
    const Result refused = runPtsim("load " + path + " --stereo");
    std::remove(path.c_str());
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.output.find("holds a mono session"), std::string::npos) << refused.output;
}
