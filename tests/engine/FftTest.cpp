// The FFT wrapper against a direct DFT, in halfcomplex order.
#include "engine/Fft.h"
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace enginetest;

TEST(Fft, ForwardMatchesDirectTransformInHalfcomplexOrder) {
    for (int n : {8, 64, 1024}) {
        SCOPED_TRACE(n);
        const Signal x = noise(static_cast<size_t>(n), 20);
        Signal y(static_cast<size_t>(n));
        FftPlan plan(n, FftDirection::RealToComplex);
        plan.execute(x.data(), y.data());
        for (int k = 0; k <= n / 2; ++k) {
            double re = 0, im = 0;
            for (int t = 0; t < n; ++t) {
                re += x[t] * std::cos(2 * M_PI * k * t / n);
                im -= x[t] * std::sin(2 * M_PI * k * t / n);
            }
            EXPECT_NEAR(y[k], re, 1e-3) << "re " << k;
            if (k > 0 && k < n / 2) {
                EXPECT_NEAR(y[n - k], im, 1e-3) << "im " << k;
            }
        }
    }
}

TEST(Fft, InverseOfForwardIsNTimesTheInput) {
    const int n = 1024;
    const Signal x = noise(n, 21);
    Signal spectrum(n), back(n);
    FftPlan fwd(n, FftDirection::RealToComplex), inv(n, FftDirection::ComplexToReal);
    fwd.execute(x.data(), spectrum.data());
    const Signal kept = spectrum;
    inv.execute(spectrum.data(), back.data());
    EXPECT_EQ(spectrum, kept); // the input spectrum survives
    for (int t = 0; t < n; ++t)
        ASSERT_NEAR(back[t], n * x[t], 1e-3) << t;
    // The copy taken in the same pass is the whole spectrum and leaves the result alone; odd
    // sizes exercise the element-wise tail.
    for (int size : {n, 12, 2}) {
        SCOPED_TRACE(size);
        FftPlan f(size, FftDirection::RealToComplex), i(size, FftDirection::ComplexToReal);
        const Signal s = noise(static_cast<size_t>(size), 22);
        Signal spec(s.size()), plain(s.size()), copied(s.size()), copy(s.size(), 9.f);
        f.execute(s.data(), spec.data());
        i.execute(spec.data(), plain.data());
        i.execute(spec.data(), copied.data(), copy.data());
        EXPECT_EQ(copy, spec);
        EXPECT_EQ(copied, plain);
    }
}
