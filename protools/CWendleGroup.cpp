// The wendle effect group as data: its declarations and its two effect types.
#include "CWendleGroup.h"

#include <array>
#include <new>

#include "CWendleProcessRTAS.h"

namespace {

constexpr const char* kManufacturerNames = "Mirelow\n";
constexpr PIFourCC kManufacturerID = fourCharCode("MRLW");
constexpr const char* kPlugInNames = "Mirelow +wendle\n+wendle\n+wdl";
constexpr int32_t kVersion = 1;
constexpr int32_t kGestaltIsCacheable = 14;
constexpr const char* kDefaultViewName = "NoUIView";
constexpr int32_t kTypeAttributes = 6;
constexpr std::array<int32_t, 3> kTypeGestalts{8, 48, 30};
constexpr const char* kPageTableName = "WendlePageTables";

struct EffectTypeDef {
    PIFourCC typeID;
    PIFourCC productID;
    int32_t inStemFormat, outStemFormat;
};

constexpr std::array<EffectTypeDef, 2> kTypes{{
    {fourCharCode("+wd1"), fourCharCode("+wdl"), kPIStemFormat_Mono, kPIStemFormat_Mono},
    {fourCharCode("+wd2"), fourCharCode("+wdl"), kPIStemFormat_Stereo, kPIStemFormat_Stereo},
}};

} // namespace

CEffectProcess* CreateWendleProcess() {
    try {
        return new CWendleProcessRTAS;
    } catch (...) {
        return nullptr;
    }
}

CWendleGroup::CWendleGroup() {
    DefineManufacturerNamesAndID(kManufacturerNames, kManufacturerID);
    DefinePlugInNamesAndVersion(kPlugInNames, kVersion);
    AddGestalt(kGestaltIsCacheable);
}

PIErr CWendleGroup::Initialize() {
    const PIErr err = CEffectGroup::Initialize();
    RegisterDefaultView(kDefaultViewName, &CNoResourceView::Create);
    return err;
}

void CWendleGroup::CreateEffectTypes() {
    for (const auto& def : kTypes) {
        auto* type = new CEffectTypeRTAS(def.typeID, def.productID);
        type->DefineTypeNames(kPlugInNames);
        type->DefineStemFormats(def.inStemFormat, def.outStemFormat);
        type->DefineAttributes(kTypeAttributes);
        for (int32_t selector : kTypeGestalts)
            type->AddGestalt(selector);
        type->AttachEffectProcessCreator(&CreateWendleProcess);
        type->DefinePageTableName(kPageTableName);
        AddEffectType(type);
    }
}
