// The wendle effect's per-bin maths as pure functions over arrays: power spectra, learned curves,
// the tilt curve, target gains, the glide, the gain application and the LFO step. The effect class
// owns the arrays; these functions own none and allocate nothing.
#pragma once

#include "WendleProgram.h"
#include "engine/Spectrum.h"

namespace wendlefx {

using spectral::kFftSize;
using spectral::kHalfSize;
using spectral::kHopSize;

// Per-bin power of a halfcomplex spectrum into kBins floats, shared with the compander.
using spectral::powerSpectrum;

// sum[k] += power[k] for every bin. Audio thread.
void accumulate(const float* power, float* sum);

// Turns the power sums of `frames` (> 0) frames into a filter curve: a[k] = log10(average + 1e-6);
// the larger of the greatest a[k] and −4.8 maps to 0 dB, the smaller of the least a[k] and 0 to
// −48 dB, linearly in a between. `sums` is overwritten with the a[k]. When every a[k] is exactly
// 0 there is no range to scale: the curve is flat at 0 dB. A bin whose average is not finite
// counts as silent (a = −6), so the curves are always finite.
void learnCurve(float* sums, int frames, float* decibels, float* linear);

// decibels[k] = 20·log10(linear[k]) for every bin; factors at or below 10^−12 (zero, negative or
// NaN ones included) give kFloorDb, so a curve in dB is always finite.
constexpr float kFloorDb = -240.0f;
void decibelsFromLinear(const float* linear, float* decibels);

// 10^x to within a few float ulps for |x| ≤ 38, written so the compiler can vectorise loops of
// it; 0 gives exactly 1.
float exp10Fast(float x);

// The tilt's bin-dependent exponent base: 20·log10(k+1) − H with H = 20·log10(512)/2, kBins
// entries. Independent of the tilt amount, so it is made once.
void makeTiltOffsets(float* offsets);

// Tilt factors 10^x with x = offset[k]·(t/H): about 10^−t at bin 0, 1 near bin √512 − 1 and about
// 10^t at the top bin. t = 0 gives exactly 1.0 everywhere. x is held within ±12 (±240 dB, the range
// of the target gains), so tilt amounts far beyond ±3 still give finite factors.
void tiltCurve(float tiltAmount, const float* offsets, float* out);

// Target gains of one side: 10^(0.05·e), e = (dB0·(1 − p) + dB1·p)·depth, with e held within
// ±240 dB (a NaN level counts as −240 dB).
void targetGains(const float* db0, const float* db1, float position, float depth, float* out);

// applied[k] = 0.4·target[k]·tilt[k] + 0.6·applied[k]: 40 % of the remaining way per frame.
// Audio thread.
void glide(const float* target, const float* tilt, float* applied);

// Scales every bin of a halfcomplex spectrum by its real gain (`in` may be `out`). Audio thread.
using spectral::applyGains;

// The triangle LFO that moves the filter position between 0 and 1.
struct LfoState {
    float position = 0.0f;  // 0 … 1
    float rate = 0.0f;      // sweeps per second per divisor (Hz); 0 stands still
    float direction = 1.0f; // +1 or −1
};

struct LfoClock {
    int divisor = 1; // 1 … 11
    bool tempoLock = false;
    float hostTempo = 0.0f;      // beats per minute
    float sampleRate = 44100.0f; // Hz
    int hopSize = kHopSize;
};

// Advances the LFO by one hop and answers the step taken (0 when it stood still). Under the tempo
// lock the rate follows the host tempo (a sweep lasts `divisor` beats). Audio thread.
float advanceLfo(LfoState& lfo, const LfoClock& clock);

} // namespace wendlefx
