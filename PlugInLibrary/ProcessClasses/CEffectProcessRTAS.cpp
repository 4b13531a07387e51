// The real-time process.
#include "CEffectProcessRTAS.h"

PIErr CEffectProcessRTAS::Render(float** inputs, float** outputs, int32_t frames) {
    if (!mRenderReady)
        return kPIErr_NotInitialized;
    if (!inputs || !outputs || frames < 0)
        return kPIErr_BadArgument;
    for (int32_t ch = 0; ch < GetNumChannels(); ++ch)
        if (!inputs[ch] || !outputs[ch])
            return kPIErr_BadArgument;
    if (frames > 0)
        RenderAudio(inputs, outputs, frames);
    return kPINoErr;
}
