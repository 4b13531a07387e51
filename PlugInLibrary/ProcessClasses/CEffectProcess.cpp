// The process base.
#include "CEffectProcess.h"

#include "engine/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../Controls/ControlValue.h"
#include "../EffectClasses/CEffectGroup.h"
#include "../EffectClasses/CEffectType.h"
#include "../EffectClasses/ChunkRecord.h"

using namespace pil;

CEffectProcess::CEffectProcess() {
    mChunks.push_back({kControlsChunkID, kControlsChunkName, 0});
}

CEffectProcess::~CEffectProcess() = default;

PIErr CEffectProcess::Initialize(int32_t stemFormat, double sampleRate,
                                 const PITempoInterface* tempo) {
    if (mInitialized)
        return kPINoErr;
    if (mType && stemFormat != mType->GetInStemFormat())
        return kPIErr_BadStemFormat;
    const int32_t channels = CEffectType::ChannelsOfStemFormat(stemFormat);
    if (channels == 0)
        return kPIErr_BadStemFormat;
    if (!(sampleRate >= 1000.0 && sampleRate <= 1536000.0))
        return kPIErr_BadArgument;
    mStemFormat = stemFormat;
    mNumChannels = channels;
    mSampleRate = static_cast<int32_t>(std::lround(sampleRate));
    mTempo = CTempoInterface(tempo);
    EffectInit();
    mChangedForView = std::make_unique<std::atomic<bool>[]>(mControls.size() + 1);
    mInitialized = true;
    // The algorithm starts from what the controls show: the effect's own start-up state may
    // differ from the controls' defaults, and a saved controls chunk restores the controls, so
    // without this a new instance would sound otherwise than its controls say, and otherwise
    // again once its session is saved and reopened.
    for (int32_t index = 1; index <= GetNumControls(); ++index)
        UpdateControlValueInAlgorithm(index);
    // The controls chunk grows with the controls that the set-up added.
    mChunks[0].size = ControlsChunkSize(mControls.size()) - kChunkHeaderSize;
    size_t largest = 0;
    for (const auto& chunk : mChunks)
        largest = std::max(largest, static_cast<size_t>(chunk.size + kChunkHeaderSize));
    mChunkScratch.assign(largest, 0);
    return kPINoErr;
}

CPluginControl* CEffectProcess::GetControl(int32_t index) const {
    if (index < 1 || index > GetNumControls())
        return nullptr;
    return mControls[static_cast<size_t>(index - 1)].get();
}

PIErr CEffectProcess::SetControlValue(int32_t index, int32_t value) {
    CPluginControl* control = GetControl(index);
    if (!control)
        return kPIErr_BadIndex;
    std::lock_guard<std::mutex> guard(mStateMutex);
    control->SetValue(value);
    UpdateControlValueInAlgorithm(index);
    MarkChangedForView(index);
    return kPINoErr;
}

void CEffectProcess::MarkChangedForView(int32_t index) {
    if (mChangedForView && index >= 1 && index <= GetNumControls())
        mChangedForView[static_cast<size_t>(index)].store(true, std::memory_order_release);
}

void CEffectProcess::PushControlChangesToView() {
    if (!mView || !mChangedForView)
        return;
    for (int32_t index = 1; index <= GetNumControls(); ++index)
        if (mChangedForView[static_cast<size_t>(index)].exchange(false, std::memory_order_acq_rel))
            mView->SetControlValue(index, GetControl(index)->GetValue());
}

PIErr CEffectProcess::IdleView() {
    if (!mView)
        return kPIErr_NoView;
    PushControlChangesToView();
    return mView->Idle();
}

PIErr CEffectProcess::OpenView(uint64_t parentWindow) {
    if (!mView)
        return kPIErr_NoView;
    return mView->Open(parentWindow);
}

PIErr CEffectProcess::SetControlValueFromView(int32_t index, int32_t value) {
    if (!GetControl(index))
        return kPIErr_BadIndex;
    const PIAutomationInterface* automation = mAutomation.load(std::memory_order_acquire);
    const PIErr err =
        automation && automation->setControlValue
            ? automation->setControlValue(automation->context, AsInstance(), index, value)
            : SetControlValue(index, value);
    // The host may have set the control already; the view shows what it took at once.
    PushControlChangesToView();
    return err;
}

PIErr CEffectProcess::TouchControlFromView(int32_t index) {
    if (!GetControl(index))
        return kPIErr_BadIndex;
    const PIAutomationInterface* automation = mAutomation.load(std::memory_order_acquire);
    return automation && automation->touchControl
               ? automation->touchControl(automation->context, AsInstance(), index)
               : kPINoErr;
}

PIErr CEffectProcess::ReleaseControlFromView(int32_t index) {
    if (!GetControl(index))
        return kPIErr_BadIndex;
    const PIAutomationInterface* automation = mAutomation.load(std::memory_order_acquire);
    return automation && automation->releaseControl
               ? automation->releaseControl(automation->context, AsInstance(), index)
               : kPINoErr;
}

PIErr CEffectProcess::EditNotificationFromView(int32_t index) {
    if (!GetControl(index))
        return kPIErr_BadIndex;
    const PIAutomationInterface* automation = mAutomation.load(std::memory_order_acquire);
    return automation && automation->editNotification
               ? automation->editNotification(automation->context, AsInstance(), index)
               : kPINoErr;
}

PIErr CEffectProcess::GetControlValue(int32_t index, int32_t* value) const {
    const CPluginControl* control = GetControl(index);
    if (!control)
        return kPIErr_BadIndex;
    if (!value)
        return kPIErr_BadArgument;
    *value = control->GetValue();
    return kPINoErr;
}

bool CEffectProcess::IsBypassed() const {
    const CPluginControl* control = GetControl(mMasterBypassIndex);
    return control && pil::ControlValueToOnOff(control->GetValue());
}

int32_t CEffectProcess::AddControl(CPluginControl* control) {
    mControls.emplace_back(control);
    return GetNumControls();
}

void CEffectProcess::AddChunk(PIFourCC chunkID, const char* name, int32_t dataSize) {
    mChunks.push_back({chunkID, name ? name : "", dataSize});
}

const CEffectProcess::ChunkDeclaration* CEffectProcess::FindChunk(PIFourCC chunkID) const {
    for (const auto& chunk : mChunks)
        if (chunk.id == chunkID)
            return &chunk;
    return nullptr;
}

PIErr CEffectProcess::GetChunkInfo(int32_t index, PIChunkInfo& info) const {
    if (index < 0 || index >= GetNumChunks())
        return kPIErr_BadIndex;
    std::memset(&info, 0, sizeof info);
    const ChunkDeclaration& chunk = mChunks[static_cast<size_t>(index)];
    info.id = chunk.id;
    copyText(info.name, chunk.name.c_str(), sizeof info.name);
    return kPINoErr;
}

PIErr CEffectProcess::GetChunkSize(PIFourCC chunkID, int32_t* size) {
    if (chunkID != kControlsChunkID)
        return kPIErr_UnknownChunk;
    *size = ControlsChunkSize(mControls.size());
    return kPINoErr;
}

PIErr CEffectProcess::GetChunk(PIFourCC chunkID, PIChunkHeader* chunk) {
    if (chunkID != kControlsChunkID)
        return kPIErr_UnknownChunk;
    WriteControlsChunk(mControls, chunk);
    return kPINoErr;
}

PIErr CEffectProcess::SetChunk(PIFourCC chunkID, PIChunkHeader* chunk) {
    if (chunkID != kControlsChunkID)
        return kPIErr_UnknownChunk;
    return ReadControlsChunk(mControls, chunk, chunk->size, [this](int32_t index) {
        UpdateControlValueInAlgorithm(index);
        MarkChangedForView(index);
    });
}

PIErr CEffectProcess::GetChunkChecked(PIFourCC chunkID, PIChunkHeader* record, int32_t capacity) {
    if (!record)
        return kPIErr_BadArgument;
    const ChunkDeclaration* declared = FindChunk(chunkID);
    if (!declared)
        return kPIErr_UnknownChunk;
    int32_t size = 0;
    if (PIErr err = GetChunkSize(chunkID, &size))
        return err;
    if (capacity < size)
        return kPIErr_BadArgument;
    std::lock_guard<std::mutex> guard(mStateMutex);
    std::memset(record, 0, static_cast<size_t>(size));
    if (PIErr err = GetChunk(chunkID, record))
        return err;
    record->chunkID = chunkID;
    if (const CEffectGroup* group = CEffectGroup::Current())
        record->manufacturerID = group->GetManufacturerID();
    if (mType) {
        record->productID = mType->GetProductID();
        record->typeID = mType->GetTypeID();
    }
    copyText(record->name, declared->name.c_str(), sizeof record->name);
    return kPINoErr;
}

PIErr CEffectProcess::SetChunkChecked(PIFourCC chunkID, const PIChunkHeader* record,
                                      int32_t length) {
    if (!record || length < kChunkHeaderSize)
        return kPIErr_BadChunk;
    if (!FindChunk(chunkID))
        return kPIErr_UnknownChunk;
    // The scratch copy and the restore itself are one caller's at a time.
    std::lock_guard<std::mutex> guard(mStateMutex);
    const int32_t size = record->size;
    // Only the bytes the host holds are ever read, and the plug-in's own code sees a copy it
    // may convert in place.
    if (size < kChunkHeaderSize || size > length ||
        static_cast<size_t>(size) > mChunkScratch.size())
        return kPIErr_BadChunk;
    std::memcpy(mChunkScratch.data(), record, static_cast<size_t>(size));
    return SetChunk(chunkID, reinterpret_cast<PIChunkHeader*>(mChunkScratch.data()));
}

PIErr CEffectProcess::Render(float** inputs, float** outputs, int32_t frames) {
    (void)inputs, (void)outputs, (void)frames;
    return kPIErr_Unsupported;
}

PIErr CEffectProcess::GetMetersFromDSP(int32_t* meters, int32_t* clips) {
    for (int32_t ch = 0; ch < mNumChannels; ++ch)
        meters[ch] = clips[ch] = 0;
    return kPINoErr;
}

PIErr CEffectProcess::GetViewPort(PIViewInfo& view) {
    std::memset(&view, 0, sizeof view);
    if (const CEffectGroup* group = CEffectGroup::Current())
        copyText(view.name, group->GetDefaultViewName().c_str(), sizeof view.name);
    view.view = nullptr;
    return kPINoErr;
}

PIErr CEffectProcess::GetDelaySamplesLong(int32_t* samples) {
    *samples = GetDelaySamples();
    return kPINoErr;
}

PIErr CEffectProcess::GetAlgorithmText(int32_t controlIndex, char* text, int32_t size) {
    (void)controlIndex, (void)text, (void)size;
    return kPIErr_Unsupported;
}

PIErr CEffectProcess::GetAlgorithmValue(int32_t controlIndex, float* value) {
    (void)controlIndex, (void)value;
    return kPIErr_Unsupported;
}
