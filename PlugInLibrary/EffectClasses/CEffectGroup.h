// The effect group: what a plug-in library declares to the host (names, manufacturer, version,
// gestalts, default view) and the effect types it offers. One group per loaded library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../PlugInProtocol.h"
#include "CEffectType.h"
#include "CPlugInView.h"

class CEffectGroup {
  public:
    CEffectGroup();
    virtual ~CEffectGroup();
    CEffectGroup(const CEffectGroup&) = delete;
    CEffectGroup& operator=(const CEffectGroup&) = delete;

    // The framework's group set-up: builds the effect types (CreateEffectTypes).
    virtual PIErr Initialize();

    // The group the host talks to, or null while the plug-in is closed.
    static CEffectGroup* Current();

    const std::string& GetPlugInNames() const { return mPlugInNames; }
    const std::string& GetManufacturerNames() const { return mManufacturerNames; }
    PIFourCC GetManufacturerID() const { return mManufacturerID; }
    int32_t GetVersion() const { return mVersion; }
    int32_t GetNumTypes() const { return static_cast<int32_t>(mTypes.size()); }
    const CEffectType* GetType(int32_t index) const;
    bool HasGestalt(int32_t selector) const;
    const std::string& GetDefaultViewName() const { return mDefaultViewName; }
    // A new view of the registered default kind, or null.
    CPlugInView* CreateDefaultView() const;
    void FillInfo(PIGroupInfo& info) const;

  protected:
    virtual void CreateEffectTypes() = 0;

    void DefineManufacturerNamesAndID(const char* names, PIFourCC manufacturerID);
    void DefinePlugInNamesAndVersion(const char* names, int32_t version);
    void AddGestalt(int32_t selector);
    // The group takes ownership.
    void AddEffectType(CEffectType* type);
    void RegisterDefaultView(const char* name, ViewCreatorProc creator);

  private:
    std::string mManufacturerNames, mPlugInNames, mDefaultViewName;
    PIFourCC mManufacturerID = 0;
    int32_t mVersion = 0;
    std::vector<int32_t> mGestalts;
    std::vector<std::unique_ptr<CEffectType>> mTypes;
    ViewCreatorProc mDefaultViewCreator = nullptr;
};
