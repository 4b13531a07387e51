// The compander effect: per-bin processing, the learn protocol, parameters, programs, chunks and
// MIDI controllers.
#include "dehiss.h"

#include "dehisseditor.h"
#include "engine/Text.h"
#include "vst/VstStrings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

using namespace compander;

namespace {
constexpr int kN = kFftSize;

bool finitePositive(float x) {
    return std::isfinite(x) && x > 0.0f;
}

// Mean of an accumulator over all bins, summed in bin order.
float binMean(const std::array<float, kBins>& a) {
    float sum = 0.0f;
    for (float x : a)
        sum += x;
    return sum / static_cast<float>(kBins);
}
} // namespace

dehiss::dehiss(audioMasterCallback audioMaster)
    : spect(audioMaster, kNumPrograms, kNumParams), programs_(builtInPrograms()),
      live_(&programs_[0]) {
    setUniqueID(kUniqueId);
    programsAreChunks();
    for (auto& g : binGain)
        g.fill(1.0f);
    // Mid-range units until the first program sets them (a gain law is built from these while
    // the program's values arrive one by one).
    for (int i = 0; i < kNumParams; ++i)
        units_[i].store(kParams[i].type->toUnits(0.5f));
    setProgram(kStartProgram);
    editor_ = new dehisseditor(this);
    readyLevel += 1; // fully built: processing may start
}

dehiss::~dehiss() {
    readyLevel = 0;
}

// Per frame.

void dehiss::processSpect() {
    // Every table once, for the whole frame: a change made meanwhile waits for the next one.
    const GainLaw& law = gainLaw_.acquire();
    const TiltTable& tilt = tilt_.acquire();
    const Shapes& shapes = shapes_.acquire();
    const bool stereo = channelMode.load(std::memory_order_relaxed) == 1;
    const bool peakMode = rawValue_[kLearnPeak].load(std::memory_order_relaxed) == 1.0f;
    channelPower(0);
    if (stereo)
        channelPower(1);
    learnFrame(stereo, peakMode);
    processChannel(0, shapes[0].data(), law, tilt);
    if (stereo) {
        const bool linked = switchOn(rawValue_[kStereoLink].load(std::memory_order_relaxed));
        processChannel(1, shapes[linked ? 0 : 1].data(), law, tilt);
    }
}

void dehiss::channelPower(int c) {
    const float* __restrict x = inSpect[c];
    float* __restrict power = binPower[c].data();
    spectral::powerSpectrum(x, power);
}

void dehiss::learnFrame(bool stereo, bool peakMode) {
    // The summing section: a host call that has cleared `learning` and then sees it end owns the
    // accumulators (seq_cst on both sides: either this frame sees the cleared flag, or the host
    // sees the section and waits).
    summing_.store(true, std::memory_order_seq_cst);
    if (learning.load(std::memory_order_seq_cst)) {
        auto gather = [&](int c) {
            const float* __restrict power = binPower[c].data();
            float* __restrict accum = learnAccum[c].data();
            if (peakMode) {
                for (int k = 0; k < kBins; ++k)
                    accum[k] = power[k] > accum[k] ? power[k] : accum[k];
            } else {
                for (int k = 0; k < kBins; ++k)
                    accum[k] = accum[k] + 0.05f * power[k];
            }
        };
        gather(0);
        // Only channel 1 counts the frames of a pass; channel 2 learns while the pass still
        // runs, so in the frame that ends the pass it learns nothing.
        const bool ends = learnFrames.fetch_add(1) + 1 >= kLearnPassFrames;
        if (stereo && !ends)
            gather(1);
        if (ends)
            learning.store(0);
    }
    summing_.store(false, std::memory_order_seq_cst);
}

void dehiss::processChannel(int c, const float* shape, const GainLaw& law, const TiltTable& tilt) {
    // A few passes over the bins, each written so that the compiler vectorises it (the target
    // lookup too, as loads gathered four at a time): no array aliases another, and choices are
    // selects rather than branches.
    const float* __restrict x = inSpect[c];
    float* __restrict y = outSpect[c];
    const float* __restrict power = binPower[c].data();
    float* __restrict gain = binGain[c].data();
    const float* __restrict s = shape;
    const float* __restrict weightSquared = tilt.weightSquared.data();

    // The shaped level looks up the law's target, the tilted level meets the threshold.
    alignas(32) float level[kBins];
    alignas(32) float tilted[kBins];
    alignas(32) float target[kBins];
    for (int k = 0; k < kBins; ++k) {
        level[k] = power[k] * s[k];
        tilted[k] = level[k] * weightSquared[k];
    }

    law.targets.findAll(level, target, kBins);

    const float threshold = law.thresholdPower;
    const float attack = attackCoef.load(std::memory_order_relaxed);
    const float release = releaseCoef.load(std::memory_order_relaxed);
    // Inverted, the bin passes what the gain removes: its factor is 1 - g.
    const float sign = invertOn.load(std::memory_order_relaxed) != 0 ? -1.0f : 1.0f;
    const float offset = sign < 0.0f ? 1.0f : 0.0f;
    // A bin falls below the threshold when expanding, above it when compressing; equality
    // counts as rising. Both outcomes are computed and one is kept: the choice follows the
    // signal, so a branch would be mispredicted half the time.
    auto update = [&](auto falls) {
        // Moves bin k's gain and answers the factor its real and imaginary parts take.
        auto step = [&](int k, int& lastFalling) {
            const float g = gain[k];
            const float released = g * release;
            // Never below the law's target. Written so that a NaN gain (which no finite input
            // produces) would come back to the target or to 1 instead of staying NaN.
            const float fell = !(released >= target[k]) ? target[k] : released;
            const float attacked = g * attack;
            const float rose = !(attacked <= 1.0f) ? 1.0f : attacked;
            const bool f = falls(tilted[k]);
            const float next = f ? fell : rose;
            gain[k] = next;
            lastFalling = f ? k : lastFalling;
            // g itself, or exactly 1 - g when inverted.
            return offset + sign * next;
        };
        int lastFalling = -1;
        y[0] = step(0, lastFalling) * x[0];
        for (int k = 1; k < kHalfSize; ++k) {
            const float factor = step(k, lastFalling);
            y[k] = factor * x[k];
            y[kN - k] = factor * x[kN - k];
        }
        y[kHalfSize] = step(kHalfSize, lastFalling) * x[kHalfSize];
        // The last bin that fell looked up the target the channel keeps.
        if (lastFalling >= 0)
            lastTableGain[c] = target[lastFalling];
    };
    if (law.ratio >= 1.0f)
        update([threshold](float m) { return threshold > m; });
    else
        update([threshold](float m) { return threshold < m; });
}

// Parameters.

// Host-side state.

void dehiss::applyChange(int index, float value) {
    if (index == kRateChange) {
        spect::setSampleRate(value);
        updateCoefficients();
    } else {
        setParameterLocked(index, value);
    }
}

template <class Call> void dehiss::underLock(Call&& call) {
    StateGuard guard(stateLock, [this](int index, float value) { applyChange(index, value); });
    call();
}

void dehiss::setParameter(VstInt32 index, float value) {
    // A NaN or infinite value would reach the program record and make the next chunk one that
    // no host could load back; it is ignored. Finite values pass unclamped.
    if (!std::isfinite(value))
        return;
    auto apply = [this](int i, float v) { applyChange(i, v); };
    // From the audio thread only a real parameter's index is handed over: the hand-over's own
    // codes (kRateChange) are not a host's to send, and would change the sample rate unchecked.
    if (stateLock.onAudioThread()) {
        if (index >= 0 && index < kNumParams)
            stateLock.applyOrLeave(index, value, apply);
    } else
        underLock([&] { setParameterLocked(index, value); });
}

void dehiss::setParameterLocked(VstInt32 index, float value) {
    if (index >= 0 && index < kNumParams) {
        rawValue_[index].store(value);
        const int slot = kParams[index].slot;
        if (slot != kNotStored)
            live_->values[slot] = value;
        applyParameter(index, value);
    }
    editorParameterChanged(index, value);
}

float dehiss::getParameter(VstInt32 index) {
    if (index < 0 || index >= kNumParams)
        return 0.0f;
    return rawValue_[index].load();
}

void dehiss::applyParameter(int index, float raw) {
    // A value beyond 0 ... 1 is stored and reads back as given, but applies as the nearer end of
    // the range: far beyond it a threshold or a gain becomes infinite, and so would the output.
    const ParamInfo& row = kParams[index];
    const float units = row.type->toUnits(std::clamp(raw, 0.f, 1.f));
    units_[index].store(units);
    act(row.action, units);
}

void dehiss::act(Action action, float units) {
    switch (action) {
    case Action::None: // read per frame
        break;
    case Action::GainLaw:
        rebuildGainLaw();
        break;
    case Action::Smoothing:
        updateCoefficients();
        break;
    case Action::Learn:
        learnControl(units);
        break;
    case Action::Reset:
        if (units > 0.5f)
            resetShapes();
        break;
    case Action::Invert:
        invertOn.store(switchOn(units) ? 1 : 0);
        break;
    case Action::MakeupGain:
        autoGainFactor.store(std::pow(10.0f, units * 0.05f));
        break;
    case Action::LogScale:
        logScale.store(units != 0.0f ? 1 : 0);
        break;
    case Action::Tilt:
        rebuildTilt();
        break;
    }
}

void dehiss::rebuildGainLaw() {
    const float db = units_[kThreshold].load();
    const float amp = dbToAmplitude(db);
    thresholdAmp.store(amp);
    thresholdPower.store(amp * amp);
    ratioValue.store(units_[kRatio].load());
    gainLaw_.update([this](GainLaw& law) {
        const float db = units_[kThreshold].load();
        const float amp = thresholdAmp.load();
        law.ratio = ratioValue.load();
        law.thresholdPower = amp * amp;
        buildGainTable(db, amp, law.ratio, std::span<float, kLevels>(law.table.data(), kLevels));
        law.table[kLevels] = law.table[kLevels - 1];
        law.targets.build(levelLookup_, law.table);
    });
}

void dehiss::rebuildTilt() {
    tilt_.update([this](TiltTable& t) {
        buildTiltWeights(units_[kTilt].load(), t.weight);
        for (int k = 0; k < kBins; ++k)
            t.weightSquared[k] = t.weight[k] * t.weight[k];
    });
}

void dehiss::updateCoefficients() {
    attackCoef.store(attackCoefficient(units_[kAttack].load(), getSampleRate()));
    releaseCoef.store(releaseCoefficient(units_[kRelease].load(), getSampleRate()));
}

void dehiss::setSampleRate(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate))
        return; // a host's bad rate keeps the last good one
    auto apply = [this](int i, float v) { applyChange(i, v); };
    if (stateLock.onAudioThread())
        stateLock.applyOrLeave(kRateChange, rate, apply);
    else
        underLock([&] { applyChange(kRateChange, rate); });
}

void dehiss::getParameterName(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParams || !text)
        return;
    copyText(text, kParams[index].name, kParamTextBytes);
}

void dehiss::getParameterLabel(VstInt32 index, char* label) {
    if (index < 0 || index >= kNumParams || !label)
        return;
    copyText(label, kParams[index].label, kParamTextBytes);
}

void dehiss::getParameterDisplay(VstInt32 index, char* text) {
    if (index < 0 || index >= kNumParams || !text)
        return;
    param::display(*kParams[index].type, rawValue_[index].load(), text);
}

// Learning. A pass accumulates 41 frames of the input's power (average or peak), then stops
// itself; the shapes are computed when the learn parameter falls below 0.5.

void dehiss::learnControl(float v) {
    if (v > 0.5f) {
        if (!learning.load())
            startLearning();
    } else if (v < 0.5f) {
        finishLearning();
    }
}

bool dehiss::holdLearning() {
    const bool was = learning.exchange(0, std::memory_order_seq_cst) != 0;
    // Only a frame on another thread can be inside the section: on the audio thread this does
    // not wait.
    while (summing_.load(std::memory_order_seq_cst))
        std::this_thread::yield();
    return was;
}

void dehiss::startLearning() {
    CompanderProgram& program = *live_;
    holdLearning(); // a frame that has just ended a pass may still be summing
    // A pass that stopped itself and was never finished is finished first: seeding over it
    // would throw away what it learned, and with its frame count left standing the new pass
    // would stop after a single frame.
    if (learnFrames.load() > 0)
        computeShapes(program);
    // Seeding the accumulators with mean / shape makes a new pass refine the current shape;
    // after a reset they are 0 and the pass starts from nothing.
    const float* shapes[2] = {program.shape1, program.shape2};
    for (int c = 0; c < 2; ++c) {
        const float mean = binMean(learnAccum[c]);
        for (int k = 0; k < kBins; ++k) {
            const float a = mean / shapes[c][k];
            learnAccum[c][k] = std::isfinite(a) ? a : 0.0f;
        }
    }
    learnFrames.store(0);
    learning.store(1);
}

void dehiss::finishLearning() {
    holdLearning();
    if (learnFrames.load() > 0)
        computeShapes(*live_);
    learnFrames.store(0);
}

void dehiss::computeShapes(CompanderProgram& program) {
    float* shapes[2] = {program.shape1, program.shape2};
    for (int c = 0; c < 2; ++c) {
        const float mean = binMean(learnAccum[c]);
        // A bin that gathered nothing (or a pass over silence) keeps a neutral shape.
        for (int k = 0; k < kBins; ++k) {
            const float s = mean / learnAccum[c][k];
            shapes[c][k] = finitePositive(s) ? s : 1.0f;
        }
    }
    if (&program == live_)
        publishShapes();
}

void dehiss::resetShapes() {
    CompanderProgram& program = *live_;
    for (int k = 0; k < kBins; ++k)
        program.shape1[k] = program.shape2[k] = 1.0f;
    publishShapes();
    // A pass keeps running across a reset (unless it ended itself meanwhile), from nothing.
    const bool running = holdLearning();
    for (auto& a : learnAccum)
        a.fill(0.0f);
    learning.store(running && learnFrames.load() < kLearnPassFrames ? 1 : 0);
}

void dehiss::setThresholdShape(int channel, const float* bins) {
    if (!bins || channel < 0 || channel > 1)
        return;
    underLock([&] {
        float* shape = channel == 0 ? live_->shape1 : live_->shape2;
        for (int k = 0; k < kBins; ++k)
            if (finitePositive(bins[k]))
                shape[k] = bins[k];
        publishShapes();
    });
}

void dehiss::publishShapes() {
    shapes_.update([this](Shapes& s) {
        std::memcpy(s[0].data(), live_->shape1, sizeof live_->shape1);
        std::memcpy(s[1].data(), live_->shape2, sizeof live_->shape2);
    });
}

// Programs.

void dehiss::setProgram(VstInt32 p) {
    if (p < 0 || p >= kNumPrograms)
        return;
    underLock([&] { setProgramLocked(p); });
    editorIdle();
}

void dehiss::setProgramLocked(VstInt32 p) {
    curProgram = p;
    live_ = &programs_[p];
    publishShapes(); // its shapes become the processing shapes
    for (int index : kProgramApplyOrder)
        setParameterLocked(index, programs_[p].values[kParams[index].slot]);
    // The momentary parameters fall to 0; a pending pass finishes into this program's shapes.
    setParameterLocked(kReset, 0.0f);
    setParameterLocked(kLearnAverage, 0.0f);
    setParameterLocked(kLearnPeak, 0.0f);
}

void dehiss::setProgramName(char* name) {
    if (name)
        underLock([&] { setName(*live_, name); });
}

void dehiss::getProgramName(char* name) {
    if (name)
        underLock(
            [&] { vst::programNameForHost(live_->name, curProgram, name, kVstMaxProgNameLen); });
}

bool dehiss::getProgramNameIndexed(VstInt32, VstInt32 index, char* text) {
    if (!text || index < 0 || index >= kNumPrograms)
        return false;
    underLock(
        [&] { vst::programNameForHost(programs_[index].name, index, text, kVstMaxProgNameLen); });
    return true;
}

bool dehiss::getParameterProperties(VstInt32 index, VstParameterProperties* properties) {
    if (!properties || index < 0 || index >= kNumParams || !kParams[index].isSwitch)
        return false;
    *properties = {};
    properties->flags = kVstParameterIsSwitch;
    copyText(properties->label, kParams[index].name, kVstMaxLabelLen);
    copyText(properties->shortLabel, kParams[index].name, kVstMaxShortLabelLen);
    return true;
}

// Chunks.

VstInt32 dehiss::getChunk(void** data, bool isPreset) {
    if (!data)
        return 0;
    VstInt32 size = 0;
    underLock([&] {
        if (isPreset) {
            const VstInt32 p = curProgram;
            unsigned char* record = chunkPrograms_.data() + p * kProgramChunkBytes;
            encodeProgram(programs_[p], record);
            *data = record;
            size = kProgramChunkBytes;
            return;
        }
        for (int i = 0; i < kNumPrograms; ++i)
            encodeProgram(programs_[i], chunkPrograms_.data() + i * kProgramChunkBytes);
        vst::storeBankTrailer(curProgram, chunkPrograms_.data() + kBankRecordBytes);
        *data = chunkPrograms_.data();
        size = kBankChunkBytes;
    });
    return size;
}

VstInt32 dehiss::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (!data || byteSize < 0)
        return 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const auto size = static_cast<std::size_t>(byteSize);
    VstInt32 read = 0;
    underLock([&] {
        VstInt32 program = curProgram;
        if (isPreset) {
            if (size < kProgramChunkBytes || !decodeProgram(bytes, programs_[program]))
                return;
            read = kProgramChunkBytes;
        } else {
            if (size < kBankRecordBytes || !chunkFloatsFinite(bytes, kNumPrograms))
                return;
            // Without a trailer the program the host has just selected stays current.
            VstInt32 saved = -1;
            VstInt32 bankRead = kBankRecordBytes;
            switch (
                vst::readBankTrailer(bytes + kBankRecordBytes, size - kBankRecordBytes, saved)) {
            case vst::BankTrailer::Cut:
                return;
            case vst::BankTrailer::Present:
                bankRead = kBankChunkBytes;
                if (saved >= 0 && saved < kNumPrograms)
                    program = saved;
                break;
            case vst::BankTrailer::Absent:
                break;
            }
            if (bytes != chunkPrograms_.data())
                std::memcpy(chunkPrograms_.data(), bytes, kBankRecordBytes);
            for (int i = 0; i < kNumPrograms; ++i)
                decodeProgram(chunkPrograms_.data() + i * kProgramChunkBytes, programs_[i]);
            read = bankRead;
        }
        // Restored settings stay as stored: a learn pass in progress is dropped rather than
        // finished into the shapes just read.
        holdLearning();
        learnFrames.store(0);
        setProgramLocked(program);
    });
    if (read == 0)
        return 0;
    editorIdle();
    return read;
}

// MIDI.

VstInt32 dehiss::processEvents(VstEvents* events) {
    stateLock.noteAudioThread();
    vst::forEachControllerMove(events, kMidiControls,
                               [this](int param, float value) { setParameter(param, value); });
    return 1;
}

// Editor hooks.

void dehiss::editorParameterChanged(VstInt32 index, float value) {
    if (editor_)
        editor_->setParameter(index, value);
}

void dehiss::editorIdle() {
    if (editor_)
        editor_->idle();
}

// Identity.

bool dehiss::getEffectName(char* name) {
    copyText(name, "+tidemill", kVstMaxEffectNameLen);
    return true;
}

bool dehiss::getVendorString(char* text) {
    copyText(text, "Mirelow", kVstMaxVendorStrLen);
    return true;
}

bool dehiss::getProductString(char* text) {
    copyText(text, "Mirelow Tidemill", kVstMaxProductStrLen);
    return true;
}
