// `mirelow demo`: denoising with tidemill, morphing with wendle, figures and pictures.
#include "Demo.h"

#include "Commands.h"
#include "Error.h"
#include "Plugin.h"
#include "Render.h"
#include "Session.h"
#include "Spectrogram.h"
#include "Synth.h"
#include "TidemillEditorSnapshot.h"
#ifdef MIRELOW_HAVE_PTSIM
#include "WendleEditorSnapshot.h"
#endif

#include <fftw3.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sys/stat.h>

namespace mirelow {
namespace {

constexpr double kRate = 44100.0;
constexpr double kSnrDb = 20.0;
constexpr AudioFormat kWav16{SF_FORMAT_WAV | SF_FORMAT_PCM_16};
constexpr AudioFormat kWavFloat{SF_FORMAT_WAV | SF_FORMAT_FLOAT};

std::size_t at(double seconds, double rate) {
    return static_cast<std::size_t>(seconds * rate);
}

void makeFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            throw Error("'" + folder + "' exists and is not a folder");
        return;
    }
    if (::mkdir(folder.c_str(), 0777) != 0)
        throw Error("cannot create folder '" + folder + "'");
}

AudioBuffer slice(const AudioBuffer& in, std::size_t from, std::size_t to) {
    AudioBuffer out(in.numChannels(), to - from, in.sampleRate);
    for (int c = 0; c < in.numChannels(); ++c)
        std::copy(
            in.channels[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(from),
            in.channels[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(to),
            out.channels[static_cast<std::size_t>(c)].begin());
    return out;
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int denoisePart(const DemoOptions& o) {
    const DenoiseSignal signal = makeDenoiseSignal(kRate, kSnrDb);
    auto plugin = loadPlugin("tidemill", kRate);
    const int program = findProgram(*plugin, "Noise Reduction");
    plugin->setProgram(program);
    const std::string programName = plugin->currentProgramName();

    const auto t0 = std::chrono::steady_clock::now();
    learnPass(*plugin, "learnaverage", 1.0f,
              slice(signal.input, 0, at(signal.leadInSeconds, kRate)), 2, o.blockSize);
    plugin = reloadWithState(std::move(plugin), "tidemill", kRate);
    RenderSettings rs;
    rs.blockSize = o.blockSize;
    const AudioBuffer output = render(*plugin, signal.input, rs);
    const double taken = secondsSince(t0);
    const DenoiseFigures f = measureDenoise(signal, output);

    const std::string dir = o.folder + "/";
    writeAudioFile(dir + "denoise-input.wav", signal.input, kWavFloat);
    writeAudioFile(dir + "denoise-output.wav", output, kWavFloat);
    char subtitle[256];
    std::snprintf(subtitle, sizeof subtitle,
                  "program \u201c%s\u201d  \u00b7  threshold shape learned (learnaverage) from the "
                  "%.1f s noise-only lead-in"
                  "  \u00b7  white noise at SNR %.0f dB",
                  programName.c_str(), signal.leadInSeconds, signal.snrDb);
    writeSpectrogramPng(dir + "denoise.png", "tidemill noise reduction: before and after", subtitle,
                        {{"input: tones + noise", &signal.input}, {"output: denoised", &output}});
    // The editor as a host shows it while the tones play: the learned threshold curve over the
    // input and output spectra.
    auto shot = makeLinkedTidemill(kRate);
    if (!shot->setChunk(plugin->getChunk(false), false))
        throw Error("the linked tidemill refused the demo's bank");
    writeTidemillEditorPicture(*shot, signal.input, signal.leadInSeconds + 1.5, dir + "editor.png");

    std::printf("denoise: tidemill, program \"%s\", noise shape learned from the %.1f s noise-only "
                "lead-in\n",
                programName.c_str(), signal.leadInSeconds);
    std::printf(
        "  test signal      %.1f s stereo at %.1f kHz: harmonic tones + white noise, SNR %.1f dB\n",
        signal.input.seconds(), kRate / 1000, signal.snrDb);
    std::printf("  noise reduction  %.1f dB (noise-only section)\n", f.noiseReductionDb);
    std::printf("  signal kept      %.2f dB\n", f.signalKeptDb);
    std::printf("  speed            %s (learn pass and render)\n",
                summaryLine(signal.input.seconds(), taken).c_str());
    std::printf("  wrote            %sdenoise-input.wav, %sdenoise-output.wav, %sdenoise.png, "
                "%seditor.png\n",
                dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}

// A rich chord under light noise: something for the filter to shape.
AudioBuffer makeMorphInput(double seconds) {
    AudioBuffer a(2, at(seconds, kRate), kRate);
    synth::Noise noise(4242);
    static constexpr double kChord[] = {110.0, 164.81, 220.0, 277.18};
    for (int c = 0; c < 2; ++c) {
        auto& ch = a.channels[static_cast<std::size_t>(c)];
        for (double hz : kChord)
            synth::addNote(ch, kRate, {0.0, seconds, hz * (c == 0 ? 1.0 : 1.002), 0.06, 60});
        synth::addNoise(ch, 0, ch.size(), 0.02, noise);
    }
    return a;
}

// Broadband noise coloured dark (two low-pass poles at 400 Hz) or bright (two high-pass poles at
// 4 kHz): the two shapes wendle learns.
AudioBuffer makeShapeSource(bool bright, double seconds, uint64_t seed) {
    AudioBuffer a(2, at(seconds, kRate), kRate);
    synth::Noise noise(seed);
    for (auto& ch : a.channels) {
        synth::addNoise(ch, 0, ch.size(), 0.2, noise);
        for (int pass = 0; pass < 2; ++pass)
            synth::onePole(ch, kRate, bright ? 4000.0 : 400.0, bright);
    }
    return a;
}

// Spectral centroid (Hz) of successive 2048-sample stretches, channels mixed, smoothed over
// about a quarter of a second.
std::vector<double> centroids(const AudioBuffer& a, std::size_t hop) {
    constexpr int n = 2048;
    float* in = fftwf_alloc_real(n);
    fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    std::vector<double> raw;
    for (std::size_t start = 0; start + n <= a.frames(); start += hop) {
        for (int i = 0; i < n; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
            const std::size_t j = start + static_cast<std::size_t>(i);
            in[i] = static_cast<float>(w * (a.channels[0][j] + a.channels[a.numChannels() - 1][j]));
        }
        fftwf_execute(plan);
        double num = 0, den = 0;
        for (int k = 1; k <= n / 2; ++k) {
            const double p = double(out[k][0]) * out[k][0] + double(out[k][1]) * out[k][1];
            num += p * k * a.sampleRate / n;
            den += p;
        }
        raw.push_back(den > 0 ? num / den : 0);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(out);
    fftwf_free(in);
    const int half = std::max(1, static_cast<int>(0.125 * a.sampleRate / static_cast<double>(hop)));
    std::vector<double> smooth(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        double sum = 0;
        int count = 0;
        for (int d = -half; d <= half; ++d) {
            const auto j = static_cast<std::ptrdiff_t>(i) + d;
            if (j >= 0 && j < static_cast<std::ptrdiff_t>(raw.size()))
                sum += raw[static_cast<std::size_t>(j)], ++count;
        }
        smooth[i] = sum / count;
    }
    return smooth;
}

int morphPart(const DemoOptions& o) {
    std::unique_ptr<Plugin> plugin;
    try {
        plugin = loadPlugin("wendle", kRate, 2);
    } catch (const Error& e) {
        std::printf("morph: unavailable: %s\n", e.what());
        return 0;
    }
    constexpr double kTempo = 120.0, kSeconds = 8.0;
    constexpr int kDivisor = 2;
    const AudioBuffer dark = makeShapeSource(false, 2.0, 11),
                      bright = makeShapeSource(true, 2.0, 12);
    const AudioBuffer input = makeMorphInput(kSeconds);

    const auto t0 = std::chrono::steady_clock::now();
    learnWendleFilter(*plugin, 0, dark, 2, o.blockSize);
    learnWendleFilter(*plugin, 1, bright, 2, o.blockSize);
    plugin = reloadWithState(std::move(plugin), "wendle", kRate);
    plugin->setTempo(kTempo);
    plugin->setParam(findParam(*plugin, "depth"), 0.75f); // depth 1: the learned shapes as they are
    plugin->setParam(findParam(*plugin, "makeup gain"), 0.55f); // +6 dB
    plugin->setParam(findParam(*plugin, "lfo divisor"), static_cast<float>(kDivisor - 1) / 10.0f);
    plugin->setParam(findParam(*plugin, "lfo sync"), 1.0f);
    RenderSettings rs;
    rs.blockSize = o.blockSize;
    const AudioBuffer output = render(*plugin, input, rs);
    const double taken = secondsSince(t0);

    // How far and how often the brightness swings.
    const std::size_t hop = 1024;
    const std::vector<double> c = centroids(output, hop);
    double lo = 1e9, hi = 0, mean = 0;
    for (double v : c)
        lo = std::min(lo, v), hi = std::max(hi, v), mean += v;
    mean /= static_cast<double>(std::max<std::size_t>(1, c.size()));
    std::vector<double> ups; // upward crossings of the mean, seconds
    for (std::size_t i = 1; i < c.size(); ++i)
        if (c[i - 1] < mean && c[i] >= mean)
            ups.push_back(static_cast<double>(i * hop) / kRate);
    const double cycle =
        ups.size() > 1 ? (ups.back() - ups.front()) / static_cast<double>(ups.size() - 1) : 0;

    const std::string dir = o.folder + "/";
#ifdef MIRELOW_HAVE_PTSIM
    // The editor as a host shows it mid-sweep: the learned state in a fresh instance, 2.4 s into
    // the input (the position falls through 0.6 from filter one towards filter zero).
    plugin = reloadWithState(std::move(plugin), "wendle", kRate);
    plugin->setTempo(kTempo);
    plugin->setParam(findParam(*plugin, "logscale"), 1.0f);
    writeWendleEditorPicture(*plugin, input, 2.4, dir + "editor-wendle.png");
#endif
    writeAudioFile(dir + "morph-shape0.wav", dark, kWavFloat);
    writeAudioFile(dir + "morph-shape1.wav", bright, kWavFloat);
    writeAudioFile(dir + "morph-input.wav", input, kWavFloat);
    writeAudioFile(dir + "morph-output.wav", output, kWavFloat);
    char subtitle[256];
    std::snprintf(subtitle, sizeof subtitle,
                  "filter zero learned from dark noise, filter one from bright noise  \u00b7  "
                  "depth 1.00  \u00b7  "
                  "LFO locked to %.0f BPM, one sweep every %d beats",
                  kTempo, kDivisor);
    writeSpectrogramPng(dir + "morph.png", "wendle morph under the tempo-locked LFO", subtitle,
                        {{"input: chord + noise", &input}, {"output: morphed", &output}});

    std::printf("morph: wendle through the Pro Tools simulator, shapes learned from dark and "
                "bright noise\n");
    std::printf("  LFO              locked to %.0f BPM, divisor %d: one sweep every %.2f s, a "
                "cycle every %.2f s\n",
                kTempo, kDivisor, kDivisor * 60.0 / kTempo, 2 * kDivisor * 60.0 / kTempo);
    std::printf("  measured         spectral centroid swings %.0f Hz ... %.0f Hz, cycle %.2f s\n",
                lo, hi, cycle);
    std::printf("  speed            %s (two learn passes and render)\n",
                summaryLine(input.seconds(), taken).c_str());
    std::printf("  wrote            %smorph-shape0.wav, %smorph-shape1.wav, %smorph-input.wav, "
                "%smorph-output.wav, %smorph.png, %seditor-wendle.png\n",
                dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}

} // namespace

DenoiseSignal makeDenoiseSignal(double rate, double snrDb) {
    constexpr double kLeadIn = 1.0, kLength = 5.0;
    DenoiseSignal s;
    s.leadInSeconds = kLeadIn;
    s.snrDb = snrDb;
    const std::size_t frames = at(kLength, rate);
    s.clean = AudioBuffer(2, frames, rate);
    // A drone under four melody notes, panned apart a little.
    static constexpr double kMelody[] = {440.0, 554.37, 659.26, 880.0};
    for (int c = 0; c < 2; ++c) {
        auto& ch = s.clean.channels[static_cast<std::size_t>(c)];
        synth::addNote(ch, rate, {kLeadIn, kLength - kLeadIn, 110.0, c == 0 ? 0.12 : 0.09, 8});
        for (int n = 0; n < 4; ++n)
            synth::addNote(ch, rate, {kLeadIn + n, 1.0, kMelody[n], c == 0 ? 0.15 : 0.19, 6});
    }
    const std::size_t toneFrom = at(kLeadIn, rate);
    const double tonePower = 0.5 * (synth::power(s.clean.channels[0], toneFrom, frames) +
                                    synth::power(s.clean.channels[1], toneFrom, frames));
    const double noiseRms = std::sqrt(tonePower / std::pow(10.0, snrDb / 10));
    s.input = s.clean;
    synth::Noise noise(20261208);
    for (auto& ch : s.input.channels)
        synth::addNoise(ch, 0, frames, noiseRms, noise);
    return s;
}

DenoiseFigures measureDenoise(const DenoiseSignal& s, const AudioBuffer& out) {
    const double rate = s.input.sampleRate;
    // Past the first half second the gains have settled on the noise.
    const std::size_t noiseFrom = at(0.5, rate), noiseTo = at(s.leadInSeconds - 0.05, rate);
    const std::size_t toneFrom = at(s.leadInSeconds + 0.1, rate),
                      toneTo = s.input.frames() - at(0.1, rate);
    double noiseIn = 0, noiseOut = 0, dot = 0, cleanPower = 0, outPower = 0;
    for (int c = 0; c < s.input.numChannels(); ++c) {
        const auto ci = static_cast<std::size_t>(c);
        noiseIn += synth::power(s.input.channels[ci], noiseFrom, noiseTo);
        noiseOut += synth::power(out.channels[ci], noiseFrom, noiseTo);
        for (std::size_t i = toneFrom; i < toneTo; ++i) {
            dot += double(out.channels[ci][i]) * s.clean.channels[ci][i];
            cleanPower += double(s.clean.channels[ci][i]) * s.clean.channels[ci][i];
            outPower += double(out.channels[ci][i]) * out.channels[ci][i];
        }
    }
    DenoiseFigures f;
    f.noiseReductionDb = synth::toDb(noiseIn / std::max(noiseOut, 1e-30));
    const double g = cleanPower > 0 ? dot / cleanPower : 0;
    f.signalKeptDb = 20 * std::log10(std::max(std::abs(g), 1e-15));
    // Output = g × tones + rest; the rest's power is what the projection leaves.
    const double kept = g * g * cleanPower;
    f.snrOutDb = synth::toDb(kept / std::max(outPower - kept, 1e-30));
    return f;
}

int runDemo(const DemoOptions& o) {
    makeFolder(o.folder);
    std::printf("mirelow demo: writing into %s/\n", o.folder.c_str());
    denoisePart(o);
    return morphPart(o);
}

} // namespace mirelow
