// Deterministic test signals.
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mirelow::synth {

double Noise::uniform() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<double>((state_ * 0x2545F4914F6CDD1Dull) >> 11) * 0x1.0p-53;
}

double Noise::gaussian() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    double u = 0;
    while (u <= 1e-300)
        u = uniform();
    const double v = uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    spare_ = r * std::sin(2 * std::numbers::pi * v);
    haveSpare_ = true;
    return r * std::cos(2 * std::numbers::pi * v);
}

void addNote(std::vector<float>& out, double rate, const Note& note) {
    // A note that would start before 0 or last less than nothing is cut to what can be played.
    const auto start = static_cast<std::size_t>(std::max(0.0, note.startSeconds * rate));
    const auto length = static_cast<std::size_t>(std::max(0.0, note.lengthSeconds * rate));
    const double attack = 0.03 * rate, release = 0.08 * rate;
    double phase = 0;
    for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
        const double t = static_cast<double>(i);
        const double env = std::min({1.0, t / attack, (static_cast<double>(length) - t) / release});
        const double hz = note.hz * (1.0 + 0.003 * std::sin(2 * std::numbers::pi * 5.0 * t / rate));
        phase += 2 * std::numbers::pi * hz / rate;
        // sin(k·phase) by the recurrence s(k) = 2 cos(phase) s(k-1) - s(k-2).
        const double twoCos = 2 * std::cos(phase);
        double prev = 0, cur = std::sin(phase), v = 0;
        for (int k = 1; k <= note.harmonics && hz * k < rate * 0.45; ++k) {
            v += cur / k;
            const double next = twoCos * cur - prev;
            prev = cur;
            cur = next;
        }
        out[start + i] += static_cast<float>(note.amplitude * env * v);
    }
}

void addNoise(std::vector<float>& out, std::size_t from, std::size_t to, double rms, Noise& noise) {
    for (std::size_t i = from; i < std::min(to, out.size()); ++i)
        out[i] += static_cast<float>(rms * noise.gaussian());
}

void onePole(std::vector<float>& x, double rate, double cutoffHz, bool highPass) {
    const double a = std::exp(-2 * std::numbers::pi * cutoffHz / rate);
    double y = 0;
    for (auto& s : x) {
        y = (1 - a) * s + a * y;
        s = static_cast<float>(highPass ? s - y : y);
    }
}

double power(const std::vector<float>& x, std::size_t from, std::size_t to) {
    to = std::min(to, x.size());
    if (to <= from)
        return 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return sum / static_cast<double>(to - from);
}

double toDb(double powerRatio) {
    return 10.0 * std::log10(std::max(powerRatio, 1e-30));
}

} // namespace mirelow::synth
