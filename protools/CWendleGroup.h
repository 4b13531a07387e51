// CWendleGroup: what the wendle library declares to Pro Tools: names, maker, version, gestalt,
// the default view and the two real-time effect types (mono and stereo).
#pragma once

#include "PlugInLibrary/PlugInLibrary.h"

class CWendleGroup : public CEffectGroup {
  public:
    CWendleGroup();
    ~CWendleGroup() override = default;

    // The framework's set-up (the effect types), then the "NoUIView" registration.
    PIErr Initialize() override;

  protected:
    void CreateEffectTypes() override;
};

// The process creator of both effect types: a new CWendleProcessRTAS, or null when it cannot be
// built.
CEffectProcess* CreateWendleProcess();
