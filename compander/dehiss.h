// dehiss: the compander effect of tidemill, a per-bin spectral compander on the spectral engine.
#pragma once

#include "vst/spect.h"

class dehiss : public spect {
public:
    static constexpr VstInt32 kNumPrograms = 8;
    static constexpr VstInt32 kNumParams = 12;
    static constexpr VstInt32 kUniqueId = fourCharCode("+tdl");

    explicit dehiss(audioMasterCallback audioMaster);
    ~dehiss() override;

    bool getEffectName(char* name) override;    // "+tidemill"
    bool getVendorString(char* text) override;  // "Mirelow"
    bool getProductString(char* text) override; // "Mirelow Tidemill"
};
