// The demo: a synthesised noisy recording denoised by tidemill (threshold shape learned from a
// noise-only lead-in), and a test signal morphed by wendle between two learned shapes under its
// tempo-locked LFO. The signals and the measures are exposed for the tests.
#pragma once

#include "AudioFile.h"

namespace mirelow {

struct DenoiseSignal {
    AudioBuffer clean;        // the tones alone
    AudioBuffer input;        // tones + noise
    double leadInSeconds = 0; // noise only before the first tone
    double snrDb = 0;         // tones to noise over the tonal section
};

// Five seconds of stereo: a one-second noise-only lead-in, then four seconds of harmonic tones
// over a drone, with white noise throughout at `snrDb` below the tones.
DenoiseSignal makeDenoiseSignal(double sampleRate, double snrDb);

struct DenoiseFigures {
    double noiseReductionDb = 0; // noise-only section: input power over output power
    double signalKeptDb = 0;     // the tones' share of the output (in-phase projection), dB
    double snrOutDb = 0;         // tones to everything else in the output's tonal section
};

// `output` must be time-aligned with the input (latency compensated).
DenoiseFigures measureDenoise(const DenoiseSignal& signal, const AudioBuffer& output);

} // namespace mirelow
