// The real-time process: the host's render call becomes RenderAudio with one float buffer per
// channel of the stem format.
#pragma once

#include "CEffectProcess.h"

class CEffectProcessRTAS : virtual public CEffectProcess {
  public:
    CEffectProcessRTAS() = default;
    ~CEffectProcessRTAS() override = default;

    // The framework's own real-time set-up; a plug-in calls it from its EffectInit.
    void EffectInit() override { mRenderReady = true; }

    PIErr Render(float** inputs, float** outputs, int32_t frames) override;

  protected:
    // One block; inputs and outputs hold GetNumChannels() buffers of frames samples. Audio thread.
    virtual void RenderAudio(float** inputs, float** outputs, int32_t frames) = 0;

  private:
    bool mRenderReady = false;
};
