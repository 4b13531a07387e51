// A process that may take MIDI. The host here delivers none, so it adds nothing but its place in
// the class tree.
#pragma once

#include "CEffectProcess.h"

class CEffectProcessMIDI : virtual public CEffectProcess {
  public:
    CEffectProcessMIDI() = default;
    ~CEffectProcessMIDI() override = default;
};
