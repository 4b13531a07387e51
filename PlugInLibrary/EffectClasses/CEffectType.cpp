// Effect types.
#include "CEffectType.h"

#include "engine/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "../ProcessClasses/CEffectProcess.h"

namespace {
constexpr int32_t kStemFormatGestalt = 29;
}

CEffectType::CEffectType(PIFourCC typeID, PIFourCC productID, int32_t kind)
    : mTypeID(typeID), mProductID(productID), mKind(kind) {}

void CEffectType::DefineStemFormats(int32_t inFormat, int32_t outFormat) {
    mInStemFormat = inFormat;
    mOutStemFormat = outFormat;
    AddGestalt(kStemFormatGestalt);
}

void CEffectType::AddGestalt(int32_t selector) {
    if (!HasGestalt(selector))
        mGestalts.push_back(selector);
}

bool CEffectType::HasGestalt(int32_t selector) const {
    return std::find(mGestalts.begin(), mGestalts.end(), selector) != mGestalts.end();
}

int32_t CEffectType::ChannelsOfStemFormat(int32_t stemFormat) {
    switch (stemFormat) {
    case kPIStemFormat_Mono:
        return 1;
    case kPIStemFormat_Stereo:
        return 2;
    default:
        return 0;
    }
}

void CEffectType::FillInfo(PITypeInfo& info) const {
    std::memset(&info, 0, sizeof info);
    info.typeID = mTypeID;
    info.productID = mProductID;
    info.kind = mKind;
    info.inStemFormat = mInStemFormat;
    info.outStemFormat = mOutStemFormat;
    info.numInputs = ChannelsOfStemFormat(mInStemFormat);
    info.numOutputs = ChannelsOfStemFormat(mOutStemFormat);
    info.attributes = mAttributes;
    copyText(info.names, mNames.c_str(), sizeof info.names);
    copyText(info.pageTableName, mPageTableName.c_str(), sizeof info.pageTableName);
}

CEffectProcess* CEffectType::CreateProcess() const {
    if (!mCreator)
        return nullptr;
    CEffectProcess* process = mCreator();
    if (process)
        process->SetEffectType(this);
    return process;
}
