// The plug-in's entry point, exported as VSTPluginMain and as main (older hosts look for main).
// Each plug-in defines createEffectInstance. On Windows the module-definition file (exports.def)
// exports both names for VSTPluginMain.
#include "AudioEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

namespace {
AEffect* entry(audioMasterCallback audioMaster) {
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.f) == 0)
        return nullptr;
    try {
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}
} // namespace

#ifdef _WIN32
extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return entry(audioMaster);
}
#else
extern "C" {
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    return entry(audioMaster);
}

// "main" cannot be declared as a C++ function of this type; the assembler name gives the symbol.
__attribute__((visibility("default"))) AEffect*
vstPluginMainAlias(audioMasterCallback audioMaster) __asm__("main");
AEffect* vstPluginMainAlias(audioMasterCallback audioMaster) {
    return entry(audioMaster);
}
}
#endif
