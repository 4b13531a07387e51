// The effect group.
#include "CEffectGroup.h"

#include "engine/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
CEffectGroup* gCurrentGroup = nullptr;
}

CEffectGroup::CEffectGroup() {
    gCurrentGroup = this;
}

CEffectGroup::~CEffectGroup() {
    if (gCurrentGroup == this)
        gCurrentGroup = nullptr;
}

CEffectGroup* CEffectGroup::Current() {
    return gCurrentGroup;
}

PIErr CEffectGroup::Initialize() {
    CreateEffectTypes();
    return kPINoErr;
}

const CEffectType* CEffectGroup::GetType(int32_t index) const {
    if (index < 0 || index >= GetNumTypes())
        return nullptr;
    return mTypes[static_cast<size_t>(index)].get();
}

bool CEffectGroup::HasGestalt(int32_t selector) const {
    return std::find(mGestalts.begin(), mGestalts.end(), selector) != mGestalts.end();
}

CPlugInView* CEffectGroup::CreateDefaultView() const {
    return mDefaultViewCreator ? mDefaultViewCreator() : nullptr;
}

void CEffectGroup::FillInfo(PIGroupInfo& info) const {
    std::memset(&info, 0, sizeof info);
    copyText(info.manufacturerNames, mManufacturerNames.c_str(), sizeof info.manufacturerNames);
    copyText(info.plugInNames, mPlugInNames.c_str(), sizeof info.plugInNames);
    info.manufacturerID = mManufacturerID;
    info.version = mVersion;
    info.numTypes = GetNumTypes();
    copyText(info.defaultView, mDefaultViewName.c_str(), sizeof info.defaultView);
}

void CEffectGroup::DefineManufacturerNamesAndID(const char* names, PIFourCC manufacturerID) {
    mManufacturerNames = names ? names : "";
    mManufacturerID = manufacturerID;
}

void CEffectGroup::DefinePlugInNamesAndVersion(const char* names, int32_t version) {
    mPlugInNames = names ? names : "";
    mVersion = version;
}

void CEffectGroup::AddGestalt(int32_t selector) {
    if (!HasGestalt(selector))
        mGestalts.push_back(selector);
}

void CEffectGroup::AddEffectType(CEffectType* type) {
    if (type)
        mTypes.emplace_back(type);
}

void CEffectGroup::RegisterDefaultView(const char* name, ViewCreatorProc creator) {
    mDefaultViewName = name ? name : "";
    mDefaultViewCreator = creator;
}
