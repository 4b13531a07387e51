// Pro Tools controls: a control has a four-character ID, a long and a short name and a 32-bit
// value (see ControlValue.h). The four kinds map that value onto their own units.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "../PlugInProtocol.h"

class CPluginControl {
  public:
    CPluginControl(PIFourCC id, const char* names, int32_t kind, bool automatable);
    virtual ~CPluginControl() = default;
    CPluginControl(const CPluginControl&) = delete;
    CPluginControl& operator=(const CPluginControl&) = delete;

    PIFourCC GetID() const { return mID; }
    const std::string& GetNames() const { return mNames; }
    int32_t GetKind() const { return mKind; }
    bool IsAutomatable() const { return mAutomatable; }

    // Current value; any thread.
    int32_t GetValue() const { return mValue.load(std::memory_order_relaxed); }
    // Stores the value after ConstrainValue; any thread.
    void SetValue(int32_t value) { mValue.store(ConstrainValue(value), std::memory_order_relaxed); }
    int32_t GetDefaultValue() const { return mDefaultValue; }
    // The default as declared, in the control's units.
    virtual double GetDefaultUnits() const { return ControlValueToUnits(mDefaultValue); }

    // Units of the control (dB, steps, 0/1 for on/off).
    virtual double GetMinimum() const = 0;
    virtual double GetMaximum() const = 0;
    virtual double GetStep() const = 0;
    virtual int32_t GetNumSteps() const { return 0; } // 0: continuous
    virtual double ControlValueToUnits(int32_t value) const = 0;
    virtual int32_t UnitsToControlValue(double units) const = 0;
    // What a value would show, in the control's units ("0.50", "-6.0 dB", "on", "3").
    virtual std::string GetValueString(int32_t value) const = 0;
    // Snaps a value onto the control's grid (discrete kinds); continuous kinds keep it.
    virtual int32_t ConstrainValue(int32_t value) const { return value; }

    void FillInfo(PIControlInfo& info) const;

  protected:
    void SetDefaultValue(int32_t value) {
        mDefaultValue = ConstrainValue(value);
        mValue.store(mDefaultValue, std::memory_order_relaxed);
    }

  private:
    PIFourCC mID;
    std::string mNames;
    int32_t mKind;
    bool mAutomatable;
    int32_t mDefaultValue = 0;
    std::atomic<int32_t> mValue{0};
};

class CPluginControl_OnOff : public CPluginControl {
  public:
    CPluginControl_OnOff(PIFourCC id, const char* names, bool defaultOn, bool automatable = true);
    bool GetOnOff() const;
    double GetMinimum() const override { return 0.0; }
    double GetMaximum() const override { return 1.0; }
    double GetStep() const override { return 1.0; }
    int32_t GetNumSteps() const override { return 2; }
    double ControlValueToUnits(int32_t value) const override;
    int32_t UnitsToControlValue(double units) const override;
    std::string GetValueString(int32_t value) const override;
    int32_t ConstrainValue(int32_t value) const override;
};

class CPluginControl_Linear : public CPluginControl {
  public:
    CPluginControl_Linear(PIFourCC id, const char* names, double minimum, double maximum,
                          double step, double defaultValue, bool automatable = true);
    double GetMinimum() const override { return mMinimum; }
    double GetMaximum() const override { return mMaximum; }
    double GetStep() const override { return mStep; }
    double ControlValueToUnits(int32_t value) const override;
    int32_t UnitsToControlValue(double units) const override;
    std::string GetValueString(int32_t value) const override;
    double GetDefaultUnits() const override { return mDefaultUnits; }

  protected:
    CPluginControl_Linear(PIFourCC id, const char* names, int32_t kind, double minimum,
                          double maximum, double step, double defaultValue, bool automatable);
    int Decimals() const; // from the step: 0.01 shows two decimals

  private:
    double mMinimum, mMaximum, mStep, mDefaultUnits;
};

// A linear control in dB.
class CPluginControl_LinearGain : public CPluginControl_Linear {
  public:
    CPluginControl_LinearGain(PIFourCC id, const char* names, double minimumDB, double maximumDB,
                              double stepDB, double defaultDB, bool automatable = true);
    std::string GetValueString(int32_t value) const override;
};

// Whole numbers minimum ... maximum, one step apart.
class CPluginControl_Discrete : public CPluginControl {
  public:
    CPluginControl_Discrete(PIFourCC id, const char* names, int32_t minimum, int32_t maximum,
                            int32_t defaultValue, bool automatable = true);
    double GetMinimum() const override { return mMinimum; }
    double GetMaximum() const override { return mMaximum; }
    double GetStep() const override { return 1.0; }
    int32_t GetNumSteps() const override { return mMaximum - mMinimum + 1; }
    double ControlValueToUnits(int32_t value) const override;
    int32_t UnitsToControlValue(double units) const override;
    std::string GetValueString(int32_t value) const override;
    int32_t ConstrainValue(int32_t value) const override;

  private:
    int32_t mMinimum, mMaximum;
};
