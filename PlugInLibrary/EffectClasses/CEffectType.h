// An effect type: one channel layout of the plug-in, with its IDs, names, stem formats, gestalts
// and the creator of its process objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../PlugInProtocol.h"

class CEffectProcess;

using ProcessCreatorProc = CEffectProcess* (*)();

class CEffectType {
  public:
    CEffectType(PIFourCC typeID, PIFourCC productID, int32_t kind);
    virtual ~CEffectType() = default;
    CEffectType(const CEffectType&) = delete;
    CEffectType& operator=(const CEffectType&) = delete;

    // Long, medium and short names separated by line breaks.
    void DefineTypeNames(const char* names) { mNames = names ? names : ""; }
    // Also declares gestalt selector 29 (the type has stem formats).
    void DefineStemFormats(int32_t inFormat, int32_t outFormat);
    void DefineAttributes(int32_t attributes) { mAttributes = attributes; }
    void AddGestalt(int32_t selector);
    void AttachEffectProcessCreator(ProcessCreatorProc creator) { mCreator = creator; }
    void DefinePageTableName(const char* name) { mPageTableName = name ? name : ""; }

    PIFourCC GetTypeID() const { return mTypeID; }
    PIFourCC GetProductID() const { return mProductID; }
    int32_t GetInStemFormat() const { return mInStemFormat; }
    int32_t GetOutStemFormat() const { return mOutStemFormat; }
    bool HasGestalt(int32_t selector) const;
    void FillInfo(PITypeInfo& info) const;

    // A new process of this type, or null (no creator, or the creator failed).
    CEffectProcess* CreateProcess() const;

    static int32_t ChannelsOfStemFormat(int32_t stemFormat);

  private:
    PIFourCC mTypeID, mProductID;
    int32_t mKind;
    std::string mNames, mPageTableName;
    int32_t mInStemFormat = kPIStemFormat_Mono, mOutStemFormat = kPIStemFormat_Mono;
    int32_t mAttributes = 0;
    std::vector<int32_t> mGestalts;
    ProcessCreatorProc mCreator = nullptr;
};

// A real-time (RTAS) effect type.
class CEffectTypeRTAS : public CEffectType {
  public:
    CEffectTypeRTAS(PIFourCC typeID, PIFourCC productID)
        : CEffectType(typeID, productID, kPIType_RTAS) {}
};
