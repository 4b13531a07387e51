// Real 1024-point (any size) transforms on FFTW single precision, in halfcomplex order: element 0
// is DC, element k the real part of bin k (k = 1...N/2), element N-k the imaginary part of bin k
// (k = 1...N/2-1). Unnormalised in both directions.
#pragma once

#include <fftw3.h>

enum class FftDirection { RealToComplex, ComplexToReal };

// One transform plan with its own aligned work buffers. Plans are made and destroyed under one
// process-wide lock, so effects may be built on several threads at once; execute() takes no lock.
class FftPlan {
  public:
    FftPlan(int size, FftDirection direction); // throws std::bad_alloc when FFTW fails
    ~FftPlan();

    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;

    // RealToComplex: in = N samples, out = N halfcomplex values.
    // ComplexToReal: in = N halfcomplex values, out = N samples (N times the signal).
    // in is left unchanged; in and out may not overlap. inCopy (ComplexToReal only, may be
    // null) receives the N values of in, taken in the same pass that reads them.
    // Audio thread: no allocation, no lock.
    void execute(const float* in, float* out, float* inCopy = nullptr);

    int size() const { return n; }
    FftDirection direction() const { return dir; }

  private:
    int n;
    FftDirection dir;
    float* real = nullptr;
    fftwf_complex* bins = nullptr;
    fftwf_plan plan = nullptr;
};
