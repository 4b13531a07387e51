// The wendle process: controls, curve chunks, meters and the loopback host callback.
#include "CWendleProcess.h"

#include "engine/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "CWendleCustomUI.h"
#include "PlugInLibrary/EffectClasses/CWendleView.h"
#include "WendleControls.h"
#include "WendleModule.h"
#include "gui/CVSTEditor.h"

using namespace wendlept;

static_assert(wendlept::kCurveFloats == spectral::kBins, "a curve chunk holds one float per bin");

namespace {

// The effect's host requests come back to its own dispatcher, where opcodes of the same number
// mean something else. Only two are harmless there and are passed on: audioMasterAutomate meets
// effOpen (does nothing) and audioMasterIdle meets effGetProgram (a read). Every other request
// would land on an effect opcode of a different meaning (audioMasterVersion on effClose,
// audioMasterCurrentId on effSetProgram, which would switch to program 0,
// audioMasterPinConnected on effSetProgramName, audioMasterGetTime on effGetParamDisplay with a
// null text, audioMasterBeginEdit on effSetBlockSizeAndSampleRate, which would zero the sample
// rate), so it is answered 0 here: "connected", "no time info", "not handled".
constexpr std::array<VstInt32, 2> kLoopedBackOpcodes{audioMasterAutomate, audioMasterIdle};

} // namespace

VstIntPtr CWendleProcess::LoopbackCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt) {
    if (!effect || !effect->dispatcher)
        return 0;
    if (std::find(kLoopedBackOpcodes.begin(), kLoopedBackOpcodes.end(), opcode) ==
        kLoopedBackOpcodes.end())
        return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

CWendleProcess::CWendleProcess() : mEffect(std::make_unique<wendle>(&LoopbackCallback, 16, 14)) {
    // The binding, not the host's pins, decides how many channels run.
    mEffect->pinsDecideChannelMode = false;
    for (const auto& chunk : kCurveChunks)
        AddChunk(chunk.id, chunk.name, kCurveDataBytes);
}

CWendleProcess::~CWendleProcess() {
    // The custom user interface goes first (it closes and deletes the editor), then the effect.
    if (auto* view = dynamic_cast<CWendleView*>(GetPlugInView()))
        view->SetCustomUI(nullptr);
    delete mCustomUI;
    mCustomUI = nullptr;
}

void CWendleProcess::EffectInit() {
    mEffect->channelMode = GetNumChannels() == 2 ? 1 : 0;
    mEffect->setSampleRate(static_cast<float>(GetSampleRate()));
    AddControls();
}

void CWendleProcess::AddControls() {
    for (const auto& def : kControls) {
        CPluginControl* control = nullptr;
        switch (def.kind) {
        case ControlKind::OnOff:
            control = new CPluginControl_OnOff(def.id, def.names, def.defaultValue >= 0.5);
            break;
        case ControlKind::Linear:
            control = new CPluginControl_Linear(def.id, def.names, def.minimum, def.maximum,
                                                def.step, def.defaultValue);
            break;
        case ControlKind::LinearGain:
            control = new CPluginControl_LinearGain(def.id, def.names, def.minimum, def.maximum,
                                                    def.step, def.defaultValue);
            break;
        case ControlKind::Discrete:
            control = new CPluginControl_Discrete(
                def.id, def.names, static_cast<int32_t>(def.minimum),
                static_cast<int32_t>(def.maximum), static_cast<int32_t>(def.defaultValue));
            break;
        }
        const int32_t index = AddControl(control);
        if (index == kMasterBypassControl)
            DefineMasterBypassControlIndex(index);
    }
}

void CWendleProcess::UpdateControlValueInAlgorithm(int32_t controlIndex) {
    if (controlIndex < kFirstParameterControl || controlIndex > kLastParameterControl)
        return;
    const CPluginControl* control = GetControl(controlIndex);
    if (!control)
        return;
    const float p = static_cast<float>(pil::ControlValueToContinuous(control->GetValue()));
    mEffect->setParameter(controlIndex, p);
}

PIErr CWendleProcess::GetChunkSize(PIFourCC chunkID, int32_t* size) {
    if (!FindCurveChunk(chunkID))
        return CEffectProcessMIDI::GetChunkSize(chunkID, size);
    *size = kCurveChunkSize;
    return kPINoErr;
}

PIErr CWendleProcess::GetChunk(PIFourCC chunkID, PIChunkHeader* chunk) {
    const CurveChunkDef* curve = FindCurveChunk(chunkID);
    if (!curve)
        return CEffectProcessMIDI::GetChunk(chunkID, chunk);
    chunk->size = kCurveChunkSize;
    if (!mEffect->getCurveBigEndian(curve->curve, pil::ChunkData(chunk), kCurveDataBytes))
        return kPIErr_BadChunk;
    return kPINoErr;
}

PIErr CWendleProcess::SetChunk(PIFourCC chunkID, PIChunkHeader* chunk) {
    const CurveChunkDef* curve = FindCurveChunk(chunkID);
    if (!curve)
        return CEffectProcessMIDI::SetChunk(chunkID, chunk);
    if (chunk->size != kCurveChunkSize)
        return kPIErr_BadChunk;
    if (!mEffect->setCurveBigEndian(curve->curve, pil::ChunkData(chunk), kCurveDataBytes))
        return kPIErr_BadChunk;
    return kPINoErr;
}

PIErr CWendleProcess::GetMetersFromDSP(int32_t* meters, int32_t* clips) {
    const int channels = std::min(GetNumChannels(), static_cast<int32_t>(kMaxMeterChannels));
    for (int ch = 0; ch < channels; ++ch) {
        const float v = std::max(mPeak[ch].load(std::memory_order_relaxed), mHeld[ch]);
        mHeld[ch] = 0.7f * v;
        if (std::fabs(v) > 1.0f) {
            clips[ch] = 1;
            mClipIndicator.store(true, std::memory_order_relaxed);
            meters[ch] = -1;
        } else {
            clips[ch] = 0;
            // Full scale (1.0) would be 2^31, one past the largest value.
            const double scaled = static_cast<double>(v) * 2147483648.0;
            meters[ch] = static_cast<int32_t>(std::min(scaled, 2147483647.0));
        }
        mPeak[ch].store(0.0f, std::memory_order_relaxed);
    }
    return kPINoErr;
}

void CWendleProcess::RaisePeaks(float** outputs, int32_t frames) {
    const int channels = std::min(GetNumChannels(), static_cast<int32_t>(kMaxMeterChannels));
    for (int ch = 0; ch < channels; ++ch) {
        float peak = mPeak[ch].load(std::memory_order_relaxed);
        const float* out = outputs[ch];
        for (int32_t i = 0; i < frames; ++i)
            peak = std::max(peak, std::fabs(out[i]));
        mPeak[ch].store(peak, std::memory_order_relaxed);
    }
}

PIErr CWendleProcess::GetDelaySamplesLong(int32_t* samples) {
    *samples = kLatencySamples;
    return kPINoErr;
}

PIErr CWendleProcess::GetAlgorithmText(int32_t controlIndex, char* text, int32_t size) {
    if (controlIndex < kFirstParameterControl || controlIndex > kLastParameterControl) {
        if (controlIndex == kMasterBypassControl) {
            copyText(text, IsBypassed() ? "on" : "off", static_cast<size_t>(size));
            return kPINoErr;
        }
        return kPIErr_BadIndex;
    }
    char display[64] = {};
    char label[64] = {};
    mEffect->getParameterDisplay(controlIndex, display);
    mEffect->getParameterLabel(controlIndex, label);
    const char* separator = label[0] && label[0] != ' ' ? " " : "";
    std::snprintf(text, static_cast<size_t>(size), "%s%s%s", display, separator, label);
    return kPINoErr;
}

PIErr CWendleProcess::GetAlgorithmValue(int32_t controlIndex, float* value) {
    if (controlIndex == kMasterBypassControl) {
        *value = IsBypassed() ? 1.0f : 0.0f;
        return kPINoErr;
    }
    if (controlIndex < kFirstParameterControl || controlIndex > kLastParameterControl)
        return kPIErr_BadIndex;
    *value = mEffect->getParameter(controlIndex);
    return kPINoErr;
}

PIErr CWendleProcess::GetViewPort(PIViewInfo& view) {
    if (!mCustomUI) {
        try {
            auto ui = std::make_unique<CWendleCustomUI>(static_cast<IWendleProcess*>(this));
            PIViewRect rect{};
            ui->GetRect(&rect.left, &rect.top, &rect.right, &rect.bottom);
            auto custom = std::make_unique<CWendleView>(rect);
            custom->SetCustomUI(ui.get());
            SetPlugInView(std::move(custom));
            mCustomUI = ui.release();
        } catch (const std::exception&) {
            // No editor: the host shows the plug-in without a view of its own.
            return CEffectProcessMIDI::GetViewPort(view);
        }
    }
    std::memset(&view, 0, sizeof view);
    std::snprintf(view.name, sizeof view.name, "%s", kCustomViewName);
    view.view = GetPlugInView();
    return kPINoErr;
}

PIErr CWendleProcess::OpenView(uint64_t parentWindow) {
    try {
        return CEffectProcessMIDI::OpenView(parentWindow);
    } catch (const CWendleUIError&) {
        return kPIErr_ViewFailed;
    }
}

PIErr CWendleProcess::OpenViewOffscreen() {
    if (!mCustomUI)
        return kPIErr_NoView;
    mCustomUI->OpenOffscreen();
    return kPINoErr;
}

PIErr CWendleProcess::GetViewPicture(PIViewPicture& picture) {
    CFrame* frame = mCustomUI ? mCustomUI->GetEditor()->getFrame() : nullptr;
    if (!frame)
        return kPIErr_ViewFailed;
    const int32_t w = frame->getViewSize().width(), h = frame->getViewSize().height();
    if (picture.width < w || picture.height < h || picture.stride < 4 * picture.width)
        return kPIErr_BadArgument;
    for (int32_t y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(picture.pixels) +
                                                static_cast<size_t>(y) * picture.stride);
        for (int32_t x = 0; x < w; ++x)
            row[x] = frame->getPixel(x, y);
    }
    picture.width = w;
    picture.height = h;
    return kPINoErr;
}

int32_t CWendleProcess::SetControlValueFromUI(int32_t controlIndex, int32_t value) {
    return SetControlValueFromView(controlIndex, value);
}

int32_t CWendleProcess::GetControlValueForUI(int32_t controlIndex, int32_t* value) {
    return GetControlValue(controlIndex, value);
}

int32_t CWendleProcess::GetControlDefaultValue(int32_t controlIndex, int32_t* value) {
    const CPluginControl* control = GetControl(controlIndex);
    if (!control || !value)
        return kPIErr_BadIndex;
    *value = control->GetDefaultValue();
    return kPINoErr;
}

int32_t CWendleProcess::TouchControl(int32_t controlIndex) {
    return TouchControlFromView(controlIndex);
}

int32_t CWendleProcess::ReleaseControl(int32_t controlIndex) {
    return ReleaseControlFromView(controlIndex);
}

int32_t CWendleProcess::EditNotification(int32_t controlIndex) {
    return EditNotificationFromView(controlIndex);
}

void* CWendleProcess::GetModuleHandle() {
    return ModuleHandle();
}
