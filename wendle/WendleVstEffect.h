// The wendle effect as a VST 2.4 plug-in (build/wendle-vst.so): what a VST host gives the effect
// that the Pro Tools binding otherwise hands it, the channel layout and the tempo.
#pragma once

#include "wendle/wendle.h"

class WendleVstEffect : public wendle {
  public:
    // 16 programs, 14 parameters. The host's pins decide the channel layout on every process
    // call, as for any effect on `spect`: both inputs connected is stereo, one input with two
    // outputs connected is mono sent to both, else mono. Throws std::bad_alloc.
    explicit WendleVstEffect(audioMasterCallback audioMaster);

    // Each non-empty block first takes the host's tempo (audioMasterGetTime) for the LFO's
    // tempo lock; without a valid tempo the last one stays. Audio thread.
    void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

  private:
    void takeHostTempo();
};
