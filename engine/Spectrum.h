// The frame layout every spectral part shares: 1024-point frames, a hop of 256 samples, spectra in
// FFTW's halfcomplex order (element 0 the DC real part, 1 … 511 the real parts, 512 the Nyquist
// real part, 1023 … 513 the imaginary parts of bins 1 … 511), so 513 bins. And the two per-bin
// passes both effects make over that layout.
#pragma once

namespace spectral {

inline constexpr int kFftSize = 1024;
inline constexpr int kHalfSize = kFftSize / 2; // 512
inline constexpr int kHopSize = kFftSize / 4;  // 256
inline constexpr int kBins = kHalfSize + 1;    // 513

// power[k] = re² + im² of every bin of a halfcomplex spectrum (kFftSize floats in, kBins out).
// Audio thread: no allocation.
void powerSpectrum(const float* spectrum, float* power);

// Scales every bin of a halfcomplex spectrum by its real gain (kBins gains); the phase is kept.
// `in` and `out` may be the same array. Audio thread: no allocation.
void applyGains(const float* gains, const float* in, float* out);

} // namespace spectral
