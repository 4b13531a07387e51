// The command line: options land in the right fields, and every mistake is a usage error that
// says what is wrong.
#include "Cli.h"
#include "Error.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace mirelow {
namespace {

Command parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"mirelow"};
    argv.insert(argv.end(), args);
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(Cli, RenderOptionsAreParsedInAnyOrder) {
    const Command c =
        parse({"render",          "--block",        "64",       "tidemill",     "in.wav",
               "--set",           "threshold=0.25", "out.flac", "--set=3==1:3", "--program",
               "Noise Reduction", "--keep-latency", "--quiet",  "--tempo=96.5", "--preset",
               "a.fxp",           "--save-preset",  "b.fxb",    "--learn",      "n.wav",
               "--spectrogram",   "s.png"});
    ASSERT_EQ(c.kind, Command::Kind::Render);
    const RenderOptions& o = c.render;
    EXPECT_EQ(o.plugin, "tidemill");
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out.flac");
    EXPECT_EQ(o.blockSize, 64);
    ASSERT_EQ(o.sets.size(), 2u);
    EXPECT_EQ(o.sets[0].name, "threshold");
    EXPECT_EQ(o.sets[0].value, "0.25");
    EXPECT_FALSE(o.sets[0].inUnits);
    EXPECT_EQ(o.sets[1].name, "3");
    EXPECT_EQ(o.sets[1].value, "1:3");
    EXPECT_TRUE(o.sets[1].inUnits);
    EXPECT_EQ(o.program.value_or(""), "Noise Reduction");
    EXPECT_TRUE(o.keepLatency);
    EXPECT_TRUE(o.quiet);
    EXPECT_DOUBLE_EQ(o.tempo.value_or(0), 96.5);
    EXPECT_EQ(o.preset, "a.fxp");
    EXPECT_EQ(o.savePreset, "b.fxb");
    EXPECT_EQ(o.learn, "n.wav");
    EXPECT_EQ(o.spectrogram, "s.png");
}

TEST(Cli, OtherCommands) {
    EXPECT_EQ(parse({"info", "wendle"}).infoPlugin, "wendle");
    EXPECT_EQ(parse({"demo"}).demo.folder, "mirelow-demo");
    const Command d = parse({"demo", "out/dir", "--block", "128"});
    EXPECT_EQ(d.demo.folder, "out/dir");
    EXPECT_EQ(d.demo.blockSize, 128);
    EXPECT_EQ(parse({"--help"}).kind, Command::Kind::Help);
    EXPECT_EQ(parse({"--version"}).kind, Command::Kind::Version);
}

TEST(Cli, MistakesAreUsageErrorsNamingTheProblem) {
    struct Case {
        std::vector<const char*> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no command"},
        {{"bounce"}, "unknown command 'bounce'"},
        {{"render", "tidemill", "in.wav"}, "missing OUT"},
        {{"render"}, "missing PLUGIN"},
        {{"render", "p", "i", "o", "extra"}, "unexpected 'extra'"},
        {{"render", "p", "i", "o", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"render", "p", "i", "o", "--block"}, "'--block' needs a value"},
        {{"render", "p", "i", "o", "--block", "12k"}, "'12k' is not a whole number"},
        {{"render", "p", "i", "o", "--block", "0"}, "out of range"},
        {{"render", "p", "i", "o", "--block", "99999999999"}, "out of range"},
        {{"render", "p", "i", "o", "--tempo", "fast"}, "'fast' is not a number"},
        {{"render", "p", "i", "o", "--tempo", "nan"}, "out of range"},
        {{"render", "p", "i", "o", "--tempo", "0"}, "out of range"},
        {{"render", "p", "i", "o", "--set", "threshold"}, "NAME=VALUE"},
        {{"render", "p", "i", "o", "--set", "threshold="}, "NAME=VALUE"},
        {{"render", "p", "i", "o", "--set", "=0.5"}, "NAME=VALUE"},
        {{"render", "p", "i", "o", "--learn", "a", "--learn-peak", "b"}, "not both"},
        {{"render", "p", "i", "o", "--keep-latency=yes"}, "takes no value"},
        {{"render", "p", "i", "o", "--preset="}, "needs a file name"},
        {{"info"}, "info needs PLUGIN"},
        {{"info", "a", "b"}, "unexpected 'b'"},
        {{"demo", "a", "b"}, "unexpected 'b'"},
        {{"demo", "--block", "-3"}, "out of range"},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv{"mirelow"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.message);
        try {
            parseCommandLine(static_cast<int>(argv.size()), argv.data());
            ADD_FAILURE() << "accepted";
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

} // namespace
} // namespace mirelow
