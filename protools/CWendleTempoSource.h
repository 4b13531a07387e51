// The tempo source of a real-time wendle process: the framework's tempo interface, when there is
// one, asked once per render.
#pragma once

#include "PlugInLibrary/PlugInLibrary.h"

class CWendleTempoSource {
  public:
    CWendleTempoSource() = default;
    explicit CWendleTempoSource(const CTempoInterface& tempo) : mTempo(tempo) {}

    // The host tempo in beats per minute; kPIErr_TempoUnavailable without an interface or below
    // its level 2. Audio thread.
    PIErr GetTempo(double* beatsPerMinute) const { return mTempo.GetTempo(beatsPerMinute); }

  private:
    CTempoInterface mTempo;
};
