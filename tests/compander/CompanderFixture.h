// A dehiss driven frame by frame: tests write input spectra and call the per-frame hook.
#pragma once

#include "compander/dehiss.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace comptest {

inline constexpr int kN = 1024;
inline constexpr int kBins = 513;

// Raw parameter values for the effect's units.
inline float thresholdValue(float db) {
    return 1.0f + db / 120.0f;
}
inline float expansionValue(float ratio) {
    return 0.5f + (ratio - 1.0f) / 8.0f;
}
inline float compressionValue(float ratio) {
    return 0.5f - (ratio - 1.0f) / 8.0f;
}
inline float dbPower(float db) {
    return std::pow(10.0f, db * 0.1f);
}
inline float powerDb(float p) {
    return 10.0f * std::log10(p);
}

class CompanderTest : public ::testing::Test {
  protected:
    CompanderTest() : fx(std::make_unique<dehiss>(nullptr)) { fx->channelMode = 1; }

    // Fills channel c's input spectrum so that bin k has power power(k) (real part only).
    void setInput(int c, const std::function<float(int)>& power) {
        float* x = fx->inSpect[c];
        for (int i = 0; i < kN; ++i)
            x[i] = 0.0f;
        for (int k = 0; k < kBins; ++k)
            x[k] = std::sqrt(power(k));
    }
    void setFlat(int c, float db) {
        const float p = dbPower(db);
        setInput(c, [p](int) { return p; });
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i)
            fx->processSpect();
    }
    float outPowerDb(int c, int k) const {
        const float re = fx->outSpect[c][k];
        const float im = (k > 0 && k < 512) ? fx->outSpect[c][kN - k] : 0.0f;
        return powerDb(re * re + im * im);
    }
    // Instant attack and release: the gain sits on the law after a few frames.
    void instant() {
        fx->setParameter(kAttackParam, 0.0f);
        fx->setParameter(kReleaseParam, 0.0f);
    }

    static constexpr int kAttackParam = 1;
    static constexpr int kReleaseParam = 2;
    std::unique_ptr<dehiss> fx;
};

} // namespace comptest
