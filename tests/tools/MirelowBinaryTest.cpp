// The built mirelow binary end to end, as a user runs it: renders through build/tidemill.so,
// presets, learning, pictures, the demo, and every way a run can fail.
#include "AudioFile.h"
#include "Error.h"
#include "FxPreset.h"
#include "StreamRender.h"
#include "Synth.h"
#include "tools/vsthost/VstHost.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace mirelow {
namespace {

namespace fs = std::filesystem;

const std::string kMirelow = std::string(MIRELOW_BUILD_DIR) + "/mirelow";
const std::string kTidemill = std::string(MIRELOW_BUILD_DIR) + "/tidemill.so";
constexpr int kLatency = 1024;

struct RunResult {
    int status = -1;
    std::string out, err;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class MirelowBinary : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kTidemill))
            GTEST_SKIP() << "build/tidemill.so is not built";
        char tmpl[] = "/tmp/mirelow-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        if (!dir.empty())
            fs::remove_all(dir);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    RunResult run(const std::vector<std::string>& args) const {
        std::string cmd = quote(kMirelow);
        for (const auto& a : args)
            cmd += " " + quote(a);
        const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        cmd += " >" + quote(out.string()) + " 2>" + quote(err.string()) + " </dev/null";
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    // Tones and noise, `seconds` long, written as 32-bit float WAV.
    std::string writeTestFile(const std::string& name, int channels, double seconds = 1.5,
                              int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, double rate = 44100,
                              uint64_t seed = 1) {
        AudioBuffer a(channels, static_cast<std::size_t>(seconds * rate), rate);
        synth::Noise noise(seed);
        for (int c = 0; c < channels; ++c) {
            auto& ch = a.channels[static_cast<std::size_t>(c)];
            synth::addNote(ch, rate, {0.1, seconds - 0.2, 220.0 * (c + 1), 0.2, 6});
            synth::addNoise(ch, 0, ch.size(), 0.01, noise);
        }
        writeAudioFile(path(name), a, AudioFormat{format});
        return path(name);
    }

    fs::path dir;
};

AudioBuffer readBack(const std::string& p) {
    return readAudioFile(p).audio;
}

// Largest difference between two equally long buffers, relative to the first's peak.
double relativeError(const AudioBuffer& a, const AudioBuffer& b, std::size_t from = 0) {
    double peak = 0, diff = 0;
    for (int c = 0; c < a.numChannels(); ++c)
        for (std::size_t i = from; i < a.frames(); ++i) {
            peak = std::max(peak, std::abs(double(a.channels[c][i])));
            diff = std::max(diff, std::abs(double(a.channels[c][i]) - b.channels[c][i]));
        }
    return diff / peak;
}

TEST_F(MirelowBinary, InitRendersTheInputBackTimeAligned) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::string in = writeTestFile("in.wav", channels);
        const RunResult r = run({"render", "tidemill", in, path("out.wav"), "--quiet"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const AudioBuffer a = readBack(in), b = readBack(path("out.wav"));
        ASSERT_EQ(b.numChannels(), channels);
        ASSERT_EQ(b.frames(), a.frames());
        // From the first sample on, only the window ripple of the overlap-add is left (-80 dB).
        EXPECT_LT(relativeError(a, b), 1e-4);
    }
}

TEST_F(MirelowBinary, KeepLatencyWritesTheDelayedStreamWithItsTail) {
    const std::string in = writeTestFile("in.wav", 2);
    ASSERT_EQ(run({"render", "tidemill", in, path("aligned.wav"), "-q", "--program", "0"}).status,
              0);
    const RunResult r =
        run({"render", "tidemill", in, path("raw.wav"), "-q", "--program", "0", "--keep-latency"});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioBuffer aligned = readBack(path("aligned.wav")), raw = readBack(path("raw.wav"));
    ASSERT_EQ(raw.frames(), aligned.frames() + kLatency);
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < aligned.frames(); ++i)
            ASSERT_EQ(raw.channels[c][i + kLatency], aligned.channels[c][i]) << i;
}

TEST_F(MirelowBinary, BlockSizeDoesNotChangeTheRender) {
    const std::string in = writeTestFile("in.wav", 2);
    const std::vector<std::string> settings = {"--program", "Noise Reduction", "--learn", in,
                                               "--set",     "release=0.05",    "-q"};
    auto renderWith = [&](const std::string& block) {
        std::vector<std::string> args = {"render",  "tidemill", in, path("b" + block + ".wav"),
                                         "--block", block};
        args.insert(args.end(), settings.begin(), settings.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return readBack(path("b" + block + ".wav"));
    };
    const AudioBuffer reference = renderWith("512");
    for (const char* block : {"1", "64", "4096"}) {
        SCOPED_TRACE(block);
        const AudioBuffer other = renderWith(block);
        EXPECT_TRUE(other.channels == reference.channels);
    }
}

TEST_F(MirelowBinary, SavedPresetReproducesTheRenderBitForBit) {
    const std::string in = writeTestFile("in.wav", 2);
    const std::string noise =
        writeTestFile("noise.wav", 2, 0.5, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 99);
    for (const char* preset : {"p.fxp", "p.fxb"}) {
        SCOPED_TRACE(preset);
        RunResult r = run({"render", "tidemill", in, path("first.wav"), "-q", "--program", "1",
                           "--learn-peak", noise, "--set", "threshold=0.8", "--set", "11=0.3",
                           "--save-preset", path(preset)});
        ASSERT_EQ(r.status, 0) << r.err;
        r = run({"render", "tidemill", in, path("second.wav"), "-q", "--preset", path(preset)});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(readBack(path("first.wav")).channels == readBack(path("second.wav")).channels);
        // And the settings did change the sound.
        r = run({"render", "tidemill", in, path("plain.wav"), "-q", "--program", "1"});
        EXPECT_FALSE(readBack(path("first.wav")).channels == readBack(path("plain.wav")).channels);
    }
}

TEST_F(MirelowBinary, BankSavedBeforeItCarriedItsProgramStillLoads) {
    const std::string in = writeTestFile("in.wav", 2);
    RunResult r = run({"render", "tidemill", in, path("first.wav"), "-q", "--program", "2", "--set",
                       "threshold=0.8", "--save-preset", path("new.fxb")});
    ASSERT_EQ(r.status, 0) << r.err;
    Preset bank = readPresetFile(path("new.fxb"));
    EXPECT_EQ(bank.currentProgram, 2); // the file keeps its own program field
    ASSERT_EQ(bank.chunk.size(), 33416u);
    // Earlier builds wrote the eight records alone.
    bank.chunk.resize(33408);
    writePresetFile(path("old.fxb"), bank);
    r = run({"render", "tidemill", in, path("second.wav"), "-q", "--preset", path("old.fxb")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readBack(path("first.wav")).channels == readBack(path("second.wav")).channels);
}

TEST_F(MirelowBinary, LearnSetsTheShapesAsAHostLearnPassDoes) {
    const std::string in = writeTestFile("in.wav", 2);
    const std::string noise =
        writeTestFile("noise.wav", 2, 0.6, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 5);
    for (const bool peak : {false, true}) {
        SCOPED_TRACE(peak ? "peak" : "average");
        const RunResult r =
            run({"render", "tidemill", in, path("out.wav"), "-q", peak ? "--learn-peak" : "--learn",
                 noise, "--save-preset", path("learned.fxp")});
        ASSERT_EQ(r.status, 0) << r.err;
        const Preset saved = readPresetFile(path("learned.fxp"));

        // The same pass, driven directly through the host harness.
        vsthost::Plugin host(kTidemill);
        host.dispatch(effOpen);
        host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.f);
        host.dispatch(effSetBlockSize, 0, 512);
        const auto untouched = host.getChunk(true);
        int learnIndex = -1;
        for (int i = 0; i < host.numParams(); ++i)
            if (host.paramName(i) == (peak ? "learnpeak" : "learnaverage"))
                learnIndex = i;
        ASSERT_GE(learnIndex, 0);
        host.dispatch(effMainsChanged, 0, 1);
        host.setParameter(learnIndex, 1.0f);
        host.render(readBack(noise).channels, 512);
        host.setParameter(learnIndex, 0.0f);
        host.dispatch(effMainsChanged, 0, 0);
        const auto learned = host.getChunk(true);

        EXPECT_TRUE(saved.chunk == learned);
        EXPECT_FALSE(saved.chunk == untouched);
    }
}

TEST_F(MirelowBinary, OutputKeepsTheInputEncodingOrTakesTheExtensionsFormat) {
    const std::string in = writeTestFile("in.wav", 2, 0.3, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000);
    ASSERT_EQ(run({"render", "tidemill", in, path("out.wav"), "-q"}).status, 0);
    ASSERT_EQ(run({"render", "tidemill", in, path("out.flac"), "-q"}).status, 0);
    ASSERT_EQ(run({"render", "tidemill", in, path("out.aiff"), "-q"}).status, 0);
    const AudioFileData wav = readAudioFile(path("out.wav")),
                        flac = readAudioFile(path("out.flac")),
                        aiff = readAudioFile(path("out.aiff"));
    EXPECT_EQ(wav.format.sndfileFormat, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(flac.format.sndfileFormat & SF_FORMAT_TYPEMASK, SF_FORMAT_FLAC);
    EXPECT_EQ(aiff.format.sndfileFormat, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
    for (const auto* f : {&wav, &flac, &aiff}) {
        EXPECT_EQ(f->audio.sampleRate, 48000);
        EXPECT_EQ(f->audio.frames(), static_cast<std::size_t>(0.3 * 48000));
    }
}

TEST_F(MirelowBinary, BadRunsSayWhyAndLeaveNoOutput) {
    const std::string in = writeTestFile("in.wav", 2, 0.3);
    const std::string surround = writeTestFile("six.wav", 3, 0.3);
    std::ofstream(path("garbage.wav")) << "this is not audio";
    std::ofstream(path("fake.so")) << "not a shared object";
    ASSERT_EQ(
        run({"render", "tidemill", in, path("x.wav"), "-q", "--save-preset", path("good.fxp")})
            .status,
        0);
    std::string good = slurp(path("good.fxp"));
    std::string foreign = good;
    foreign[16] = 'z'; // unique ID
    std::ofstream(path("foreign.fxp"), std::ios::binary) << foreign;
    std::ofstream(path("short.fxp"), std::ios::binary) << good.substr(0, good.size() - 10);
    std::ofstream(path("bank-as-program.fxp"), std::ios::binary)
        << slurp(path("good.fxp")).substr(0, 60);
    AudioBuffer poisoned = readBack(in);
    poisoned.channels[1][100] = NAN;
    writeAudioFile(path("nan.wav"), poisoned, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
    const std::string blip = writeTestFile("blip.wav", 2, 200.0 / 44100);

    const std::string out = path("out.wav");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"render", "tidemill", path("missing.wav"), out}, 1, "no such file"},
        {{"render", "tidemill", path("garbage.wav"), out}, 1, "cannot read"},
        {{"render", "tidemill", in, in}, 1, "is the input file"},
        {{"render", "tidemill", in, out, "--spectrogram", in},
         1,
         "--spectrogram '" + in + "' is the input file"},
        {{"render", "tidemill", in, out, "--learn", out}, 1, "is the --learn file"},
        {{"render", "tidemill", in, out, "--spectrogram", path("./out.wav")},
         1,
         "are the same file"},
        {{"render", "tidemill", path("nan.wav"), out},
         1,
         "sample 100 of channel 2 is not a finite number"},
        {{"render", "tidemill", in, out, "--learn", blip}, 1, "too few to learn from"},
        {{"render", "tidemill", surround, out}, 1, "3 channels"},
        {{"render", "nosuchplugin", in, out}, 1, "unknown plug-in 'nosuchplugin'"},
        {{"render", path("none.so"), in, out}, 1, "no such file"},
        {{"render", path("fake.so"), in, out}, 1, "cannot load"},
        {{"render", "/lib/x86_64-linux-gnu/libm.so.6", in, out}, 1, "no VSTPluginMain"},
        {{"render", "tidemill", in, out, "--preset", path("foreign.fxp")}, 1, "is for plug-in 'zt"},
        {{"render", "tidemill", in, out, "--preset", path("short.fxp")}, 1, "truncated"},
        {{"render", "tidemill", in, out, "--preset", path("bank-as-program.fxp")}, 1, "bad preset"},
        {{"render", "tidemill", in, out, "--preset", path("nothing.fxp")}, 1, "cannot read preset"},
        {{"render", "tidemill", in, out, "--preset", "/dev/zero"}, 1, "not a regular file"},
        {{"render", "tidemill", in, out, "--learn", path("missing.wav")}, 1, "no such file"},
        {{"render", "tidemill", in, out, "--set", "threshold=abc"}, 2, "not 'abc'"},
        {{"render", "tidemill", in, out, "--set", "loudness=0.5"},
         2,
         "unknown parameter 'loudness'"},
        {{"render", "tidemill", in, out, "--set", "12=0.5"}, 2, "parameter 12 does not exist"},
        {{"render", "tidemill", in, out, "--program", "Nope"}, 2, "unknown program 'Nope'"},
        {{"render", "tidemill", in, out, "--program", "8"}, 2, "program 8 does not exist"},
        {{"render", "tidemill", in, out, "--learn-filter0", in}, 2, "are for wendle"},
        {{"render", "tidemill", in, out, "--block", "x"}, 2, "not a whole number"},
        {{"render", "tidemill", in, path("no/such/dir/out.wav")}, 1, "cannot write"},
        {{"render", "tidemill", in, "/dev/null"}, 1, "'/dev/null': it exists and is not a regular"},
        {{"frobnicate"}, 2, "unknown command"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find("mirelow: error: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
    }
    // Nothing half-written is left in the folder either.
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos);
}

TEST_F(MirelowBinary, CutOffInputRendersWhatItHoldsWithAWarning) {
    const std::string in = writeTestFile("in.wav", 2, 0.5, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    fs::resize_file(in, fs::file_size(in) / 2);
    const RunResult r = run({"render", "tidemill", in, path("out.wav"), "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: '" + in + "' is shorter than its header says"),
              std::string::npos)
        << r.err;
    EXPECT_NEAR(double(readBack(path("out.wav")).frames()), 0.25 * 44100, 20);

    // A writer streaming to a pipe announces an unknown length: that file is whole.
    const std::string streamed =
        writeTestFile("streamed.wav", 2, 0.5, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::string bytes = slurp(streamed);
    bytes.replace(bytes.find("data") + 4, 4, "\xFF\xFF\xFF\xFF");
    std::ofstream(streamed, std::ios::binary) << bytes;
    const RunResult whole = run({"render", "tidemill", streamed, path("out2.wav"), "-q"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(whole.err, "");
}

// The same audio through the host harness by hand: the input padded with the delay's length of
// silence, plain blocks of `block` frames, the first kLatency frames dropped.
std::vector<std::vector<float>> referenceRender(const AudioBuffer& in, int block) {
    vsthost::Plugin host(kTidemill);
    host.dispatch(effOpen);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(in.sampleRate));
    host.dispatch(effSetBlockSize, 0, block);
    host.dispatch(effSetProgram, 0, 0);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effStartProcess);
    std::vector<std::vector<float>> padded = in.channels;
    for (auto& ch : padded)
        ch.resize(ch.size() + kLatency, 0.0f);
    auto out = host.render(padded, block);
    out.resize(in.channels.size());
    for (auto& ch : out)
        ch.erase(ch.begin(), ch.begin() + kLatency);
    return out;
}

TEST_F(MirelowBinary, StreamingGivesTheBlockByBlockRenderForAnyLengthAndBlock) {
    // Lengths around the stream's block, one shorter than the delay, none.
    constexpr std::size_t kBlock = kStreamBlockFrames;
    for (const std::size_t frames :
         {std::size_t{0}, std::size_t{700}, kBlock - 1, kBlock, kBlock + 1, 9 * kBlock + 5}) {
        AudioBuffer a(2, frames, 44100);
        synth::Noise noise(frames + 1);
        for (auto& ch : a.channels)
            synth::addNoise(ch, 0, ch.size(), 0.2, noise);
        const std::string in = path("in.wav");
        writeAudioFile(in, a, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
        for (const int block : {1, 64, 4096}) {
            SCOPED_TRACE(std::to_string(frames) + " frames, block " + std::to_string(block));
            if (block == 1 && frames > 2 * kBlock)
                continue; // longer runs of one-frame calls prove nothing more
            const RunResult r = run({"render", "tidemill", in, path("out.wav"), "-q", "--program",
                                     "0", "--block", std::to_string(block)});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(readBack(path("out.wav")).channels == referenceRender(a, block));
        }
    }
}

TEST_F(MirelowBinary, AFailureDeepInTheFileLeavesNoOutput) {
    AudioBuffer a(2, 300000, 44100);
    a.channels[0][250000] = INFINITY;
    writeAudioFile(path("late.wav"), a, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
    const RunResult r = run({"render", "tidemill", path("late.wav"), path("out.wav"), "-q",
                             "--spectrogram", path("s.png"), "--save-preset", path("p.fxp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("sample 250000 of channel 1 is not a finite number"), std::string::npos)
        << r.err;
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_TRUE(entry.path().filename() == "late.wav" || entry.path().extension() == ".txt")
            << entry.path();
}

// Files in the folder `sub` of the test's folder.
std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    if (fs::exists(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(MirelowBinary, AnInterruptedRenderLeavesNothing) {
    // Two minutes in one-frame blocks: still rendering when the signal comes.
    AudioBuffer a(2, 120 * 44100, 44100);
    synth::Noise noise(3);
    for (auto& ch : a.channels)
        synth::addNoise(ch, 0, ch.size(), 0.1, noise);
    writeAudioFile(path("long.wav"), a, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_PCM_16});
    for (const auto& [signal, args] :
         {std::pair{"INT", std::vector<std::string>{path("long.wav"), path("out.wav")}},
          std::pair{"TERM",
                    std::vector<std::string>{"--out-dir", path("batch"), path("long.wav")}}}) {
        SCOPED_TRACE(signal);
        std::string cmd = std::string("timeout -s ") + signal + " 0.2 " + quote(kMirelow) +
                          " render tidemill --block 1 -q";
        for (const auto& arg : args)
            cmd += " " + quote(arg);
        const int raw = std::system((cmd + " 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 124); // timeout had to stop it
        for (const auto& name : filesIn(dir))
            EXPECT_TRUE(name == "long.wav" || name == "batch") << name;
        EXPECT_TRUE(filesIn(dir / "batch").empty());
    }
}

TEST_F(MirelowBinary, BatchRendersTheGoodFilesAsSingleRendersDoAndSkipsTheBad) {
    fs::create_directory(dir / "in");
    // Learned once, in stereo: a mono learn file teaches both channels what a mono render learns.
    const std::string noise =
        writeTestFile("noise.wav", 1, 0.5, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 9);
    const std::vector<std::string> good = {
        writeTestFile("in/a.wav", 2, 1.0, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1),
        writeTestFile("in/b.wav", 1, 0.7, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2),
        writeTestFile("in/c.flac", 2, 2.0, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 3)};
    std::ofstream(path("in/garbage.wav")) << "not audio";
    AudioBuffer poisoned = readBack(good[0]);
    poisoned.channels[1][30000] = NAN;
    writeAudioFile(path("in/nan.wav"), poisoned, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
    const std::string six = writeTestFile("in/three.wav", 3, 0.3);
    const std::vector<std::string> settings = {"--program", "0",           "--learn", noise,
                                               "--set",     "release=0.1", "--quiet"};

    auto batch = [&](const std::string& out, const std::string& jobs) {
        std::vector<std::string> args = {"render", "tidemill", "--out-dir", path(out),
                                         "--jobs", jobs,       "--verbose"};
        args.insert(args.end(), settings.begin(), settings.end());
        for (const auto& f :
             {good[0], path("in/garbage.wav"), good[1], path("in/nan.wav"), six, good[2]})
            args.push_back(f);
        return run(args);
    };
    const RunResult one = batch("one", "1"), two = batch("two", "2");
    for (const RunResult* r : {&one, &two}) {
        EXPECT_EQ(r->status, 1);
        // Each bad file is named once, with its reason; --quiet keeps the rest silent.
        for (const char* why :
             {"garbage.wav", "nan.wav': sample 30000 of channel 2", "three.wav' has 3 channels"})
            EXPECT_NE(r->err.find(why), std::string::npos) << why << "\n" << r->err;
        EXPECT_EQ(std::count(r->err.begin(), r->err.end(), '\n'), 3) << r->err;
    }
    const std::vector<std::string> expected = {"a.wav", "b.wav", "c.flac"};
    EXPECT_EQ(filesIn(dir / "one"), expected);
    EXPECT_EQ(filesIn(dir / "two"), expected);
    for (const auto& name : expected) {
        SCOPED_TRACE(name);
        // Two instances at once write the bytes one does, and a single render writes them too.
        EXPECT_TRUE(slurp(dir / "one" / name) == slurp(dir / "two" / name));
        std::vector<std::string> args = {"render", "tidemill", path("in/" + name),
                                         path("single-" + name)};
        args.insert(args.end(), settings.begin(), settings.end());
        ASSERT_EQ(run(args).status, 0);
        EXPECT_TRUE(slurp(dir / "one" / name) == slurp(dir / ("single-" + name)));
    }

    // --format picks the encoding of every output; the summary names each file.
    const RunResult flac = run(
        {"render", "tidemill", "--out-dir", path("flac"), "--format", "flac", good[0], good[1]});
    ASSERT_EQ(flac.status, 0) << flac.err;
    EXPECT_EQ(filesIn(dir / "flac"), (std::vector<std::string>{"a.flac", "b.flac"}));
    EXPECT_NE(flac.err.find("2 files rendered"), std::string::npos) << flac.err;
}

TEST_F(MirelowBinary, BatchNameClashesAreRefusedBeforeAnythingIsWritten) {
    fs::create_directories(dir / "x");
    fs::create_directories(dir / "y");
    const std::string a = writeTestFile("x/a.wav", 2, 0.2);
    const std::string a2 = writeTestFile("y/a.wav", 2, 0.2);
    const std::string aFlac = writeTestFile("y/a.flac", 2, 0.2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const std::string b = writeTestFile("x/b.wav", 2, 0.2);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--out-dir", path("out"), a, b, a2}, "would both be written to"},
        {{"--out-dir", path("out"), a, a}, "would both be written to"},
        {{"--out-dir", path("out"), "--format", "flac", b, a, aFlac}, "would both be written to"},
        {{"--out-dir", path("x"), b}, "is the input file"},
        {{"--out-dir", path("out"), b, "--learn", path("out/b.wav")}, "is the --learn file"},
        {{"--out-dir", path("out"), b, "--save-preset", path("out/b.wav")}, "are the same file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = {"render", "tidemill"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_EQ(filesIn(dir / "x"), (std::vector<std::string>{"a.wav", "b.wav"}));
    }
    EXPECT_EQ(run({"render", "tidemill", a, path("o.wav"), "--jobs", "2"}).status, 2);
    EXPECT_EQ(
        run({"render", "tidemill", "--out-dir", path("out"), a, "--spectrogram", path("s.png")})
            .status,
        2);
}

TEST_F(MirelowBinary, PluginInTheCurrentFolderLoadsByItsBareName) {
    fs::copy_file(kTidemill, dir / "copy.so");
    const std::string cmd =
        "cd " + quote(dir.string()) + " && " + quote(kMirelow) + " info copy.so >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(MirelowBinary, SpectrogramPictureIsWritten) {
    const std::string in = writeTestFile("in.wav", 2, 0.5);
    const RunResult r = run({"render", "tidemill", in, path("out.wav"), "-q", "--program", "0",
                             "--spectrogram", path("s.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = slurp(path("s.png"));
    ASSERT_GT(png.size(), 20000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_F(MirelowBinary, SnapshotPaintsTheWidgetGallery) {
    const RunResult r = run({"snapshot", "widgets", path("gallery.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = slurp(path("gallery.png"));
    ASSERT_GT(png.size(), 20000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(run({"snapshot", "knobs", path("x.png")}).status, 2);
    EXPECT_EQ(run({"snapshot", "widgets", path("no-such-dir/x.png")}).status, 1);
}

TEST_F(MirelowBinary, InfoShowsWhatAHostSees) {
    const RunResult r = run({"info", "tidemill"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text : {"'+tdl'", "latency:   1024 samples", "Noise Reduction", "Init 4",
                             "threshold", "-60.0 dB", "-120.0 … 0.0 dB", "ProgramChunks"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
}

// The built plug-ins mirelow knows the units of, by the names it takes.
std::vector<std::string> pluginsWithUnits() {
    std::vector<std::string> out{"tidemill"};
    for (const char* p : {"wendle", "wendle-vst"})
        if (fs::exists(std::string(MIRELOW_BUILD_DIR) + "/" + p + ".so"))
            out.push_back(p);
    return out;
}

// `mirelow info --set …` lines "set INDEX NAME: VALUE shows TEXT": index and text, in order.
std::vector<std::pair<int, std::string>> shownSettings(const std::string& out) {
    std::vector<std::pair<int, std::string>> shown;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("set ", 0) == 0)
            shown.emplace_back(std::stoi(line.substr(4)),
                               line.substr(line.find(" shows ") + std::strlen(" shows ")));
    return shown;
}

// Every parameter with units of the three built plug-ins, at several normalised values: its
// display text (with the unit shown beside it), typed back as a value in units, sets a value
// whose display text is the same.
TEST_F(MirelowBinary, EveryDisplayTextTypedBackInUnitsShowsItself) {
    const char* values[] = {"0", "0.1", "0.25", "0.37", "0.5", "0.63", "0.8", "0.95", "1"};
    for (const std::string& plugin : pluginsWithUnits()) {
        SCOPED_TRACE(plugin);
        const RunResult info = run({"info", plugin});
        ASSERT_EQ(info.status, 0) << info.err;
        std::vector<std::string> args{"info", plugin};
        std::istringstream table(info.out.substr(info.out.find("parameters: ")));
        std::string line;
        std::getline(table, line); // "parameters: N"
        std::getline(table, line); // the heading
        int withUnits = 0;
        while (std::getline(table, line)) {
            if (line.find("(normalised)") != std::string::npos)
                continue; // wendle-vst's two inert parameters
            ++withUnits;
            for (const char* v : values)
                args.insert(args.end(), {"--set", std::to_string(std::stoi(line)) + "=" + v});
        }
        EXPECT_GE(withUnits, 12);
        const RunResult first = run(args);
        ASSERT_EQ(first.status, 0) << first.err;
        std::vector<std::pair<int, std::string>> shown;
        args = {"info", plugin};
        for (const auto& [index, text] : shownSettings(first.out))
            if (!text.empty()) { // wendle-vst's reset button shows nothing
                shown.emplace_back(index, text);
                args.insert(args.end(), {"--set", std::to_string(index) + "==" + text});
            }
        const RunResult second = run(args);
        ASSERT_EQ(second.status, 0) << second.err;
        EXPECT_EQ(shownSettings(second.out), shown);
    }
}

// Values in units land where the display says, and reach the render as the normalised value
// they stand for; a value outside the range, text a parameter does not take and units for a
// foreign plug-in are refused, saying why.
TEST_F(MirelowBinary, SetTakesValuesInTheParametersUnits) {
    const bool wendle = pluginsWithUnits().size() == 3;
    struct Case {
        std::string plugin, setting, says;
    };
    std::vector<Case> cases = {
        {"tidemill", "threshold=-40dB", "0.666666627 shows -40.0 dB"},
        {"tidemill", "ratio=1:3", "shows 1 : 3.00"},
        {"tidemill", "ratio=2:1", "shows 2.00 : 1"},
        {"tidemill", "attack=20ms", "shows 0.02 s"},
        {"tidemill", "stereolink=on", "shows on"},
        {"tidemill", "threshold=0.25", "shows -90.0 dB"}, // a bare number is normalised
        {"tidemill", "threshold==-40", "shows -40.0 dB"},
        {"tidemill", "threshold=5dB", "5dB is outside threshold's range -120.0 … 0.0 dB"},
        {"tidemill", "threshold=-40Hz", "threshold takes a number in dB"},
        {"tidemill", "ratio=1:9", "range 5.00 : 1 … 1 : 5.00"},
        {"tidemill", "threshold=1.5", "a bare number is a normalised value 0 … 1"},
        {"tidemill", "stereolink=maybe", "takes on or off"},
    };
    if (wendle)
        cases.insert(cases.end(), {
                                      {"wendle", "depth==1.5", "shows 1.50"},
                                      {"wendle", "lfo divisor==4", "shows 4"},
                                      {"wendle", "makeup gain=-6dB", "shows -6.0 dB"},
                                      {"wendle", "lfo divisor==4.5", "takes a whole number"},
                                      {"wendle", "depth=1.5", "write depth==1.5"},
                                      {"wendle-vst", "filter lfo=2.5 Hz", "shows 2.50  Hz"},
                                  });
    const std::string lsp = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
    if (fs::exists(lsp))
        cases.push_back({lsp, "0=-6dB", "takes only a normalised value 0 … 1"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plugin + " " + c.setting);
        const RunResult r = run({"info", c.plugin, "--set", c.setting});
        const bool refused = c.says.find("shows") == std::string::npos;
        EXPECT_EQ(r.status, refused ? 2 : 0) << r.err;
        EXPECT_NE((refused ? r.err : r.out).find(c.says), std::string::npos) << r.out << r.err;
    }

    const std::string in = writeTestFile("in.wav", 2, 0.5);
    ASSERT_EQ(run({"render", "tidemill", in, path("units.wav"), "-q", "--program", "0", "--set",
                   "threshold=-40dB", "--set", "ratio=1:3"})
                  .status,
              0);
    ASSERT_EQ(run({"render", "tidemill", in, path("normalised.wav"), "-q", "--program", "0",
                   "--set", "threshold=0.666666627", "--set", "ratio=0.75"})
                  .status,
              0);
    EXPECT_EQ(slurp(path("units.wav")), slurp(path("normalised.wav")));
}

TEST_F(MirelowBinary, SummaryLineOnlyWithoutQuiet) {
    const std::string in = writeTestFile("in.wav", 1, 0.2);
    const RunResult loud = run({"render", "tidemill", in, path("out.wav")});
    EXPECT_NE(loud.err.find("s of audio in"), std::string::npos) << loud.err;
    EXPECT_NE(loud.err.find("x real time"), std::string::npos) << loud.err;
    EXPECT_EQ(run({"render", "tidemill", in, path("out2.wav"), "--quiet"}).err, "");
}

TEST_F(MirelowBinary, DemoDenoisesIntoItsFolder) {
    const RunResult r = run({"demo", path("demo")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* f : {"denoise-input.wav", "denoise-output.wav", "denoise.png"})
        EXPECT_TRUE(fs::exists(dir / "demo" / f)) << f;
    const auto at = r.out.find("noise reduction");
    ASSERT_NE(at, std::string::npos) << r.out;
    const double reduction = std::strtod(r.out.c_str() + at + 15, nullptr);
    EXPECT_GT(reduction, 10.0) << r.out;
    const auto kept = r.out.find("signal kept");
    ASSERT_NE(kept, std::string::npos);
    EXPECT_GT(std::strtod(r.out.c_str() + kept + 11, nullptr), -3.0) << r.out;
    if (fs::exists(std::string(MIRELOW_BUILD_DIR) + "/wendle.so")) {
        EXPECT_NE(r.out.find("cycle 2.00 s"), std::string::npos) << r.out;
        EXPECT_TRUE(fs::exists(dir / "demo" / "morph.png"));
        EXPECT_TRUE(fs::exists(dir / "demo" / "editor-wendle.png"));
    }
}

// Share of a buffer's power above about 3 kHz.
double brightness(const AudioBuffer& a) {
    double high = 0, all = 0;
    for (const auto& ch : a.channels) {
        std::vector<float> hp = ch;
        synth::onePole(hp, a.sampleRate, 3000.0, true);
        synth::onePole(hp, a.sampleRate, 3000.0, true);
        high += synth::power(hp, 0, hp.size());
        all += synth::power(ch, 0, ch.size());
    }
    return high / all;
}

class WendleBinary : public MirelowBinary {
  protected:
    void SetUp() override {
        MirelowBinary::SetUp();
        if (IsSkipped())
            return;
        if (!fs::exists(std::string(MIRELOW_BUILD_DIR) + "/wendle.so"))
            GTEST_SKIP() << "build/wendle.so is not built";
        // Dark and bright noise to learn the two shapes from, a whole number of hops long (so
        // that every build meets the second file at the same hop phase).
        for (const bool bright : {false, true}) {
            AudioBuffer a(2, 172 * 256, 44100);
            synth::Noise n(bright ? 2 : 1);
            for (auto& ch : a.channels) {
                synth::addNoise(ch, 0, ch.size(), 0.2, n);
                synth::onePole(ch, 44100, bright ? 4000 : 400, bright);
                synth::onePole(ch, 44100, bright ? 4000 : 400, bright);
            }
            writeAudioFile(path(bright ? "bright.wav" : "dark.wav"), a,
                           AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
        }
    }

    RunResult renderWendle(const std::string& in, const std::string& out,
                           std::vector<std::string> extra) {
        std::vector<std::string> args = {"render",
                                         "wendle",
                                         in,
                                         out,
                                         "-q",
                                         "--learn-filter0",
                                         path("dark.wav"),
                                         "--learn-filter1",
                                         path("bright.wav"),
                                         "--set",
                                         "depth=0.75"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args);
    }
};

// The editor's picture after audio ran: its size, and the curves learned first show in it.
TEST_F(WendleBinary, EditorSnapshotShowsTheLearnedCurves) {
    const std::string in = writeTestFile("in.wav", 1, 1.0);
    auto picture = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"snapshot", "editor", "wendle", path("e.png"),
                                      "--input",  in,       "--at",   "0.5"};
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        cairo_surface_t* s = cairo_image_surface_create_from_png(path("e.png").c_str());
        EXPECT_EQ(cairo_image_surface_get_width(s), 440);
        EXPECT_EQ(cairo_image_surface_get_height(s), 370);
        std::vector<uint32_t> pixels;
        cairo_surface_flush(s);
        const auto* data = cairo_image_surface_get_data(s);
        for (int y = 35; y < 245 && data; ++y)
            for (int x = 5; x < 415; ++x)
                pixels.push_back(reinterpret_cast<const uint32_t*>(
                                     data + y * cairo_image_surface_get_stride(s))[x] &
                                 0xFFFFFF);
        cairo_surface_destroy(s);
        return pixels;
    };
    const auto plain = picture({});
    const auto learned =
        picture({"--learn-filter0", path("dark.wav"), "--learn-filter1", path("bright.wav")});
    ASSERT_EQ(plain.size(), 410u * 210u);
    size_t differing = 0;
    for (size_t i = 0; i < plain.size(); ++i)
        differing += plain[i] != learned[i];
    EXPECT_GT(differing, 500u) << "the learned curves are drawn";

    EXPECT_EQ(run({"snapshot", "editor", "wendle"}).status, 2);
    EXPECT_EQ(run({"snapshot", "editor", "wendle", path("x.png"), "--at", "-1"}).status, 2);
    EXPECT_EQ(run({"snapshot", "editor", "wendle", path("x.png"), "--bogus"}).status, 2);
    EXPECT_EQ(run({"snapshot", "editor", "nosuch", path("x.png")}).status, 2);
    EXPECT_EQ(
        run({"snapshot", "editor", "wendle", path("no-such-dir/x.png"), "--at", "0.1"}).status, 1);
}

TEST_F(WendleBinary, LearnedShapesColourTheOutput) {
    const std::string in = writeTestFile("in.wav", 2, 1.0);
    ASSERT_EQ(renderWendle(in, path("zero.wav"), {"--set", "filter=0"}).status, 0);
    ASSERT_EQ(renderWendle(in, path("one.wav"), {"--set", "filter=1"}).status, 0);
    const double dark = brightness(readBack(path("zero.wav"))),
                 bright = brightness(readBack(path("one.wav")));
    EXPECT_GT(bright, 20 * dark) << dark << " " << bright;
}

TEST_F(WendleBinary, SavedStateReproducesTheRenderAndTempoReachesTheLfo) {
    const std::string in = writeTestFile("in.wav", 2, 2.0);
    const std::vector<std::string> lfo = {"--set",         "lfo sync=1", "--set",
                                          "lfo divisor=0", "--tempo",    "240"};
    std::vector<std::string> save = lfo;
    save.insert(save.end(), {"--save-preset", path("w.fxp")});
    RunResult r = renderWendle(in, path("first.wav"), save);
    ASSERT_EQ(r.status, 0) << r.err;
    r = run({"render", "wendle", in, path("second.wav"), "-q", "--preset", path("w.fxp"), "--tempo",
             "240"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readBack(path("first.wav")).channels == readBack(path("second.wav")).channels);

    r = run({"render", "wendle", in, path("slow.wav"), "-q", "--preset", path("w.fxp"), "--tempo",
             "60"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(readBack(path("first.wav")).channels == readBack(path("slow.wav")).channels);
    // A tidemill preset is not wendle's.
    ASSERT_EQ(
        run({"render", "tidemill", in, path("t.wav"), "-q", "--save-preset", path("t.fxp")}).status,
        0);
    r = run({"render", "wendle", in, path("x.wav"), "-q", "--preset", path("t.fxp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is for plug-in '+tdl'"), std::string::npos) << r.err;
}

TEST_F(WendleBinary, MonoRendersThroughTheMonoType) {
    const std::string in = writeTestFile("in.wav", 1, 0.5);
    const RunResult r = renderWendle(in, path("out.wav"), {});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioBuffer a = readBack(in), b = readBack(path("out.wav"));
    EXPECT_EQ(b.numChannels(), 1);
    EXPECT_EQ(b.frames(), a.frames());
}

TEST_F(WendleBinary, InfoShowsGroupTypesAndControls) {
    const RunResult r = run({"info", "wendle"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text : {"Pro Tools", "effect type 0", "effect type 1", "RTAS", "Master Bypass",
                             "lfo divisor", "latency:   1024"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    const RunResult wrong =
        run({"render", "wendle", path("dark.wav"), path("o.wav"), "--learn", path("dark.wav")});
    EXPECT_EQ(wrong.status, 2);
}

// The same learned curves and settings through the Pro Tools build and the VST build give the
// same audio, bit for bit: one effect and one engine behind both, the same blocks, and every
// normalised value here survives the Pro Tools 32-bit control encoding (its step, 2^-32, is
// below a float's spacing for values above about 0.004). Learn files that end inside a hop would
// differ slightly: a VST suspend keeps the hop phase, a new Pro Tools instance starts at zero.
TEST_F(WendleBinary, VstAndProToolsBuildsAgreeOnALearnedCurveRender) {
    if (!fs::exists(std::string(MIRELOW_BUILD_DIR) + "/wendle-vst.so"))
        GTEST_SKIP() << "build/wendle-vst.so is not built";
    const std::string in = writeTestFile("in.wav", 2, 2.0);
    const std::vector<std::string> learn = {"-q", "--learn-filter0", path("dark.wav"),
                                            "--learn-filter1", path("bright.wav")};
    // Pro Tools control names, then the effect's own, for the same normalised values.
    const std::vector<std::pair<std::string, std::string>> settings = {
        {"depth", "filter depth"},      {"filter", "filter number"}, {"tilt", "tilt"},
        {"makeup gain", "makeup gain"}, {"lfo speed", "filter lfo"}, {"lfo divisor", "lfo divide"}};
    const char* values[] = {"0.8", "0.3", "0.6", "0.55", "0.05", "0.2"};
    for (const bool vst : {false, true}) {
        std::vector<std::string> args = {"render", vst ? "wendle-vst" : "wendle", in,
                                         path(vst ? "vst.wav" : "pt.wav")};
        args.insert(args.end(), learn.begin(), learn.end());
        for (std::size_t i = 0; i < settings.size(); ++i)
            args.insert(args.end(), {"--set", (vst ? settings[i].second : settings[i].first) + "=" +
                                                  values[i]});
        const RunResult r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const AudioBuffer pt = readBack(path("pt.wav")), vst = readBack(path("vst.wav"));
    EXPECT_TRUE(pt.channels == vst.channels);
    EXPECT_GT(relativeError(readBack(in), vst), 0.1); // the curves are heard
}

TEST_F(WendleBinary, VstBuildIsListedAndTakesItsOwnNamesProgramsAndPresets) {
    if (!fs::exists(std::string(MIRELOW_BUILD_DIR) + "/wendle-vst.so"))
        GTEST_SKIP() << "build/wendle-vst.so is not built";
    RunResult r = run({"info", "wendle-vst"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text : {"VST 2.4", "'+wdx'", "latency:   1024", "Init 16", "filter depth",
                             "filter number", "lfo divide", "ProgramChunks"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;

    const std::string in = writeTestFile("in.wav", 2, 1.0);
    r = run({"render", "wendle-vst", in, path("first.wav"), "-q", "--program", "Init 4",
             "--learn-filter1", path("bright.wav"), "--set", "filter number=1", "--set",
             "filter depth=0.9", "--save-preset", path("w.fxb")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run({"render", "wendle-vst", in, path("second.wav"), "-q", "--preset", path("w.fxb")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readBack(path("first.wav")).channels == readBack(path("second.wav")).channels);
    EXPECT_GT(relativeError(readBack(in), readBack(path("second.wav"))), 0.1);

    // The Pro Tools build's control names are not the VST build's parameters.
    r = run({"render", "wendle-vst", in, path("x.wav"), "--set", "depth=1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'filter depth'"), std::string::npos) << r.err;
}

TEST_F(WendleBinary, BatchCarriesTheLearnedFiltersIntoEveryInstance) {
    const std::vector<std::string> inputs = {writeTestFile("a.wav", 2, 1.0),
                                             writeTestFile("b.wav", 1, 0.8),
                                             writeTestFile("c.wav", 2, 0.6)};
    // Mono shapes: learned once in stereo they teach both sides what a mono instance learns.
    for (const char* shape : {"dark.wav", "bright.wav"}) {
        AudioBuffer a = readBack(path(shape));
        a.channels.resize(1);
        writeAudioFile(path(shape), a, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
    }
    std::vector<std::string> args = {"render",
                                     "wendle",
                                     "--out-dir",
                                     path("out"),
                                     "--jobs",
                                     "2",
                                     "-q",
                                     "--learn-filter0",
                                     path("dark.wav"),
                                     "--learn-filter1",
                                     path("bright.wav"),
                                     "--set",
                                     "depth=0.75",
                                     "--set",
                                     "filter=1"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(
            renderWendle(path(name), path(std::string("single-") + name), {"--set", "filter=1"})
                .status,
            0);
        EXPECT_TRUE(slurp(dir / "out" / name) == slurp(dir / (std::string("single-") + name)));
    }
}

TEST_F(WendleBinary, SettingsThatChangeNothingSaySoInOneLine) {
    const std::string in = writeTestFile("in.wav", 2, 0.5);
    struct Case {
        std::vector<std::string> args;
        std::string note; // empty: no note
    };
    const Case cases[] = {
        {{"wendle", in, path("o.wav"), "--learn-filter0", path("dark.wav")},
         "wendle inert (depth is 0)"},
        {{"wendle", in, path("o.wav"), "--learn-filter0", path("dark.wav"), "--set", "depth=0.75"},
         ""},
        {{"wendle", "--out-dir", path("out"), in}, "1 of 1 outputs are their inputs unchanged"},
        {{"tidemill", in, path("o.wav")}, "tidemill inert (ratio is 1 : 1)"},
        {{"tidemill", in, path("o.wav"), "--program", "Noise Reduction"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::vector<std::string> args = {"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const auto at = r.err.find("mirelow: note: ");
        if (c.note.empty()) {
            EXPECT_EQ(at, std::string::npos) << r.err;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.note, at), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n', at), r.err.size() - 1) << r.err; // one line, the last
    }
}

TEST_F(MirelowBinary, ThirdPartyPluginRenders) {
    const std::string lsp = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
    if (!fs::exists(lsp))
        GTEST_SKIP() << "lsp-plugins-vst is not installed (scripts/bootstrap installs it)";
    const std::string in = writeTestFile("in.wav", 2, 0.5);
    const RunResult r = run({"render", lsp, in, path("out.wav"), "-q", "--block", "256",
                             "--save-preset", path("state.fxb")});
    ASSERT_EQ(r.status, 0) << r.err;
    const AudioBuffer a = readBack(in), b = readBack(path("out.wav"));
    ASSERT_EQ(b.frames(), a.frames());
    // The delay compensator at zero delay passes its input.
    EXPECT_LT(relativeError(a, b), 1e-3);
    // It has no programs, yet its bank (its whole state as a chunk) loads back.
    const RunResult back =
        run({"render", lsp, in, path("again.wav"), "-q", "--preset", path("state.fxb")});
    EXPECT_EQ(back.status, 0) << back.err;
}

} // namespace
} // namespace mirelow
