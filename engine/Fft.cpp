// FFTW single-precision plans repacked to halfcomplex order.
#include "Fft.h"

#include <cstring>
#include <mutex>
#include <new>

namespace {
// FFTW's planner is not thread-safe: every plan is made and destroyed under this lock.
std::mutex& planMutex() {
    static std::mutex m;
    return m;
}
} // namespace

FftPlan::FftPlan(int size, FftDirection direction) : n(size), dir(direction) {
    std::lock_guard<std::mutex> lock(planMutex());
    real = static_cast<float*>(fftwf_malloc(sizeof(float) * static_cast<size_t>(n)));
    bins = static_cast<fftwf_complex*>(
        fftwf_malloc(sizeof(fftwf_complex) * static_cast<size_t>(n / 2 + 1)));
    if (real && bins) {
        plan = dir == FftDirection::RealToComplex
                   ? fftwf_plan_dft_r2c_1d(n, real, bins, FFTW_ESTIMATE)
                   : fftwf_plan_dft_c2r_1d(n, bins, real, FFTW_ESTIMATE);
    }
    if (!plan) {
        fftwf_free(real);
        fftwf_free(bins);
        throw std::bad_alloc();
    }
}

FftPlan::~FftPlan() {
    std::lock_guard<std::mutex> lock(planMutex());
    fftwf_destroy_plan(plan);
    fftwf_free(real);
    fftwf_free(bins);
}

void FftPlan::execute(const float* in, float* out) {
    const int half = n / 2;
    if (dir == FftDirection::RealToComplex) {
        std::memcpy(real, in, sizeof(float) * static_cast<size_t>(n));
        fftwf_execute(plan);
        out[0] = bins[0][0];
        for (int k = 1; k < half; ++k) {
            out[k] = bins[k][0];
            out[n - k] = bins[k][1];
        }
        out[half] = bins[half][0];
    } else {
        bins[0][0] = in[0];
        bins[0][1] = 0.f;
        for (int k = 1; k < half; ++k) {
            bins[k][0] = in[k];
            bins[k][1] = in[n - k];
        }
        bins[half][0] = in[half];
        bins[half][1] = 0.f;
        fftwf_execute(plan);
        std::memcpy(out, real, sizeof(float) * static_cast<size_t>(n));
    }
}
