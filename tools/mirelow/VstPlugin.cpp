// VST 2.4 plug-ins through the host harness.
#include "VstPlugin.h"

#include "Error.h"
#include "FxPreset.h"

#include "engine/Text.h"
#include "tools/vsthost/VstHost.h"

#include <algorithm>
#include <cstring>

namespace mirelow {

namespace {
std::unique_ptr<vsthost::Plugin> loadVst(const std::string& path, double sampleRate) {
    vsthost::HostAnswers answers;
    answers.sampleRate = static_cast<float>(sampleRate);
    try {
        return std::make_unique<vsthost::Plugin>(path, answers);
    } catch (const vsthost::LoadError& e) {
        throw Error(e.what());
    }
}
} // namespace

VstPlugin::VstPlugin(const std::string& path, double sampleRate)
    : VstPlugin(loadVst(path, sampleRate), sampleRate) {}

VstPlugin::VstPlugin(std::unique_ptr<vsthost::Plugin> host, double sampleRate)
    : host_(std::move(host)) {
    host_->dispatch(effOpen);
    host_->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    replacing_ = (host_->flags() & effFlagsCanReplacing) != 0;
    std::vector<std::string> names;
    for (int i = 0; i < host_->numParams(); ++i)
        names.push_back(host_->paramName(i));
    units_ = builtInVstUnits(host_->uniqueId(), names);
}

VstPlugin::~VstPlugin() {
    if (running_)
        stop();
}

std::string VstPlugin::path() const {
    return host_->path();
}

std::string VstPlugin::effectName() {
    std::string name = host_->effectName();
    if (name.empty()) {
        name = host_->path();
        if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
            name.erase(0, slash + 1);
    }
    return name;
}

std::string VstPlugin::vendor() {
    return host_->vendorString();
}
std::string VstPlugin::product() {
    return host_->productString();
}
int32_t VstPlugin::uniqueId() {
    return host_->uniqueId();
}
int32_t VstPlugin::version() {
    return host_->effect() ? host_->effect()->version : 0;
}
int VstPlugin::numInputs() {
    return host_->numInputs();
}
int VstPlugin::numOutputs() {
    return host_->numOutputs();
}
int VstPlugin::latency() {
    return host_->initialDelay();
}

std::vector<std::string> VstPlugin::flags() {
    static constexpr std::pair<int, const char*> kFlags[] = {
        {effFlagsHasEditor, "HasEditor"},
        {effFlagsCanReplacing, "CanReplacing"},
        {effFlagsProgramChunks, "ProgramChunks"},
        {effFlagsIsSynth, "IsSynth"},
        {effFlagsNoSoundInStop, "NoSoundInStop"},
        {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
    };
    std::vector<std::string> out;
    for (const auto& [bit, name] : kFlags)
        if (host_->flags() & bit)
            out.emplace_back(name);
    return out;
}

std::vector<std::string> VstPlugin::details() {
    static const char* kCategories[] = {"unknown",     "effect",      "synth",       "analysis",
                                        "mastering",   "spatializer", "room effect", "surround",
                                        "restoration", "offline",     "shell",       "generator"};
    const auto category = host_->dispatch(effGetPlugCategory);
    std::vector<std::string> out;
    out.push_back("category:  " +
                  std::string(category >= 0 && category < 12 ? kCategories[category] : "other"));
    out.push_back("VST version: " + std::to_string(host_->dispatch(effGetVstVersion)));
    const auto tail = host_->dispatch(effGetTailSize);
    if (tail != 0)
        out.push_back("tail:      " + std::to_string(tail) + " samples");
    return out;
}

int VstPlugin::maxChannels() {
    return std::clamp(std::min(numInputs(), numOutputs()), 0, 2);
}

int VstPlugin::numParams() {
    return host_->numParams();
}
std::string VstPlugin::paramName(int index) {
    return host_->paramName(index);
}
std::string VstPlugin::paramLabel(int index) {
    return host_->paramLabel(index);
}
std::string VstPlugin::paramDisplay(int index) {
    return host_->paramDisplay(index);
}
float VstPlugin::getParam(int index) {
    return host_->getParameter(index);
}
const ParamUnits* VstPlugin::paramUnits(int index) {
    return index >= 0 && index < static_cast<int>(units_.size())
               ? units_[static_cast<std::size_t>(index)].get()
               : nullptr;
}
void VstPlugin::setParam(int index, float value) {
    host_->setParameter(index, value);
}

int VstPlugin::numPrograms() {
    return host_->numPrograms();
}
int VstPlugin::currentProgram() {
    return static_cast<int>(host_->dispatch(effGetProgram));
}
void VstPlugin::setProgram(int index) {
    host_->dispatch(effSetProgram, 0, index);
}
std::string VstPlugin::currentProgramName() {
    return host_->programName();
}

std::string VstPlugin::programName(int index) {
    char buf[512] = {};
    if (host_->dispatch(effGetProgramNameIndexed, index, -1, buf) != 0)
        return buf;
    const int current = currentProgram();
    if (index == current)
        return currentProgramName();
    // The plug-in cannot name a program without selecting it.
    setProgram(index);
    std::string name = currentProgramName();
    setProgram(current);
    return name;
}

void VstPlugin::setCurrentProgramName(const std::string& name) {
    char buf[kVstMaxProgNameLen] = {};
    copyText(buf, name.c_str(), sizeof buf);
    host_->dispatch(effSetProgramName, 0, 0, buf);
}

bool VstPlugin::programsAreChunks() {
    return (host_->flags() & effFlagsProgramChunks) != 0;
}
std::vector<uint8_t> VstPlugin::getChunk(bool isPreset) {
    return host_->getChunk(isPreset);
}
bool VstPlugin::setChunk(const std::vector<uint8_t>& data, bool isPreset) {
    return host_->setChunk(data, isPreset) != 0;
}

void VstPlugin::setTempo(double bpm) {
    tempo_ = bpm;
}

void VstPlugin::start(double sampleRate, int maxBlock, int channels) {
    if (running_)
        stop();
    auto& a = host_->answers();
    for (std::size_t i = 0; i < a.inputConnected.size(); ++i) {
        a.inputConnected[i] = static_cast<int>(i) < channels;
        a.outputConnected[i] = static_cast<int>(i) < channels;
    }
    a.sampleRate = static_cast<float>(sampleRate);
    a.blockSize = maxBlock;
    samplePos_ = 0;
    a.timeInfoValid = true;
    a.timeInfo = VstTimeInfo{};
    a.timeInfo.sampleRate = sampleRate;
    a.timeInfo.tempo = tempo_;
    a.timeInfo.timeSigNumerator = 4;
    a.timeInfo.timeSigDenominator = 4;
    a.timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid;
    host_->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    host_->dispatch(effSetBlockSize, 0, maxBlock);
    host_->dispatch(effMainsChanged, 0, 1);
    host_->dispatch(effStartProcess);
    running_ = true;
}

void VstPlugin::stop() {
    if (!running_)
        return;
    host_->dispatch(effStopProcess);
    host_->dispatch(effMainsChanged, 0, 0);
    running_ = false;
}

void VstPlugin::process(float* const* in, float* const* out, int frames) {
    auto& t = host_->answers().timeInfo;
    t.samplePos = samplePos_;
    t.ppqPos = samplePos_ / t.sampleRate * tempo_ / 60.0;
    if (replacing_) {
        host_->processReplacing(const_cast<float**>(in), const_cast<float**>(out), frames);
    } else {
        host_->process(const_cast<float**>(in), const_cast<float**>(out), frames);
    }
    samplePos_ += frames;
}

} // namespace mirelow
