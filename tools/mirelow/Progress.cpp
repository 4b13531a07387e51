// Terminal progress bar.
#include "Progress.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace mirelow {

ProgressBar::ProgressBar(std::string label, bool enabled)
    : label_(std::move(label)), active_(enabled && isatty(STDERR_FILENO)), start_(Clock::now()),
      last_(start_) {}

ProgressBar::~ProgressBar() {
    finish();
}

void ProgressBar::update(double fraction, const std::string& detail) {
    if (!active_)
        return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) ||
        (drawn_ && now - last_ < std::chrono::milliseconds(100)))
        return;
    last_ = now;
    fraction = std::clamp(fraction, 0.0, 1.0);
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(fraction * kWidth + 0.5);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double remaining = fraction > 0 ? elapsed * (1 - fraction) / fraction : 0;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '-');
    char left[32];
    std::snprintf(left, sizeof left, "%.0f s left", remaining);
    std::fprintf(stderr, "\r%s [%s] %3.0f%%  %s \x1b[K", label_.c_str(), bar.c_str(),
                 fraction * 100, detail.empty() ? left : detail.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::clear() {
    if (drawn_) {
        std::fprintf(stderr, "\r\x1b[K");
        std::fflush(stderr);
        drawn_ = false;
    }
}

void ProgressBar::finish() {
    clear();
    active_ = false;
}

} // namespace mirelow
