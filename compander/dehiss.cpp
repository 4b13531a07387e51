// The compander effect.
#include "dehiss.h"

#include "vst/VstStrings.h"

dehiss::dehiss(audioMasterCallback audioMaster) : spect(audioMaster, kNumPrograms, kNumParams) {
    setUniqueID(kUniqueId);
    programsAreChunks();
    readyLevel += 1; // fully built: processing may start
}

dehiss::~dehiss() { readyLevel = 0; }

bool dehiss::getEffectName(char* name) {
    vst::copyString(name, "+tidemill", kVstMaxEffectNameLen);
    return true;
}

bool dehiss::getVendorString(char* text) {
    vst::copyString(text, "Mirelow", kVstMaxVendorStrLen);
    return true;
}

bool dehiss::getProductString(char* text) {
    vst::copyString(text, "Mirelow Tidemill", kVstMaxProductStrLen);
    return true;
}
