// The test host: loading, the host callback and convenience wrappers around the dispatcher.
#include "VstHost.h"
#include "Library.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace vsthost {

namespace {
using EntryProc = Plugin::EntryProc;

// The plug-in being created on this thread: its host calls arrive before the host knows its
// AEffect (the version query passes null).
thread_local Plugin* loading = nullptr;

struct LoadingScope {
    explicit LoadingScope(Plugin* p) { loading = p; }
    ~LoadingScope() { loading = nullptr; }
};
} // namespace

Plugin::Plugin(const std::string& path, const HostAnswers& answers)
    : libraryPath(path), hostAnswers(answers) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw LoadError("cannot load " + path + ": no such file");
    std::string why;
    library = openLibrary(path, why);
    if (!library)
        throw LoadError("cannot load " + path + ": " + why);
    auto entry = reinterpret_cast<EntryProc>(librarySymbol(library, "VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<EntryProc>(librarySymbol(library, "main"));
    if (!entry) {
        closeLibrary(library);
        throw LoadError(path + " is not a VST 2.4 plug-in: no VSTPluginMain or main");
    }
    enter(entry);
}

Plugin::Plugin(EntryProc entry, const std::string& name, const HostAnswers& answers)
    : libraryPath(name), hostAnswers(answers) {
    enter(entry);
}

void Plugin::enter(EntryProc entry) {
    {
        LoadingScope scope(this);
        aeffect = entry(&Plugin::hostCallback);
    }
    const char* fault = !aeffect                         ? "the plug-in's entry returned no effect"
                        : aeffect->magic != kEffectMagic ? "the plug-in's effect record has a bad "
                                                           "magic number"
                                                         : nullptr;
    if (fault) {
        aeffect = nullptr;
        if (library)
            closeLibrary(library);
        library = nullptr;
        throw LoadError(libraryPath + ": " + fault);
    }
    aeffect->user = this;
}

Plugin::~Plugin() {
    close();
    if (library)
        closeLibrary(library);
}

VstIntPtr Plugin::close() {
    if (!aeffect)
        return 0;
    AEffect* e = aeffect;
    aeffect = nullptr;
    return e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}

VstIntPtr Plugin::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                               void* ptr, float opt) {
    Plugin* self = effect && effect->user ? static_cast<Plugin*>(effect->user) : loading;
    if (!self) {
        // A call we cannot attribute: only the version has a sensible answer.
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    return self->answer(opcode, index, value, ptr, opt);
}

VstIntPtr Plugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return hostAnswers.version;
    case audioMasterPinConnected: {
        ++pinQueryCount;
        const auto& pins = value == 0 ? hostAnswers.inputConnected : hostAnswers.outputConnected;
        const bool connected = index >= 0 && index < static_cast<VstInt32>(pins.size()) &&
                               pins[static_cast<size_t>(index)];
        return connected ? 0 : 1;
    }
    case audioMasterAutomate:
        hostEvents.push_back({HostEventKind::Automate, index, opt});
        return 0;
    case audioMasterBeginEdit:
        hostEvents.push_back({HostEventKind::BeginEdit, index, 0.f});
        return 1;
    case audioMasterEndEdit:
        hostEvents.push_back({HostEventKind::EndEdit, index, 0.f});
        return 1;
    case audioMasterSizeWindow:
        hostEvents.push_back({HostEventKind::SizeWindow, index, static_cast<float>(value)});
        return 1;
    case audioMasterGetTime:
        return hostAnswers.timeInfoValid ? reinterpret_cast<VstIntPtr>(&hostAnswers.timeInfo) : 0;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(hostAnswers.sampleRate);
    case audioMasterGetBlockSize:
        return hostAnswers.blockSize;
    case audioMasterGetVendorString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), "Mirelow");
        return ptr ? 1 : 0;
    case audioMasterGetProductString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), "Mirelow test host");
        return ptr ? 1 : 0;
    case audioMasterUpdateDisplay:
        return 1;
    default:
        return 0;
    }
}

VstIntPtr Plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!aeffect)
        return 0;
    if (opcode == effClose)
        return close();
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

void Plugin::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (aeffect)
        aeffect->processReplacing(aeffect, inputs, outputs, frames);
}

void Plugin::process(float** inputs, float** outputs, VstInt32 frames) {
    if (aeffect)
        aeffect->process(aeffect, inputs, outputs, frames);
}

void Plugin::setParameter(VstInt32 index, float value) {
    if (aeffect)
        aeffect->setParameter(aeffect, index, value);
}

float Plugin::getParameter(VstInt32 index) {
    return aeffect ? aeffect->getParameter(aeffect, index) : 0.f;
}

std::vector<std::vector<float>> Plugin::render(const std::vector<std::vector<float>>& inputs,
                                               VstInt32 blockSize, float outputFill) {
    size_t frames = 0;
    for (const auto& ch : inputs)
        frames = std::max(frames, ch.size());
    const int nIn = std::max(numInputs(), 1);
    const int nOut = std::max(numOutputs(), 1);
    std::vector<std::vector<float>> in(static_cast<size_t>(nIn), std::vector<float>(frames, 0.f));
    for (size_t c = 0; c < inputs.size() && c < in.size(); ++c)
        std::copy(inputs[c].begin(), inputs[c].end(), in[c].begin());
    std::vector<std::vector<float>> out(static_cast<size_t>(nOut),
                                        std::vector<float>(frames, outputFill));
    std::vector<float*> inPtr(in.size()), outPtr(out.size());
    const size_t block = static_cast<size_t>(std::max(blockSize, 1));
    for (size_t pos = 0; pos < frames; pos += block) {
        const size_t n = std::min(block, frames - pos);
        for (size_t c = 0; c < in.size(); ++c)
            inPtr[c] = in[c].data() + pos;
        for (size_t c = 0; c < out.size(); ++c)
            outPtr[c] = out[c].data() + pos;
        processReplacing(inPtr.data(), outPtr.data(), static_cast<VstInt32>(n));
    }
    return out;
}

std::string Plugin::text(VstInt32 opcode, VstInt32 index) {
    // Far more room than the limits ask for: the plug-in's texts may be longer than hosts allow.
    char buf[512] = {};
    dispatch(opcode, index, 0, buf, 0.f);
    buf[sizeof(buf) - 1] = 0;
    return buf;
}

std::string Plugin::effectName() {
    return text(effGetEffectName, 0);
}
std::string Plugin::vendorString() {
    return text(effGetVendorString, 0);
}
std::string Plugin::productString() {
    return text(effGetProductString, 0);
}
std::string Plugin::programName() {
    return text(effGetProgramName, 0);
}
std::string Plugin::paramName(VstInt32 index) {
    return text(effGetParamName, index);
}
std::string Plugin::paramLabel(VstInt32 index) {
    return text(effGetParamLabel, index);
}
std::string Plugin::paramDisplay(VstInt32 index) {
    return text(effGetParamDisplay, index);
}

VstIntPtr Plugin::canDo(const std::string& what) {
    std::vector<char> buf(what.begin(), what.end());
    buf.push_back(0);
    return dispatch(effCanDo, 0, 0, buf.data(), 0.f);
}

Plugin::Pin Plugin::inputProperties(VstInt32 index) {
    Pin pin{};
    std::memset(&pin.properties, 0x55, sizeof(pin.properties));
    pin.answer = dispatch(effGetInputProperties, index, 0, &pin.properties, 0.f);
    return pin;
}

Plugin::Pin Plugin::outputProperties(VstInt32 index) {
    Pin pin{};
    std::memset(&pin.properties, 0x55, sizeof(pin.properties));
    pin.answer = dispatch(effGetOutputProperties, index, 0, &pin.properties, 0.f);
    return pin;
}

std::vector<uint8_t> Plugin::getChunk(bool isPreset) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data, 0.f);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr Plugin::setChunk(const std::vector<uint8_t>& data, bool isPreset) {
    std::vector<uint8_t> copy(data); // the plug-in may expect writable memory
    return dispatch(effSetChunk, isPreset ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data(), 0.f);
}

} // namespace vsthost
