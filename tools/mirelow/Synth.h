// Test material made by code: harmonic tones, white noise from a fixed seed, one-pole filters
// and level measures. Used by the demo and the tests; deterministic on every machine.
#pragma once

#include "AudioFile.h"

#include <cstdint>

namespace mirelow::synth {

// Uniform then Gaussian numbers from a fixed seed (xorshift64*, Box–Muller).
class Noise {
  public:
    explicit Noise(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    double uniform();  // [0, 1)
    double gaussian(); // mean 0, deviation 1

  private:
    uint64_t state_;
    bool haveSpare_ = false;
    double spare_ = 0;
};

struct Note {
    double startSeconds, lengthSeconds, hz, amplitude; // amplitude of the fundamental
    int harmonics = 6;                                 // partial k has amplitude / k
};

// Adds a note with soft attack and release (30 ms, 80 ms) and a gentle 5 Hz vibrato.
void addNote(std::vector<float>& out, double rate, const Note& note);

// Adds white Gaussian noise of the given RMS to [from, to) frames.
void addNoise(std::vector<float>& out, std::size_t from, std::size_t to, double rms, Noise& noise);

// One-pole low-pass (cutoff Hz) or, with highPass, its complement; in place.
void onePole(std::vector<float>& x, double rate, double cutoffHz, bool highPass);

// Mean power of x[from, to).
double power(const std::vector<float>& x, std::size_t from, std::size_t to);
double toDb(double powerRatio);

} // namespace mirelow::synth
