// What wendle's editor asks of its host: control values by tag as 32-bit control values (the
// path by which edits reach the host's automation), defaults, and the edit gestures. The Pro Tools
// process implements it (IWendleProcess); a VST host bridge can implement it the same way.
#pragma once

#include <cmath>
#include <cstdint>

class IWendleEditorHost {
  public:
    virtual ~IWendleEditorHost() = default;
    // Every call comes on the GUI thread and answers 0 when it succeeded. Tags are the effect's
    // parameter indices, 2 … 13.
    virtual int32_t SetControlValueFromUI(int32_t controlIndex, int32_t value) = 0;
    virtual int32_t GetControlValueForUI(int32_t controlIndex, int32_t* value) = 0;
    virtual int32_t GetControlDefaultValue(int32_t controlIndex, int32_t* value) = 0;
    // Start and end of an edit gesture on a control.
    virtual int32_t TouchControl(int32_t controlIndex) = 0;
    virtual int32_t ReleaseControl(int32_t controlIndex) = 0;
    // One further notification about an edit; it need not do anything.
    virtual int32_t EditNotification(int32_t controlIndex) = 0;
};

// The effect's 0 … 1 (clamped; NaN counts as 0) as a 32-bit control value: −2^31 + (2^32 − 1)·f,
// rounded half up.
inline int32_t controlValueFromNormalised(float f) {
    const double x = f > 0.0f ? (f < 1.0f ? static_cast<double>(f) : 1.0) : 0.0;
    return static_cast<int32_t>(std::floor(x * 4294967295.0 - 2147483648.0 + 0.5));
}

// A 32-bit control value as 0 … 1: (value + 2^31) / (2^32 − 1).
inline float normalisedFromControlValue(int32_t value) {
    return static_cast<float>((static_cast<double>(value) + 2147483648.0) / 4294967295.0);
}
