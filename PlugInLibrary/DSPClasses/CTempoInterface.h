// The host's tempo as the framework offers it to a real-time process. The host's interface has
// a level; below level 2 it delivers no tempo.
#pragma once

#include "../PlugInProtocol.h"

class CTempoInterface {
  public:
    static constexpr int32_t kTempoLevel = 2;

    explicit CTempoInterface(const PITempoInterface* host = nullptr) : mHost(host) {}

    bool IsAvailable() const { return mHost != nullptr && mHost->getTempo != nullptr; }
    int32_t GetLevel() const { return mHost ? mHost->level : 0; }

    // The current tempo in beats per minute; kPIErr_TempoUnavailable below level 2. Audio
    // thread.
    PIErr GetTempo(double* beatsPerMinute) const {
        if (!IsAvailable() || mHost->level < kTempoLevel || !beatsPerMinute)
            return kPIErr_TempoUnavailable;
        return mHost->getTempo(mHost->context, beatsPerMinute);
    }

  private:
    const PITempoInterface* mHost;
};
