// The wendle effect: parameters, programs, chunks and MIDI on the host side; LFO, learning, gain
// rebuild, glide and gain application in the frame hook.
#include "wendle/wendle.h"

#include "engine/ByteOrder.h"
#include "engine/Text.h"
#include "vst/BankTrailer.h"
#include "vst/VstStrings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace wendlefx;

namespace {

constexpr std::size_t kTextSize = 24; // room the effect assumes in a host's text buffer
constexpr int kLearnFrameLimit = 3000;

} // namespace

wendle::wendle(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : spect(audioMaster, numPrograms, numParams, 2, false),
      programTotal(std::max<VstInt32>(numPrograms, 1)),
      programs(std::make_unique<WendleProgram[]>(static_cast<std::size_t>(programTotal))),
      chunkScratch(std::make_unique<unsigned char[]>(
          static_cast<std::size_t>(programTotal) * kProgramBytes + vst::kBankTrailerBytes)) {
    pinsDecideChannelMode = false; // the binding sets channelMode
    for (VstInt32 p = 0; p < programTotal; ++p)
        makeFreshProgram(programs[p]);
    current = &programs[0];
    for (auto& r : raw)
        r.store(0.0f, std::memory_order_relaxed);
    for (int i = 0; i < kNumParams; ++i)
        if (kParams[i].type != nullptr)
            units_[i].store(kParams[i].type->toUnits(
                                kParams[i].slot >= 0 ? kFreshSlots[kParams[i].slot] : 0.0f),
                            std::memory_order_relaxed);

    learnSumLeft.fill(1.0f);
    learnSumRight.fill(1.0f);
    inputPowerLeft.fill(0.0f);
    inputPowerRight.fill(0.0f);
    targetGainLeft.fill(1.0f);
    targetGainRight.fill(1.0f);
    tiltCurve.fill(1.0f);
    appliedGainLeft.fill(1.0f);
    appliedGainRight.fill(1.0f);
    makeTiltOffsets(tiltOffsets.data());

    programsAreChunks(true);
    setUniqueID(kUniqueId);
    setProgram(0);
    readyLevel += 1;
}

wendle::~wendle() {
    readyLevel = 0;
}

bool wendle::getEffectName(char* name) {
    copyText(name, "+wendle", kTextSize);
    return true;
}

bool wendle::getVendorString(char* text) {
    copyText(text, "Mirelow", kTextSize);
    return true;
}

bool wendle::getProductString(char* text) {
    copyText(text, "Mirelow Wendle", kTextSize);
    return true;
}

void wendle::storeRaw(int index, float value) {
    raw[index].store(value, std::memory_order_relaxed);
    const int slot = kParams[index].slot;
    if (slot >= 0)
        currentProgram().params[slot] = value;
}

// Host-side state.

void wendle::applyChange(int index, float value) {
    if (index == kCurveEdited)
        takeCurveEdit();
    else
        setParameterLocked(index, value);
}

template <class Call> void wendle::underLock(Call&& call) {
    StateGuard guard(stateLock, [this](int index, float value) { applyChange(index, value); });
    call();
}

// A change that may come from the audio thread: made there without waiting, else under the lock.
template <class Call> void wendle::changeState(int index, float value, Call&& call) {
    if (stateLock.onAudioThread())
        stateLock.applyOrLeave(index, value, [this](int i, float v) { applyChange(i, v); });
    else
        underLock(call);
}

void wendle::setParameter(VstInt32 index, float v) {
    if (!isActiveParam(index) || !std::isfinite(v))
        return;
    changeState(index, v, [&] { setParameterLocked(index, v); });
}

void wendle::parameterSet(VstInt32, float) {}

void wendle::setParameterLocked(VstInt32 index, float v) {
    storeRaw(index, v);
    parameterSet(index, v);
    const ParamInfo& row = kParams[index];
    const float units = row.type->toUnits(v);
    units_[index].store(units, std::memory_order_relaxed);
    act(row.action, v, units);
}

void wendle::act(Action action, float v, float units) {
    switch (action) {
    case Action::None:
        break;
    case Action::Refresh:
        requestRefresh();
        break;
    case Action::Tilt:
        computeTilt();
        break;
    case Action::Position:
        filterPosition.store(units, std::memory_order_relaxed);
        lfoRate.store(0.0f, std::memory_order_relaxed);
        selectedFilter.store(belowHalf(units) ? 0 : 1, std::memory_order_relaxed);
        requestRefresh();
        break;
    case Action::Learn: // three ways: exactly half neither starts nor finishes
        if (aboveHalf(v)) {
            if (!isLearning())
                startLearning();
        } else if (belowHalf(v)) {
            if (isLearning())
                finishLearning();
        }
        break;
    case Action::Reset:
        if (units != 0.0f)
            resetSelectedFilter();
        break;
    case Action::LogScale:
        logScale.store(units != 0.0f ? 1 : 0, std::memory_order_relaxed);
        break;
    case Action::MakeupGain:
        autoGainFactor.store(makeupFactorFromDecibels(units), std::memory_order_relaxed);
        break;
    case Action::AutoGain:
        autoGain.store(units != 0.0f ? 1 : 0, std::memory_order_relaxed);
        break;
    case Action::TempoLock:
        if (belowHalf(units))
            lfoRate.store(0.0f, std::memory_order_relaxed);
        break;
    case Action::LfoRate:
        lfoRate.store(units, std::memory_order_relaxed);
        break;
    }
}

float wendle::makeupReading() const {
    // Beyond ±60 dB too; a factor of 0 has no setting and reads as the last one set.
    const float v = normalisedFromMakeupFactor(autoGainFactor.load(std::memory_order_relaxed));
    return std::isfinite(v) ? v : raw[kParamMakeupGain].load(std::memory_order_relaxed);
}

float wendle::getParameter(VstInt32 index) {
    if (!isActiveParam(index))
        return 0.0f;
    const ParamInfo& row = kParams[index];
    switch (row.readBack) {
    case ReadBack::Raw:
        break;
    case ReadBack::Units:
        return row.type->toNormalised(units_[index].load(std::memory_order_relaxed));
    case ReadBack::Live:
        return row.type->toNormalised(liveUnits(index));
    case ReadBack::OutputFactor:
        return makeupReading();
    }
    return raw[index].load(std::memory_order_relaxed);
}

void wendle::getParameterName(VstInt32 index, char* text) {
    if (isActiveParam(index))
        copyText(text, kParams[index].name, kTextSize);
}

void wendle::getParameterLabel(VstInt32 index, char* label) {
    if (isActiveParam(index))
        copyText(label, kParams[index].label, kTextSize);
}

void wendle::getParameterDisplay(VstInt32 index, char* text) {
    if (!isActiveParam(index) || text == nullptr)
        return;
    const ParamInfo& row = kParams[index];
    if (row.type->format == nullptr)
        return;
    row.type->format(row.live ? liveUnits(index)
                              : row.type->toUnits(raw[index].load(std::memory_order_relaxed)),
                     text);
}

float wendle::liveUnits(int index) const {
    // The values that move by themselves: the LFO's position and rate, learning that stopped.
    if (index == kParamFilterNumber)
        return filterPosition.load(std::memory_order_relaxed);
    if (index == kParamLearn)
        return isLearning() ? 1.0f : 0.0f;
    return lfoRate.load(std::memory_order_relaxed);
}

void wendle::waitForSummingToEnd() const {
    // The frame hook sums only while `learning` is set; once it is cleared, at most the frame
    // already inside the summing loop is left to finish.
    while (summing.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

void wendle::startLearning() {
    WendleProgram& prog = currentProgram();
    const int f = selectedFilter.load(std::memory_order_relaxed);
    flattenFilter(prog, f);
    publishCurves();
    // Not learning, so no frame sums; one may still be leaving the section.
    waitForSummingToEnd();
    learnSumLeft.fill(0.0f);
    learnSumRight.fill(0.0f);
    learnFrames.store(0, std::memory_order_relaxed);
    learning.store(1, std::memory_order_seq_cst);
}

void wendle::finishLearning() {
    learning.store(0, std::memory_order_seq_cst);
    waitForSummingToEnd();
    const int frames = learnFrames.load(std::memory_order_relaxed);
    if (frames > 0) {
        WendleProgram& prog = currentProgram();
        const int f = selectedFilter.load(std::memory_order_relaxed);
        learnCurve(learnSumLeft.data(), frames, prog.curves[decibelCurve(f, 0)],
                   prog.curves[linearCurve(f, 0)]);
        learnCurve(learnSumRight.data(), frames, prog.curves[decibelCurve(f, 1)],
                   prog.curves[linearCurve(f, 1)]);
        publishCurves();
    }
    learnFrames.store(0, std::memory_order_relaxed);
    requestRefresh();
}

void wendle::resetSelectedFilter() {
    flattenFilter(currentProgram(), selectedFilter.load(std::memory_order_relaxed));
    publishCurves();
    // Clearing the sums under a running frame would let that frame add to half-cleared sums.
    const int wasLearning = learning.exchange(0, std::memory_order_seq_cst);
    waitForSummingToEnd();
    learnSumLeft.fill(0.0f);
    learnSumRight.fill(0.0f);
    learning.store(wasLearning, std::memory_order_seq_cst);
    requestRefresh();
}

void wendle::computeTilt() {
    tiltPending.store(true, std::memory_order_release);
}

void wendle::setProgram(VstInt32 program) {
    if (program < 0 || program >= programTotal)
        return;
    underLock([&] { setProgramLocked(program); });
}

void wendle::setProgramLocked(VstInt32 program) {
    curProgram = program;
    current = &programs[program];
    publishCurves(); // the curve set in use becomes this program's
    for (const ProgramStep& step : kProgramOrder) {
        const float v = step.slot < 0 ? 0.0f : programs[program].params[step.slot];
        if (std::isfinite(v))
            setParameterLocked(step.param, v);
    }
}

void wendle::setProgramName(char* name) {
    underLock([&] { setProgramRecordName(currentProgram(), name); });
}

void wendle::getProgramName(char* name) {
    if (name != nullptr)
        underLock(
            [&] { vst::programNameForHost(currentProgram().name, curProgram, name, kNameSize); });
}

bool wendle::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (text == nullptr || index < 0 || index >= programTotal)
        return false;
    underLock([&] { vst::programNameForHost(programs[index].name, index, text, kNameSize); });
    return true;
}

bool wendle::getParameterProperties(VstInt32 index, VstParameterProperties* properties) {
    if (properties == nullptr ||
        std::find(kSwitchParams.begin(), kSwitchParams.end(), index) == kSwitchParams.end())
        return false;
    *properties = {};
    properties->flags = kVstParameterIsSwitch;
    copyText(properties->label, kParams[index].name, kVstMaxLabelLen);
    copyText(properties->shortLabel, kParams[index].name, kVstMaxShortLabelLen);
    return true;
}

VstInt32 wendle::getChunk(void** data, bool isPreset) {
    if (data == nullptr)
        return 0;
    VstInt32 size = 0;
    underLock([&] {
        if (isPreset) {
            unsigned char* out =
                chunkScratch.get() + static_cast<std::size_t>(curProgram) * kProgramBytes;
            encodeForChunk(curProgram, out);
            *data = out;
            size = kProgramBytes;
            return;
        }
        for (VstInt32 p = 0; p < programTotal; ++p)
            encodeForChunk(p, chunkScratch.get() + static_cast<std::size_t>(p) * kProgramBytes);
        vst::storeBankTrailer(curProgram,
                              chunkScratch.get() +
                                  static_cast<std::size_t>(programTotal) * kProgramBytes);
        *data = chunkScratch.get();
        size = programTotal * kProgramBytes + static_cast<VstInt32>(vst::kBankTrailerBytes);
    });
    return size;
}

void wendle::encodeForChunk(VstInt32 program, unsigned char* out) {
    const WendleProgram& record = programs[program];
    encodeProgram(record, out);
    // Once automatic gain has moved the output factor, the make-up gain it reads as is the one
    // stored: a session saved now reopens at the level it was playing at. While the factor is
    // the stored setting's own, the setting is kept as it was given (reading it back through
    // the factor would only round it).
    const int slot = kParams[kParamMakeupGain].slot;
    if (program == curProgram && autoGainFactor.load(std::memory_order_relaxed) !=
                                     makeupFactorFromNormalised(record.params[slot]))
        storeBigEndianFloat(makeupReading(), out + 4 * slot);
}

VstInt32 wendle::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    const VstInt32 records = isPreset ? 1 : programTotal;
    const auto need = static_cast<std::int64_t>(records) * kProgramBytes;
    if (data == nullptr || byteSize < need)
        return 0;
    const auto* in = static_cast<const unsigned char*>(data);
    for (VstInt32 r = 0; r < records; ++r)
        if (!isValidEncodedProgram(in + static_cast<std::size_t>(r) * kProgramBytes))
            return 0;
    if (isPreset) {
        underLock([&] {
            decodeProgram(in, currentProgram());
            setProgramLocked(curProgram);
        });
        return static_cast<VstInt32>(need);
    }
    // The trailer names the program the bank was saved on; without one the current program
    // (which a host restoring a project has just selected) stays.
    VstInt32 saved = -1;
    auto read = need;
    switch (vst::readBankTrailer(in + need, static_cast<std::size_t>(byteSize - need), saved)) {
    case vst::BankTrailer::Cut:
        return 0;
    case vst::BankTrailer::Present:
        read += static_cast<std::int64_t>(vst::kBankTrailerBytes);
        break;
    case vst::BankTrailer::Absent:
        saved = -1;
        break;
    }
    underLock([&] {
        for (VstInt32 p = 0; p < programTotal; ++p)
            decodeProgram(in + static_cast<std::size_t>(p) * kProgramBytes, programs[p]);
        setProgramLocked(saved >= 0 && saved < programTotal ? saved : curProgram.load());
    });
    return static_cast<VstInt32>(read);
}

const float* wendle::programCurve(int curve) const {
    if (curve < 0 || curve >= kNumCurves)
        return nullptr;
    return current->curves[curve];
}

bool wendle::getCurveBigEndian(int curve, void* out, std::size_t bytes) {
    if (curve < 0 || curve >= kNumCurves || out == nullptr || bytes < sizeof(float) * kBins)
        return false;
    auto* o = static_cast<unsigned char*>(out);
    underLock([&] {
        const float* c = currentProgram().curves[curve];
        for (int k = 0; k < kBins; ++k)
            storeBigEndianFloat(c[k], o + 4 * k);
    });
    return true;
}

bool wendle::setCurveBigEndian(int curve, const void* in, std::size_t bytes) {
    if (curve < 0 || curve >= kNumCurves || in == nullptr || bytes < sizeof(float) * kBins)
        return false;
    const auto* b = static_cast<const unsigned char*>(in);
    for (int k = 0; k < kBins; ++k)
        if (!std::isfinite(loadBigEndianFloat(b + 4 * k)))
            return false;
    underLock([&] {
        float* c = currentProgram().curves[curve];
        for (int k = 0; k < kBins; ++k)
            c[k] = loadBigEndianFloat(b + 4 * k);
        publishCurves();
    });
    // A restored session must sound as it was saved without waiting for some control to move.
    requestRefresh();
    return true;
}

void wendle::setSelectedLinearCurve(int side, const float* linear) {
    if (linear == nullptr)
        return;
    underLock([&] {
        const int f = selectedFilter.load(std::memory_order_relaxed);
        std::memcpy(currentProgram().curves[linearCurve(f, side & 1)], linear,
                    sizeof(float) * kBins);
        std::atomic_ref<int32_t>(curveEdited).store(1, std::memory_order_relaxed);
        takeCurveEdit();
    });
}

void wendle::takeCurveEdit() {
    if (std::atomic_ref<int32_t>(curveEdited).exchange(0, std::memory_order_acq_rel) == 0)
        return;
    WendleProgram& prog = currentProgram();
    const int f = selectedFilter.load(std::memory_order_relaxed);
    decibelsFromLinear(prog.curves[linearCurve(f, 0)], prog.curves[decibelCurve(f, 0)]);
    if (units_[kParamStereoLink].load(std::memory_order_relaxed) == 0.0f)
        decibelsFromLinear(prog.curves[linearCurve(f, 1)], prog.curves[decibelCurve(f, 1)]);
    publishCurves();
    requestRefresh();
}

void wendle::publishCurves() {
    const WendleProgram& prog = currentProgram();
    curves_.update([&](DecibelCurves& c) {
        for (int f = 0; f < 2; ++f)
            for (int side = 0; side < 2; ++side)
                std::memcpy(c[2 * f + side].data(), prog.curves[decibelCurve(f, side)],
                            sizeof(float) * kBins);
    });
}

float* wendle::selectedLinearCurve(int side) {
    float* curve = nullptr;
    underLock([&] {
        curve = currentProgram()
                    .curves[linearCurve(selectedFilter.load(std::memory_order_relaxed), side & 1)];
    });
    return curve;
}

void wendle::copySelectedLinearCurve(int side, float* out) {
    if (out == nullptr)
        return;
    underLock([&] {
        const float* curve =
            currentProgram()
                .curves[linearCurve(selectedFilter.load(std::memory_order_relaxed), side & 1)];
        std::memcpy(out, curve, sizeof(float) * kBins);
    });
}

const float* wendle::appliedGain(int side) const {
    return side == 0 ? appliedGainLeft.data() : appliedGainRight.data();
}

const float* wendle::targetGain(int side) const {
    return side == 0 ? targetGainLeft.data() : targetGainRight.data();
}

void wendle::setHostTempo(float bpm) {
    if (std::isfinite(bpm))
        hostTempo.store(bpm, std::memory_order_relaxed);
}

VstInt32 wendle::processEvents(VstEvents* events) {
    stateLock.noteAudioThread();
    if (readyLevel != 2)
        return 1;
    vst::forEachControllerMove(events, kControllers,
                               [this](int param, float value) { setParameter(param, value); });
    return 1;
}

void wendle::refreshGains(const DecibelCurves& curves) {
    const bool linked = units_[kParamStereoLink].load(std::memory_order_relaxed) != 0.0f;
    const float p = filterPosition.load(std::memory_order_relaxed);
    const float d = units_[kParamDepth].load(std::memory_order_relaxed);
    targetGains(curves[0].data(), curves[2].data(), p, d, targetGainLeft.data());
    if (linked)
        targetGainRight = targetGainLeft;
    else
        targetGains(curves[1].data(), curves[3].data(), p, d, targetGainRight.data());
}

bool wendle::advanceLfoStep(const DecibelCurves& curves) {
    const float before = filterPosition.load(std::memory_order_relaxed);
    LfoState lfo{before, lfoRate.load(std::memory_order_relaxed), lfoDirection};
    const float rateBefore = lfo.rate;
    LfoClock clock;
    clock.divisor = static_cast<int>(units_[kParamLfoDivide].load(std::memory_order_relaxed));
    clock.tempoLock = aboveHalf(units_[kParamLfoTempo].load(std::memory_order_relaxed));
    clock.hostTempo = hostTempo.load(std::memory_order_relaxed);
    clock.sampleRate = getSampleRate();
    clock.hopSize = hopSize;
    const float step = advanceLfo(lfo, clock);
    if (lfo.rate != rateBefore)
        lfoRate.store(lfo.rate, std::memory_order_relaxed);
    lfoDirection = lfo.direction;
    if (step == 0.0f)
        return false;
    // A position set by hand while this hop ran wins over the LFO's.
    float expected = before;
    if (!filterPosition.compare_exchange_strong(expected, lfo.position, std::memory_order_relaxed))
        return false;
    refreshGains(curves);
    selectedFilter.store(lfo.position >= 0.5f ? 1 : 0, std::memory_order_relaxed);
    return true;
}

void wendle::processSpect() {
    const bool stereo = channelMode.load(std::memory_order_relaxed) == 1;

    // A curve drawn by the editor goes to the host side, which re-derives its dB curves under
    // the lock: at once when the lock is free, else as the holder lets go.
    if (std::atomic_ref<int32_t>(curveEdited).load(std::memory_order_acquire) != 0)
        stateLock.applyOrLeave(kCurveEdited, 0.0f, [this](int i, float v) { applyChange(i, v); });

    if (tiltPending.exchange(false, std::memory_order_acq_rel))
        wendlefx::tiltCurve(units_[kParamTilt].load(std::memory_order_relaxed), tiltOffsets.data(),
                            tiltCurve.data());
    // Requests made before this frame began are served by the LFO's rebuild or the one below.
    // The request is taken before the curves: curves published before a request are then the
    // ones this frame reads.
    bool refresh = refreshPending.exchange(false, std::memory_order_acq_rel);
    const DecibelCurves& curves = curves_.acquire();

    if (advanceLfoStep(curves))
        refresh = false;

    summing.store(true, std::memory_order_seq_cst);
    if (learning.load(std::memory_order_seq_cst) != 0 &&
        raw[kParamLearn].load(std::memory_order_relaxed) != 0.0f) {
        powerSpectrum(inSpect[0], inputPowerLeft.data());
        accumulate(inputPowerLeft.data(), learnSumLeft.data());
        if (stereo) {
            powerSpectrum(inSpect[1], inputPowerRight.data());
            accumulate(inputPowerRight.data(), learnSumRight.data());
        }
        const int frames = learnFrames.fetch_add(1, std::memory_order_relaxed) + 1;
        if (frames > kLearnFrameLimit)
            raw[kParamLearn].store(0.0f, std::memory_order_relaxed);
    }
    summing.store(false, std::memory_order_seq_cst);

    if (refresh)
        refreshGains(curves);

    glide(targetGainLeft.data(), tiltCurve.data(), appliedGainLeft.data());
    applyGains(appliedGainLeft.data(), inSpect[0], outSpect[0]);
    if (stereo) {
        glide(targetGainRight.data(), tiltCurve.data(), appliedGainRight.data());
        applyGains(appliedGainRight.data(), inSpect[1], outSpect[1]);
    }

    if (displayWanted.load(std::memory_order_relaxed))
        display.update([&](WendleDisplayFrame& f) {
            for (int c = 0; c < 2; ++c) {
                std::copy_n(inSpect[c], kSpectrumFloats, f.input[c].data());
                std::copy_n(outSpect[c], kSpectrumFloats, f.output[c].data());
            }
            f.appliedGain[0] = appliedGainLeft;
            f.appliedGain[1] = appliedGainRight;
            f.tilt = tiltCurve;
        });
}
