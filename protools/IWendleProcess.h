// What the process offers its custom user interface: control values by number (the path by
// which edits reach the host's automation), edit gestures, the module and the effect.
#pragma once

#include <cstdint>

class wendle;

class IWendleProcess {
  public:
    virtual ~IWendleProcess() = default;
    virtual int32_t SetControlValueFromUI(int32_t controlIndex, int32_t value) = 0;
    virtual int32_t GetControlValueForUI(int32_t controlIndex, int32_t* value) = 0;
    virtual int32_t GetControlDefaultValue(int32_t controlIndex, int32_t* value) = 0;
    virtual int32_t TouchControl(int32_t controlIndex) = 0;
    virtual int32_t ReleaseControl(int32_t controlIndex) = 0;
    virtual int32_t EditNotification(int32_t controlIndex) = 0;
    virtual void* GetModuleHandle() = 0;
    virtual wendle* GetEffect() = 0;
};
