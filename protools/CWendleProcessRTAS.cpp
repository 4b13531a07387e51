// Rendering of the real-time wendle process.
#include "CWendleProcessRTAS.h"

void CWendleProcessRTAS::EffectInit() {
    CWendleProcess::EffectInit();
    if (HasTempoInterface())
        mTempoSource = CWendleTempoSource(GetTempoInterface());
    CEffectProcessRTAS::EffectInit();
}

void CWendleProcessRTAS::RenderAudio(float** inputs, float** outputs, int32_t frames) {
    // Below the tempo interface's level 2 nothing arrives and the effect keeps its last tempo.
    double tempo = 0.0;
    if (mTempoSource.GetTempo(&tempo) == kPINoErr)
        mEffect->setHostTempo(static_cast<float>(tempo));
    mEffect->setSampleRate(static_cast<float>(GetSampleRate()));
    mEffect->setBypass(IsBypassed());
    mEffect->processReplacing(inputs, outputs, frames);
    // The meters show what the instance plays: the peaks of the rendered output.
    RaisePeaks(outputs, frames);
}
