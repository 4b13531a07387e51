// tidemill's effect factory, called by the VST entry.
#include "dehiss.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new dehiss(audioMaster);
}
