// Scoped flush-to-zero and denormals-are-zero: set for a process call, the host's floating-point
// control state restored on return, so decaying tails never run into denormal slowdowns.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>

class DenormalGuard {
  public:
    DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(saved); }

    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

    static constexpr unsigned kFlushToZero = 1u << 15;
    static constexpr unsigned kDenormalsAreZero = 1u << 6;

  private:
    unsigned saved;
};
#else
class DenormalGuard {
  public:
    DenormalGuard() = default;
};
#endif
