// FFTW single-precision plans repacked to halfcomplex order.
#include "Fft.h"
#include "Resident.h"

#include <cstring>
#include <mutex>
#include <new>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace {
// FFTW's planner is not thread-safe: every plan is made and destroyed under this lock. Where
// FFTW's threads library is linked, its planner is also told to lock for itself, which covers
// other users of FFTW in the same process.
std::mutex& planMutex() {
    static std::mutex m;
    // The FFT library keeps its planner (about 118 KB in some 1 350 blocks) for as long as it
    // is loaded: it stays loaded once a plan has been made.
    static const bool kept =
        (resident::keepLibraryOf(reinterpret_cast<const void*>(&fftwf_malloc)),
#if MIRELOW_FFTW_THREADSAFE_PLANNER
         resident::keepLibraryOf(reinterpret_cast<const void*>(&fftwf_make_planner_thread_safe)),
#endif
         true);
    (void)kept;
#if MIRELOW_FFTW_THREADSAFE_PLANNER
    static const bool safe = (fftwf_make_planner_thread_safe(), true);
    (void)safe;
#endif
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

void FftPlan::execute(const float* in, float* out, float* inCopy) {
    const int half = n / 2;
    // FFTW may run the plan on other arrays of the same alignment as the ones it was made for.
    if (dir == FftDirection::RealToComplex) {
        float* src = const_cast<float*>(in); // out-of-place r2c leaves its input alone
        if (fftwf_alignment_of(src) == fftwf_alignment_of(real)) {
            fftwf_execute_dft_r2c(plan, src, bins);
        } else {
            std::memcpy(real, in, sizeof(float) * static_cast<size_t>(n));
            fftwf_execute(plan);
        }
        const fftwf_complex* __restrict b = bins;
        float* __restrict re = out;
        float* __restrict im = out + n;
        re[0] = b[0][0];
        re[half] = b[half][0];
        int k = 1;
#if defined(__SSE__)
        // Four bins at a time: split the interleaved pairs, store the imaginary parts reversed.
        const float* pairs = reinterpret_cast<const float*>(b);
        for (; k + 4 <= half; k += 4) {
            const __m128 lo = _mm_loadu_ps(pairs + 2 * k);
            const __m128 hi = _mm_loadu_ps(pairs + 2 * k + 4);
            _mm_storeu_ps(re + k, _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
            const __m128 ims = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
            _mm_storeu_ps(im - k - 3, _mm_shuffle_ps(ims, ims, _MM_SHUFFLE(0, 1, 2, 3)));
        }
#endif
        for (; k < half; ++k) {
            re[k] = b[k][0];
            im[-k] = b[k][1];
        }
    } else {
        fftwf_complex* __restrict b = bins;
        const float* __restrict re = in;
        const float* __restrict im = in + n;
        b[0][0] = re[0];
        b[0][1] = 0.f;
        int k = 1;
        if (inCopy) {
            float* __restrict copyRe = inCopy;
            float* __restrict copyIm = inCopy + n;
            copyRe[0] = re[0];
#if defined(__SSE__)
            float* pairs = reinterpret_cast<float*>(b);
            for (; k + 4 <= half; k += 4) {
                const __m128 r = _mm_loadu_ps(re + k);
                const __m128 reversed = _mm_loadu_ps(im - k - 3);
                _mm_storeu_ps(copyRe + k, r);
                _mm_storeu_ps(copyIm - k - 3, reversed);
                const __m128 i = _mm_shuffle_ps(reversed, reversed, _MM_SHUFFLE(0, 1, 2, 3));
                _mm_storeu_ps(pairs + 2 * k, _mm_unpacklo_ps(r, i));
                _mm_storeu_ps(pairs + 2 * k + 4, _mm_unpackhi_ps(r, i));
            }
#endif
            for (; k < half; ++k) {
                copyRe[k] = re[k];
                copyIm[-k] = im[-k];
                b[k][0] = re[k];
                b[k][1] = im[-k];
            }
            copyRe[half] = re[half];
        } else {
#if defined(__SSE__)
            float* pairs = reinterpret_cast<float*>(b);
            for (; k + 4 <= half; k += 4) {
                const __m128 r = _mm_loadu_ps(re + k);
                const __m128 reversed = _mm_loadu_ps(im - k - 3);
                const __m128 i = _mm_shuffle_ps(reversed, reversed, _MM_SHUFFLE(0, 1, 2, 3));
                _mm_storeu_ps(pairs + 2 * k, _mm_unpacklo_ps(r, i));
                _mm_storeu_ps(pairs + 2 * k + 4, _mm_unpackhi_ps(r, i));
            }
#endif
            for (; k < half; ++k) {
                b[k][0] = re[k];
                b[k][1] = im[-k];
            }
        }
        b[half][0] = re[half];
        b[half][1] = 0.f;
        if (fftwf_alignment_of(out) == fftwf_alignment_of(real)) {
            fftwf_execute_dft_c2r(plan, bins, out);
        } else {
            fftwf_execute(plan); // c2r overwrites bins, which are ours
            std::memcpy(out, real, sizeof(float) * static_cast<size_t>(n));
        }
    }
}
