// vstprobe: loads a VST 2.4 plug-in through the host harness, prints what it answers, runs a
// synthesized test signal through it and says what came out.
//
//   vstprobe PLUGIN.so [SECONDS]
#include "VstHost.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double rmsDb(const std::vector<float>& s, size_t from) {
    double sum = 0;
    for (size_t i = from; i < s.size(); ++i)
        sum += static_cast<double>(s[i]) * s[i];
    const double rms = std::sqrt(sum / static_cast<double>(std::max<size_t>(1, s.size() - from)));
    return rms > 0 ? 20 * std::log10(rms) : -INFINITY;
}

int usage() {
    std::fprintf(stderr, "usage: vstprobe PLUGIN.so [SECONDS]  (SECONDS: 0.1 to 600, default 2)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3)
        return usage();
    double seconds = 2.0;
    if (argc == 3) {
        char* end = nullptr;
        seconds = std::strtod(argv[2], &end);
        if (!end || *end || !(seconds >= 0.1 && seconds <= 600))
            return usage();
    }
    try {
        vsthost::Plugin p(argv[1]);
        const int rate = 44100, block = 512;
        p.dispatch(effOpen);
        p.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
        p.dispatch(effSetBlockSize, 0, block);
        p.dispatch(effMainsChanged, 0, 1);
        std::printf("%s: \"%s\" by \"%s\" (%s), id '%s', %d in / %d out, %d programs, %d "
                    "parameters, latency %d samples\n",
                    argv[1], p.effectName().c_str(), p.vendorString().c_str(),
                    p.productString().c_str(),
                    fourCharText(static_cast<uint32_t>(p.uniqueId())).c_str(), p.numInputs(),
                    p.numOutputs(), p.numPrograms(), p.numParams(), p.initialDelay());

        // An impulse finds the delay; then a 1 kHz tone over quiet noise shows the processing.
        const auto frames = static_cast<size_t>(seconds * rate);
        std::vector<float> impulse(std::max<size_t>(frames, 8192), 0.f);
        impulse[0] = 1.f;
        const auto out = p.render({impulse, impulse}, block);
        size_t at = 0;
        for (size_t i = 1; i < out[0].size(); ++i)
            if (std::fabs(out[0][i]) > std::fabs(out[0][at]))
                at = i;
        std::printf("impulse at sample 0 comes out strongest at sample %zu (%.3f)\n", at,
                    out[0][at]);

        p.dispatch(effMainsChanged, 0, 0);
        p.dispatch(effMainsChanged, 0, 1);
        std::vector<float> tone(frames);
        uint32_t seed = 1;
        for (size_t i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const float hiss = 0.01f * (static_cast<float>(seed >> 8) / 8388608.f - 1.f);
            tone[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / rate)) + hiss;
        }
        const auto processed = p.render({tone, tone}, block);
        const auto skip = static_cast<size_t>(p.initialDelay());
        std::printf("%.1f s of a 1 kHz tone (-9 dB) over hiss (-45 dB): input %.1f dB RMS, "
                    "output %.1f / %.1f dB RMS (channels 1 / 2, after the latency)\n",
                    seconds, rmsDb(tone, 0), rmsDb(processed[0], skip), rmsDb(processed[1], skip));
        return 0;
    } catch (const vsthost::LoadError& e) {
        std::fprintf(stderr, "vstprobe: %s\n", e.what());
        return 1;
    }
}
