// `mirelow demo`: denoising with tidemill, morphing with wendle, figures and pictures.
#include "Demo.h"

#include "Commands.h"
#include "Error.h"
#include "Plugin.h"
#include "Render.h"
#include "Session.h"
#include "Spectrogram.h"
#include "Synth.h"

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>

namespace mirelow {
namespace {

constexpr double kRate = 44100.0;
constexpr double kSnrDb = 20.0;
constexpr AudioFormat kWav16{SF_FORMAT_WAV | SF_FORMAT_PCM_16};
constexpr AudioFormat kWavFloat{SF_FORMAT_WAV | SF_FORMAT_FLOAT};

std::size_t at(double seconds, double rate) { return static_cast<std::size_t>(seconds * rate); }

void makeFolder(const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) throw Error("'" + folder + "' exists and is not a folder");
        return;
    }
    if (::mkdir(folder.c_str(), 0777) != 0) throw Error("cannot create folder '" + folder + "'");
}

AudioBuffer slice(const AudioBuffer& in, std::size_t from, std::size_t to)
{
    AudioBuffer out(in.numChannels(), to - from, in.sampleRate);
    for (int c = 0; c < in.numChannels(); ++c)
        std::copy(in.channels[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(from),
                  in.channels[static_cast<std::size_t>(c)].begin() + static_cast<std::ptrdiff_t>(to),
                  out.channels[static_cast<std::size_t>(c)].begin());
    return out;
}

double secondsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int denoisePart(const DemoOptions& o)
{
    const DenoiseSignal signal = makeDenoiseSignal(kRate, kSnrDb);
    auto plugin = loadPlugin("tidemill", kRate);
    const int program = findProgram(*plugin, "Noise Reduction");
    plugin->setProgram(program);
    const std::string programName = plugin->currentProgramName();

    const auto t0 = std::chrono::steady_clock::now();
    learnPass(*plugin, "learnaverage", 1.0f, slice(signal.input, 0, at(signal.leadInSeconds, kRate)), 2, o.blockSize);
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
                  "program \u201c%s\u201d  \u00b7  threshold shape learned (learnaverage) from the %.1f s noise-only lead-in"
                  "  \u00b7  white noise at SNR %.0f dB",
                  programName.c_str(), signal.leadInSeconds, signal.snrDb);
    writeSpectrogramPng(dir + "denoise.png", "tidemill noise reduction: before and after", subtitle,
                        {{"input: tones + noise", &signal.input}, {"output: denoised", &output}});

    std::printf("denoise: tidemill, program \"%s\", noise shape learned from the %.1f s noise-only lead-in\n",
                programName.c_str(), signal.leadInSeconds);
    std::printf("  test signal      %.1f s stereo at %.1f kHz: harmonic tones + white noise, SNR %.1f dB\n",
                signal.input.seconds(), kRate / 1000, signal.snrDb);
    std::printf("  noise reduction  %.1f dB (noise-only section)\n", f.noiseReductionDb);
    std::printf("  signal kept      %.2f dB\n", f.signalKeptDb);
    std::printf("  speed            %s (learn pass and render)\n", summaryLine(signal.input.seconds(), taken).c_str());
    std::printf("  wrote            %sdenoise-input.wav, %sdenoise-output.wav, %sdenoise.png\n", dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}

}  // namespace

DenoiseSignal makeDenoiseSignal(double rate, double snrDb)
{
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
    const double tonePower = 0.5 * (synth::power(s.clean.channels[0], toneFrom, frames) + synth::power(s.clean.channels[1], toneFrom, frames));
    const double noiseRms = std::sqrt(tonePower / std::pow(10.0, snrDb / 10));
    s.input = s.clean;
    synth::Noise noise(20261208);
    for (auto& ch : s.input.channels) synth::addNoise(ch, 0, frames, noiseRms, noise);
    return s;
}

DenoiseFigures measureDenoise(const DenoiseSignal& s, const AudioBuffer& out)
{
    const double rate = s.input.sampleRate;
    // Past the first half second the gains have settled on the noise.
    const std::size_t noiseFrom = at(0.5, rate), noiseTo = at(s.leadInSeconds - 0.05, rate);
    const std::size_t toneFrom = at(s.leadInSeconds + 0.1, rate), toneTo = s.input.frames() - at(0.1, rate);
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

int runDemo(const DemoOptions& o)
{
    makeFolder(o.folder);
    std::printf("mirelow demo: writing into %s/\n", o.folder.c_str());
    denoisePart(o);
    std::printf("morph: unavailable: this build has no Pro Tools simulator for wendle\n");
    return 0;
}

}  // namespace mirelow
