// The VST build of the wendle effect: pins and the host's tempo.
#include "wendle/WendleVstEffect.h"

WendleVstEffect::WendleVstEffect(audioMasterCallback audioMaster)
    : wendle(audioMaster, kDefaultPrograms, kDefaultParams) {
    pinsDecideChannelMode = true;
}

void WendleVstEffect::takeHostTempo() {
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    if (time != nullptr && (time->flags & kVstTempoValid) != 0)
        setHostTempo(static_cast<float>(time->tempo));
}

void WendleVstEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (sampleFrames > 0)
        takeHostTempo();
    wendle::process(inputs, outputs, sampleFrames);
}

void WendleVstEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (sampleFrames > 0)
        takeHostTempo();
    wendle::processReplacing(inputs, outputs, sampleFrames);
}
