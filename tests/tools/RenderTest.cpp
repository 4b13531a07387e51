// Rendering against a stand-in plug-in whose behaviour is known exactly (a delay line with a
// gain): latency compensation, the kept delay, block sizes, channel layouts, learn feeding.
#include "Render.h"
#include "AudioFile.h"
#include "Error.h"
#include "Session.h"
#include "StreamRender.h"
#include "Synth.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace mirelow {
namespace {

class DelayPlugin : public Plugin {
  public:
    DelayPlugin(int latency, float gain, int ins = 2, int outs = 2)
        : latency_(latency), gain_(gain), ins_(ins), outs_(outs) {}

    std::string format() const override { return "test"; }
    std::string path() const override { return "delay"; }
    std::string effectName() override { return "delay"; }
    std::string vendor() override { return ""; }
    std::string product() override { return ""; }
    int32_t uniqueId() override { return 1; }
    int32_t version() override { return 1; }
    int numInputs() override { return ins_; }
    int numOutputs() override { return outs_; }
    int latency() override { return latency_; }
    std::vector<std::string> flags() override { return {}; }
    int maxChannels() override { return std::min({ins_, outs_, 2}); }
    int numParams() override { return 0; }
    std::string paramName(int) override { return ""; }
    std::string paramLabel(int) override { return ""; }
    std::string paramDisplay(int) override { return ""; }
    float getParam(int) override { return 0; }
    void setParam(int, float) override {}
    int numPrograms() override { return 0; }
    int currentProgram() override { return 0; }
    void setProgram(int) override {}
    std::string programName(int) override { return ""; }
    std::string currentProgramName() override { return ""; }
    void setCurrentProgramName(const std::string&) override {}
    bool programsAreChunks() override { return false; }
    std::vector<uint8_t> getChunk(bool) override { return {}; }
    bool setChunk(const std::vector<uint8_t>&, bool) override { return false; }
    void setTempo(double) override {}

    void start(double, int maxBlock, int channels) override {
        ++starts;
        maxBlock_ = maxBlock;
        channels_ = channels;
        lines.assign(static_cast<std::size_t>(outs_),
                     std::deque<float>(static_cast<std::size_t>(latency_), 0.0f));
        framesSeen = 0;
    }
    void stop() override { ++stops; }
    void process(float* const* in, float* const* out, int frames) override {
        EXPECT_LE(frames, maxBlock_);
        for (int c = 0; c < outs_; ++c) {
            auto& line = lines[static_cast<std::size_t>(c)];
            for (int i = 0; i < frames; ++i) {
                line.push_back(in[std::min(c, ins_ - 1)][i] * gain_);
                out[c][i] = line.front();
                line.pop_front();
            }
        }
        framesSeen += frames;
    }

    int starts = 0, stops = 0, channels_ = 0;
    long framesSeen = 0;

  protected:
    int latency_;
    float gain_;
    int ins_, outs_;
    int maxBlock_ = 0;
    std::vector<std::deque<float>> lines;
};

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

AudioBuffer noise(int channels, std::size_t frames) {
    AudioBuffer a(channels, frames, 48000);
    synth::Noise n(7);
    for (auto& ch : a.channels)
        synth::addNoise(ch, 0, frames, 0.3, n);
    return a;
}

TEST(Render, OutputIsTimeAlignedAndAsLongAsTheInput) {
    for (int latency : {0, 1, 1024, 5000}) {
        for (int block : {1, 100, 512, 8192}) {
            SCOPED_TRACE("latency " + std::to_string(latency) + ", block " + std::to_string(block));
            DelayPlugin plugin(latency, 0.5f);
            const AudioBuffer in = noise(2, 3001);
            const AudioBuffer out = render(plugin, in, {block, false});
            ASSERT_EQ(out.numChannels(), 2);
            ASSERT_EQ(out.frames(), in.frames());
            EXPECT_EQ(out.sampleRate, in.sampleRate);
            for (std::size_t c = 0; c < 2; ++c)
                for (std::size_t i = 0; i < in.frames(); ++i)
                    ASSERT_EQ(out.channels[c][i], in.channels[c][i] * 0.5f) << i;
            EXPECT_EQ(plugin.framesSeen,
                      static_cast<long>(in.frames()) + latency); // the tail was flushed
            EXPECT_EQ(plugin.starts, 1);
            EXPECT_EQ(plugin.stops, 1);
        }
    }
}

TEST(Render, KeptLatencyIsTheRawStreamWithItsTail) {
    DelayPlugin plugin(700, 1.0f);
    const AudioBuffer in = noise(2, 2000);
    RenderStats stats;
    const AudioBuffer out = render(plugin, in, {256, true}, {}, &stats);
    EXPECT_EQ(stats.latency, 700);
    ASSERT_EQ(out.frames(), 2700u);
    for (std::size_t i = 0; i < 700; ++i)
        ASSERT_EQ(out.channels[1][i], 0.0f);
    for (std::size_t i = 0; i < 2000; ++i)
        ASSERT_EQ(out.channels[1][700 + i], in.channels[1][i]);
}

TEST(Render, MonoFeedsBothInputsAndKeepsOneChannel) {
    DelayPlugin plugin(10, 1.0f);
    const AudioBuffer in = noise(1, 500);
    const AudioBuffer out = render(plugin, in, {64, false});
    EXPECT_EQ(plugin.channels_, 1);
    ASSERT_EQ(out.numChannels(), 1);
    EXPECT_EQ(out.channels[0], in.channels[0]);
}

TEST(Render, ChannelsThePluginLacksAreRefused) {
    DelayPlugin mono(0, 1.0f, 1, 1);
    EXPECT_THROW(render(mono, noise(2, 100), {64, false}), Error);
    EXPECT_NO_THROW(render(mono, noise(1, 100), {64, false}));
    DelayPlugin stereo(0, 1.0f);
    EXPECT_THROW(render(stereo, AudioBuffer(3, 100, 44100), {64, false}), Error);
    EXPECT_THROW(render(stereo, noise(1, 100), {0, false}), Error);
}

TEST(Render, FeedRunsExactlyTheLearnAudioInTheRenderLayout) {
    DelayPlugin plugin(1024, 1.0f);
    feed(plugin, noise(1, 777), 2, 100);
    EXPECT_EQ(plugin.framesSeen, 777);
    EXPECT_EQ(plugin.channels_, 2);
    feed(plugin, noise(2, 10), 1, 100);
    EXPECT_EQ(plugin.channels_, 1);
    EXPECT_THROW(feed(plugin, AudioBuffer(3, 10, 48000), 2, 100), Error);
}

// A plug-in that records the size of every process call, on top of the delay line.
class CallLog : public DelayPlugin {
  public:
    using DelayPlugin::DelayPlugin;
    void process(float* const* in, float* const* out, int frames) override {
        calls.push_back(frames);
        DelayPlugin::process(in, out, frames);
    }
    std::vector<int> calls;
};

TEST(HostBlocks, AnySlicingOfTheStreamGivesTheSameCallsAndOutput) {
    const AudioBuffer in = noise(2, 10007);
    auto run = [&](const std::vector<std::size_t>& slices) {
        CallLog plugin(300, 1.0f);
        plugin.start(48000, 500, 2);
        HostBlocks blocks(plugin, 2, 500, 300);
        AudioBuffer out(2, in.frames() + 1000, 48000);
        std::size_t pos = 0, produced = 0;
        for (std::size_t i = 0; pos < in.frames(); ++i) {
            const std::size_t n = std::min(slices[i % slices.size()], in.frames() - pos);
            const float* src[2] = {in.channels[0].data() + pos, in.channels[1].data() + pos};
            float* dst[2] = {out.channels[0].data() + produced, out.channels[1].data() + produced};
            produced += blocks.push(src, n, dst);
            EXPECT_LE(produced, pos + n);
            pos += n;
        }
        float* dst[2] = {out.channels[0].data() + produced, out.channels[1].data() + produced};
        produced += blocks.flush(dst);
        for (auto& ch : out.channels)
            ch.resize(produced);
        return std::pair{plugin.calls, out.channels};
    };
    const auto whole = run({10007});
    EXPECT_EQ(whole.first.size(), 21u); // twenty full blocks of 500, then 7 frames
    EXPECT_EQ(whole.first.back(), 7);
    for (const auto& slices :
         std::vector<std::vector<std::size_t>>{{1}, {499, 2}, {4096}, {77, 1000, 3}})
        EXPECT_EQ(run(slices), whole);
    // The delay is dropped: output frame i is input frame i.
    ASSERT_EQ(whole.second[0].size(), 10007u - 300u);
    for (std::size_t i = 0; i < whole.second[0].size(); ++i)
        ASSERT_EQ(whole.second[1][i], in.channels[1][i]);
}

TEST(StreamRender, FileToFileEqualsTheWholeBufferRenderEvenForALongDelay) {
    const auto dir = std::filesystem::temp_directory_path() / "mirelow-stream-test";
    std::filesystem::create_directories(dir);
    const std::string in = (dir / "in.wav").string(), out = (dir / "out.wav").string();
    // A delay longer than the stream's block: the tail flush spans several blocks.
    for (const int latency : {0, 1024, 150000}) {
        for (const bool keep : {false, true}) {
            SCOPED_TRACE(std::to_string(latency) + (keep ? " kept" : ""));
            const AudioBuffer audio = noise(2, 2 * kStreamBlockFrames + 333);
            writeAudioFile(in, audio, AudioFormat{SF_FORMAT_WAV | SF_FORMAT_FLOAT});
            DelayPlugin streamed(latency, 0.5f), whole(latency, 0.5f);
            AudioReader reader(in);
            AudioWriter writer(out, reader.format(), 2, reader.sampleRate());
            std::vector<double> progress;
            const StreamResult r = renderStream(streamed, reader, writer, {480, keep},
                                                [&](double f) { progress.push_back(f); });
            writer.commit();
            EXPECT_EQ(r.latency, latency);
            EXPECT_EQ(r.framesIn, audio.frames());
            EXPECT_EQ(streamed.starts, 1);
            EXPECT_EQ(streamed.stops, 1);
            ASSERT_FALSE(progress.empty());
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_EQ(progress.back(), 1.0);
            EXPECT_TRUE(readAudioFile(out).audio.channels ==
                        render(whole, audio, {480, keep}).channels);
        }
    }
    std::filesystem::remove_all(dir);
}

// 16-bit files are converted by the renderer itself, with libsndfile's arithmetic: every 16-bit
// value reads as libsndfile reads it, and values across the range (rounding ties, full scale and
// beyond, tiny and non-finite ones) write the bytes libsndfile's float path with clipping writes,
// in mono and stereo, in a little-endian and a big-endian container.
TEST(AudioFile, SixteenBitSamplesConvertAsLibsndfileConvertsThem) {
    std::vector<float> values;
    for (int k = -33000; k <= 33000; ++k) {
        const float tie = (static_cast<float>(k) + 0.5f) / 32768.0f;
        values.insert(values.end(), {static_cast<float>(k) / 32768.0f, tie,
                                     std::nextafter(tie, 2.0f), std::nextafter(tie, -2.0f)});
    }
    synth::Noise n(11);
    for (int i = 0; i < 100000; ++i)
        values.push_back(static_cast<float>(1.3 * (2.0 * n.uniform() - 1.0)));
    // Last, so that the frames left over after whole vectors hold some of them too.
    values.insert(values.end(), {0.0f, -0.0f, 1e-40f, -1e-40f, 1e30f, -1e30f, INFINITY, -INFINITY,
                                 NAN, 0.25f, -0.75f});
    const auto dir = std::filesystem::temp_directory_path() / "mirelow-pcm16-test";
    std::filesystem::create_directories(dir);
    for (const int major : {SF_FORMAT_WAV, SF_FORMAT_AIFF}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(major) + " " + std::to_string(channels));
            const std::size_t frames = values.size() / static_cast<std::size_t>(channels);
            const std::string ours = (dir / "ours").string(), theirs = (dir / "theirs").string();
            SF_INFO info{};
            info.format = major | SF_FORMAT_PCM_16;
            info.channels = channels;
            info.samplerate = 44100;
            SNDFILE* f = sf_open(theirs.c_str(), SFM_WRITE, &info);
            ASSERT_NE(f, nullptr);
            sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
            sf_command(f, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
            sf_writef_float(f, values.data(), static_cast<sf_count_t>(frames));
            sf_close(f);

            std::vector<std::vector<float>> planar(static_cast<std::size_t>(channels),
                                                   std::vector<float>(frames));
            for (std::size_t i = 0; i < frames; ++i)
                for (std::size_t c = 0; c < planar.size(); ++c)
                    planar[c][i] = values[i * planar.size() + c];
            std::vector<const float*> in;
            for (const auto& ch : planar)
                in.push_back(ch.data());
            AudioWriter writer(ours, AudioFormat{info.format}, channels, 44100);
            writer.write(in.data(), frames);
            writer.commit();
            EXPECT_TRUE(readBytes(ours) == readBytes(theirs));

            AudioReader reader(ours);
            std::vector<float*> out;
            for (auto& ch : planar)
                out.push_back(ch.data());
            ASSERT_EQ(reader.read(out.data(), frames), frames);
            std::vector<float> expected(values.size());
            f = sf_open(theirs.c_str(), SFM_READ, &info);
            sf_readf_float(f, expected.data(), static_cast<sf_count_t>(frames));
            sf_close(f);
            std::size_t differ = 0;
            for (std::size_t i = 0; i < frames; ++i)
                for (std::size_t c = 0; c < planar.size(); ++c)
                    differ += std::bit_cast<uint32_t>(planar[c][i]) !=
                              std::bit_cast<uint32_t>(expected[i * planar.size() + c]);
            EXPECT_EQ(differ, 0u);
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(Session, ParameterBankOfAPluginWithoutProgramsLoadsBack) {
    DelayPlugin plugin(0, 1.0f);
    const Preset bank =
        decodePreset(encodePreset(capturePreset(plugin, PresetKind::Bank)), "state.fxb");
    EXPECT_NO_THROW(applyPreset(plugin, bank, "state.fxb"));
}

} // namespace
} // namespace mirelow
