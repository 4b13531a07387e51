// A progress bar on stderr for long renders: shown only when stderr is a terminal and the work
// has taken more than a second, redrawn at most ten times a second, erased when done.
#pragma once

#include <chrono>
#include <string>

namespace mirelow {

class ProgressBar {
  public:
    // `enabled` false (--quiet) shows nothing; a stderr that is not a terminal shows nothing.
    ProgressBar(std::string label, bool enabled);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // 0 … 1; `detail` replaces the time left after the percentage when given.
    void update(double fraction, const std::string& detail = {});
    // Erases the bar so that a message can be printed; the next update draws it again.
    void clear();
    void finish(); // erases the bar if one was drawn; no more updates

  private:
    using Clock = std::chrono::steady_clock;
    std::string label_;
    bool active_;
    bool drawn_ = false;
    Clock::time_point start_, last_;
};

} // namespace mirelow
