// The real-time wendle process that both effect types create: every render hands the effect
// the host tempo, the sample rate and the master bypass, then runs processReplacing.
#pragma once

#include "CWendleProcess.h"
#include "CWendleTempoSource.h"

class CWendleProcessRTAS : public CWendleProcess, public CEffectProcessRTAS {
  public:
    CWendleProcessRTAS() = default;
    ~CWendleProcessRTAS() override = default;

    // The process's set-up, the tempo source when the framework has one, then the framework's
    // real-time set-up.
    void EffectInit() override;

  protected:
    // Audio thread: no allocation, no lock.
    void RenderAudio(float** inputs, float** outputs, int32_t frames) override;

  private:
    CWendleTempoSource mTempoSource;
};
