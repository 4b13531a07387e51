// The effect factory of build/wendle-vst.so, called by the VST entry.
#include "wendle/WendleVstEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new WendleVstEffect(audioMaster);
}
