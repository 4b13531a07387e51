// The Pro Tools host simulator: library loading, the open/close hand-over, instances and
// session files.
#include "PtSim.h"

#include "engine/ByteOrder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace {

// The open and close procedures a library hands over while it is being loaded.
struct OpenCloseProcs {
    PIOpenProc open = nullptr;
    PICloseProc close = nullptr;
};

std::mutex gLoadMutex;      // loads and unloads, never the audio path
OpenCloseProcs gHandedOver; // written by the hook during dlopen
std::map<void*, OpenCloseProcs> gProcsByLibrary;

} // namespace

// The host's export that the plug-in finds with dlsym at load.
extern "C" __attribute__((visibility("default"))) PIErr
SetPlugInOpenAndCloseProcs(PIOpenProc open, PICloseProc close) {
    gHandedOver = {open, close};
    return kPINoErr;
}

namespace ptsim {

namespace {

void putBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    out.resize(out.size() + 4);
    storeBigEndian32(v, out.data() + out.size() - 4);
}

uint32_t getBigEndian(const std::vector<uint8_t>& in, size_t& pos) {
    if (pos > in.size() || in.size() - pos < 4)
        throw Error("session file is cut short", kPIErr_BadChunk);
    const uint32_t v = loadBigEndian32(in.data() + pos);
    pos += 4;
    return v;
}

std::string errorText(const std::string& what, PIErr err) {
    return what + " (error " + std::to_string(err) + ")";
}

void splitNames(const std::string& names, std::string& first, std::string& second) {
    const size_t brk = names.find('\n');
    first = names.substr(0, brk);
    second = brk == std::string::npos ? std::string() : names.substr(brk + 1);
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', '|');
    return text;
}

} // namespace

std::string fourCCString(PIFourCC code) {
    return fourCharText(code);
}

PIFourCC parseFourCC(std::string_view text) {
    if (text.size() != 4)
        throw Error("a four-character code has four characters: '" + std::string(text) + "'",
                    kPIErr_BadArgument);
    return loadBigEndian32(reinterpret_cast<const unsigned char*>(text.data()));
}

// ---- The loaded library: entry points and routine table, shared by the instances.

class Module {
  public:
    explicit Module(const std::string& path) : mPath(path) {
        std::lock_guard<std::mutex> lock(gLoadMutex);
        gHandedOver = {};
        mHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!mHandle) {
            const char* why = dlerror();
            throw Error("cannot load " + path + ": " + (why ? why : "unknown reason"));
        }
        if (gHandedOver.open)
            gProcsByLibrary[mHandle] = gHandedOver;
        gHandedOver = {};
        if (auto it = gProcsByLibrary.find(mHandle); it != gProcsByLibrary.end())
            mProcs = it->second;
        winOpen = reinterpret_cast<PIWinPlugInOpenProc>(dlsym(mHandle, PI_EXPORT_WIN_PLUGIN_OPEN));
        winClose =
            reinterpret_cast<PIWinPlugInCloseProc>(dlsym(mHandle, PI_EXPORT_WIN_PLUGIN_CLOSE));
        newPlugIn = reinterpret_cast<PINewPlugInProc>(dlsym(mHandle, PI_EXPORT_NEW_PLUGIN));
        getDescriptor = reinterpret_cast<PIGetRoutineDescriptorProc>(
            dlsym(mHandle, PI_EXPORT_GET_ROUTINE_DESCRIPTOR));
        if (!winOpen || !winClose || !newPlugIn || !getDescriptor) {
            unloadLocked();
            throw Error(path + " is not a Pro Tools plug-in library: an entry point is missing");
        }
        if (const int16_t err = winOpen(kPIOpenVersion)) {
            unloadLocked();
            throw Error(errorText("the plug-in failed to open", err), err);
        }
        for (int32_t s = 0; s < kPIRoutine_FirstReserved; ++s) {
            if (getDescriptor(s, &routines[static_cast<size_t>(s)]) != kPINoErr ||
                !routines[static_cast<size_t>(s)]) {
                winClose();
                unloadLocked();
                throw Error("the plug-in has no routine " + std::to_string(s));
            }
        }
        int32_t version = 0;
        get<PIGetProtocolVersionProc>(kPIRoutine_GetProtocolVersion)(&version);
        if (version != kPIProtocolVersion) {
            winClose();
            unloadLocked();
            throw Error("the plug-in speaks protocol version " + std::to_string(version));
        }
    }

    ~Module() {
        std::lock_guard<std::mutex> lock(gLoadMutex);
        winClose();
        unloadLocked();
    }

    template <typename Proc> Proc get(int selector) const {
        return reinterpret_cast<Proc>(routines[static_cast<size_t>(selector)]);
    }

    const std::string mPath;
    void* mHandle = nullptr;
    OpenCloseProcs mProcs;
    PIWinPlugInOpenProc winOpen = nullptr;
    PIWinPlugInCloseProc winClose = nullptr;
    PINewPlugInProc newPlugIn = nullptr;
    PIGetRoutineDescriptorProc getDescriptor = nullptr;
    std::array<void*, kPIRoutine_FirstReserved> routines{};

  private:
    void unloadLocked() {
        if (!mHandle)
            return;
        // The library stays mapped while another PlugIn holds it; the hand-over is forgotten
        // only when it really goes.
        void* handle = mHandle;
        dlclose(handle);
        mHandle = nullptr;
        void* again = dlopen(mPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (again)
            dlclose(again);
        else
            gProcsByLibrary.erase(handle);
    }
};

// ---- PlugIn

PlugIn::PlugIn(const std::string& path) : mModule(std::make_shared<Module>(path)) {
    if (PIErr err = mModule->get<PIGetGroupInfoProc>(kPIRoutine_GetGroupInfo)(&mGroup))
        throw Error(errorText("the plug-in describes no group", err), err);
    for (int32_t i = 0; i < mGroup.numTypes; ++i) {
        PITypeInfo type{};
        if (PIErr err = mModule->get<PIGetTypeInfoProc>(kPIRoutine_GetTypeInfo)(i, &type))
            throw Error(
                errorText("the plug-in does not describe its type " + std::to_string(i), err), err);
        mTypes.push_back(type);
    }
}

PlugIn::~PlugIn() = default;

std::string PlugIn::defaultPath() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        // The simulator sits in <build>/tools/ptsim with the plug-in in <build>, or installed in
        // <prefix>/bin with the plug-in in <prefix>/lib/protools.
        for (fs::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path();
             dir = dir.parent_path()) {
            if (fs::exists(dir / "wendle.so", ec))
                return (dir / "wendle.so").string();
            if (fs::exists(dir / "lib/protools/wendle.so", ec))
                return (dir / "lib/protools/wendle.so").string();
        }
    }
    return "build/wendle.so";
}

const std::string& PlugIn::path() const {
    return mModule->mPath;
}

bool PlugIn::groupGestalt(int32_t selector) const {
    int32_t value = 0;
    return mModule->get<PIGetGroupGestaltProc>(kPIRoutine_GetGroupGestalt)(selector, &value) ==
               kPINoErr &&
           value != 0;
}

bool PlugIn::typeGestalt(int typeIndex, int32_t selector) const {
    int32_t value = 0;
    return mModule->get<PIGetTypeGestaltProc>(kPIRoutine_GetTypeGestalt)(typeIndex, selector,
                                                                         &value) == kPINoErr &&
           value != 0;
}

int PlugIn::typeIndexForChannels(int channels) const {
    for (size_t i = 0; i < mTypes.size(); ++i)
        if (mTypes[i].numInputs == channels && mTypes[i].numOutputs == channels)
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<Instance> PlugIn::createInstance(int channels, double sampleRate) {
    const int typeIndex = typeIndexForChannels(channels);
    if (typeIndex < 0)
        throw Error("the plug-in has no effect type with " + std::to_string(channels) + " channels",
                    kPIErr_BadStemFormat);
    return createInstanceOfType(typeIndex, sampleRate);
}

std::unique_ptr<Instance> PlugIn::createInstanceOfType(int typeIndex, double sampleRate) {
    if (typeIndex < 0 || typeIndex >= static_cast<int>(mTypes.size()))
        throw Error("no effect type " + std::to_string(typeIndex), kPIErr_BadIndex);
    return std::unique_ptr<Instance>(
        new Instance(mModule, typeIndex, mTypes[static_cast<size_t>(typeIndex)], sampleRate));
}

PIErr PlugIn::getRoutineDescriptor(int32_t selector, void** routine) const {
    return mModule->getDescriptor(selector, routine);
}

int16_t PlugIn::winPlugInOpen(int32_t version) const {
    return mModule->winOpen(version);
}
int16_t PlugIn::winPlugInClose() const {
    return mModule->winClose();
}
PIErr PlugIn::newPlugIn() const {
    return mModule->newPlugIn(nullptr);
}
bool PlugIn::openAndCloseProcsHandedOver() const {
    return mModule->mProcs.open != nullptr;
}
PIOpenProc PlugIn::openProc() const {
    return mModule->mProcs.open;
}
PICloseProc PlugIn::closeProc() const {
    return mModule->mProcs.close;
}

std::string PlugIn::describe() const {
    std::ostringstream out;
    out << "library        " << path() << "\n";
    out << "plug-in names  " << oneLine(mGroup.plugInNames) << "\n";
    out << "manufacturer   " << oneLine(mGroup.manufacturerNames) << " ("
        << fourCCString(mGroup.manufacturerID) << ")\n";
    out << "version        " << mGroup.version << "\n";
    out << "default view   " << mGroup.defaultView << "\n";
    out << "group gestalts";
    for (int32_t s = 0; s < 64; ++s)
        if (groupGestalt(s))
            out << " " << s;
    out << "\n";
    for (size_t i = 0; i < mTypes.size(); ++i) {
        const PITypeInfo& t = mTypes[i];
        out << "effect type " << i << "  " << fourCCString(t.typeID) << "  product "
            << fourCCString(t.productID) << "  " << (t.kind == kPIType_RTAS ? "RTAS" : "other")
            << "  stem formats " << t.inStemFormat << "/" << t.outStemFormat << " (" << t.numInputs
            << " in, " << t.numOutputs << " out)  attributes " << t.attributes << "\n";
        out << "    names " << oneLine(t.names) << "  page tables " << t.pageTableName
            << "  gestalts";
        for (int32_t s = 0; s < 64; ++s)
            if (typeGestalt(static_cast<int>(i), s))
                out << " " << s;
        out << "\n";
    }
    return out.str();
}

// ---- Instance

Instance::Instance(std::shared_ptr<Module> module, int typeIndex, const PITypeInfo& type,
                   double sampleRate)
    : mModule(std::move(module)), mType(type), mChannels(type.numInputs), mSampleRate(sampleRate) {
    mTempoInterface = {2, this, &Instance::deliverTempo};
    if (PIErr err =
            mModule->get<PICreateInstanceProc>(kPIRoutine_CreateInstance)(typeIndex, &mHandle))
        throw Error(errorText("the plug-in cannot create an instance", err), err);
    if (PIErr err = mModule->get<PIInitializeProc>(kPIRoutine_Initialize)(
            mHandle, type.inStemFormat, sampleRate, &mTempoInterface)) {
        mModule->get<PIDestroyInstanceProc>(kPIRoutine_DestroyInstance)(mHandle);
        throw Error(errorText("the plug-in cannot initialise an instance", err), err);
    }
    mAutomationInterface = {this, &Instance::automationTouch, &Instance::automationValue,
                            &Instance::automationRelease, &Instance::automationNote};
    setAutomation(true);
    int32_t count = 0;
    mModule->get<PIGetCountProc>(kPIRoutine_GetNumControls)(mHandle, &count);
    for (int32_t i = 1; i <= count; ++i) {
        PIControlInfo info{};
        if (mModule->get<PIGetControlInfoProc>(kPIRoutine_GetControlInfo)(mHandle, i, &info))
            continue;
        ControlDesc c;
        c.index = i;
        c.id = info.id;
        splitNames(std::string(info.names, strnlen(info.names, sizeof info.names)), c.longName,
                   c.shortName);
        c.kind = info.kind;
        c.minimum = info.minimum;
        c.maximum = info.maximum;
        c.step = info.step;
        c.defaultValue = info.defaultValue;
        c.numSteps = info.numSteps;
        c.defaultControlValue = info.defaultControlValue;
        c.automatable = info.automatable != 0;
        c.masterBypass = info.isMasterBypass != 0;
        mControls.push_back(c);
    }
}

Instance::~Instance() {
    if (mHandle)
        mModule->get<PIDestroyInstanceProc>(kPIRoutine_DestroyInstance)(mHandle);
}

PIErr Instance::deliverTempo(void* context, double* beatsPerMinute) {
    *beatsPerMinute = static_cast<Instance*>(context)->mTempo;
    return kPINoErr;
}

int Instance::controlIndex(std::string_view name) const {
    for (const ControlDesc& c : mControls)
        if (c.longName == name || c.shortName == name || fourCCString(c.id) == name)
            return c.index;
    return 0;
}

int Instance::requireControl(std::string_view name) const {
    const int index = controlIndex(name);
    if (index == 0)
        throw Error("no control named '" + std::string(name) + "'", kPIErr_BadIndex);
    return index;
}

PIErr Instance::setControl(int index, int32_t value) {
    return mModule->get<PISetControlProc>(kPIRoutine_SetControl)(mHandle, index, value);
}

int32_t Instance::control(int index) const {
    int32_t value = 0;
    mModule->get<PIGetControlProc>(kPIRoutine_GetControl)(mHandle, index, &value);
    return value;
}

PIErr Instance::setControlNormalised(int index, double normalised) {
    const double n = std::isnan(normalised) ? 0.0 : std::clamp(normalised, 0.0, 1.0);
    return setControl(index, static_cast<int32_t>(std::llround(n * 4294967295.0 - 2147483648.0)));
}

PIErr Instance::setControlUnits(int index, double units) {
    if (index < 1 || index > static_cast<int>(mControls.size()))
        return kPIErr_BadIndex;
    const ControlDesc& c = mControls[static_cast<size_t>(index - 1)];
    if (!(c.maximum > c.minimum))
        return kPIErr_BadArgument;
    if (c.kind == kPIControl_OnOff)
        return setControlNormalised(index, units >= 0.5 ? 1.0 : 0.0);
    if (c.kind == kPIControl_Discrete) {
        // Set the step through the plug-in's own snapping: a value at the step's even position.
        const double steps = c.numSteps > 1 ? c.numSteps - 1 : 1;
        const double step = std::clamp(std::round(units - c.minimum), 0.0, steps);
        return setControlNormalised(index, step / steps);
    }
    return setControlNormalised(index, (units - c.minimum) / (c.maximum - c.minimum));
}

PIErr Instance::setControlUnits(std::string_view name, double units) {
    return setControlUnits(requireControl(name), units);
}

double Instance::controlUnits(int index) const {
    if (index < 1 || index > static_cast<int>(mControls.size()))
        return 0.0;
    const ControlDesc& c = mControls[static_cast<size_t>(index - 1)];
    const double n = (static_cast<double>(control(index)) + 2147483648.0) / 4294967295.0;
    if (c.kind == kPIControl_OnOff)
        return control(index) >= 0 ? 1.0 : 0.0;
    if (c.kind == kPIControl_Discrete)
        return c.minimum + std::round(n * (c.numSteps - 1));
    return c.minimum + n * (c.maximum - c.minimum);
}

std::string Instance::controlText(int index) const {
    return controlText(index, control(index));
}

std::string Instance::controlText(int index, int32_t value) const {
    char text[128] = {};
    mModule->get<PIGetControlTextProc>(kPIRoutine_GetControlText)(mHandle, index, value, text,
                                                                  sizeof text);
    return text;
}

std::string Instance::algorithmText(int index) const {
    char text[128] = {};
    mModule->get<PIGetAlgorithmTextProc>(kPIRoutine_GetAlgorithmText)(mHandle, index, text,
                                                                      sizeof text);
    return text;
}

float Instance::algorithmValue(int index) const {
    float value = 0.0f;
    mModule->get<PIGetAlgorithmValueProc>(kPIRoutine_GetAlgorithmValue)(mHandle, index, &value);
    return value;
}

PIErr Instance::render(float** inputs, float** outputs, int32_t frames) {
    return mModule->get<PIRenderProc>(kPIRoutine_Render)(mHandle, inputs, outputs, frames);
}

PIErr Instance::render(float** inputs, float** outputs, int32_t frames, double beatsPerMinute) {
    mTempo = beatsPerMinute;
    return render(inputs, outputs, frames);
}

Meters Instance::meters() {
    Meters m;
    m.values.assign(static_cast<size_t>(mChannels), 0);
    m.clips.assign(static_cast<size_t>(mChannels), 0);
    mModule->get<PIGetMetersProc>(kPIRoutine_GetMeters)(mHandle, m.values.data(), m.clips.data(),
                                                        mChannels);
    return m;
}

int32_t Instance::latency() const {
    int32_t samples = 0;
    mModule->get<PIGetLatencyProc>(kPIRoutine_GetLatency)(mHandle, &samples);
    return samples;
}

PIViewInfo Instance::view() const {
    PIViewInfo info{};
    mModule->get<PIGetViewProc>(kPIRoutine_GetView)(mHandle, &info);
    return info;
}

PIErr Instance::viewRect(PIViewRect& rect) const {
    return mModule->get<PIGetViewRectProc>(kPIRoutine_GetViewRect)(mHandle, &rect);
}

PIErr Instance::setViewRect(const PIViewRect& rect) {
    return mModule->get<PISetViewRectProc>(kPIRoutine_SetViewRect)(mHandle, &rect);
}

PIErr Instance::openView(uint64_t parentWindow) {
    return mModule->get<PIOpenViewProc>(kPIRoutine_OpenView)(mHandle, parentWindow);
}

PIErr Instance::openViewOffscreen() {
    return mModule->get<PIViewProc>(kPIRoutine_OpenViewOffscreen)(mHandle);
}

PIErr Instance::closeView() {
    return mModule->get<PIViewProc>(kPIRoutine_CloseView)(mHandle);
}

PIErr Instance::idleView() {
    return mModule->get<PIViewProc>(kPIRoutine_IdleView)(mHandle);
}

PIErr Instance::drawView(const PIViewRect& rect) {
    return mModule->get<PIDrawViewProc>(kPIRoutine_DrawView)(mHandle, &rect);
}

PIErr Instance::setControlHighlight(int control, bool highlighted, int32_t colour) {
    return mModule->get<PISetControlHighlightProc>(kPIRoutine_SetControlHighlight)(
        mHandle, control, highlighted ? 1 : 0, colour);
}

PIErr Instance::controlAtPoint(int x, int y, int32_t* control) const {
    return mModule->get<PIGetControlAtPointProc>(kPIRoutine_GetControlAtPoint)(mHandle, x, y,
                                                                               control);
}

Picture Instance::viewPicture() const {
    Picture picture;
    PIViewRect rect{};
    if (viewRect(rect) != kPINoErr)
        return picture;
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0)
        return picture;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    PIViewPicture out{w, h, 4 * w, pixels.data()};
    if (mModule->get<PIGetViewPictureProc>(kPIRoutine_GetViewPicture)(mHandle, &out) != kPINoErr)
        return picture;
    picture.width = out.width;
    picture.height = out.height;
    picture.pixels = std::move(pixels);
    return picture;
}

const char* automationKindName(AutomationEvent::Kind kind) {
    switch (kind) {
    case AutomationEvent::Kind::Touch:
        return "touch";
    case AutomationEvent::Kind::Value:
        return "value";
    case AutomationEvent::Kind::Release:
        return "release";
    case AutomationEvent::Kind::Note:
        return "note";
    }
    return "?";
}

void Instance::setAutomation(bool on) {
    mModule->get<PISetAutomationInterfaceProc>(kPIRoutine_SetAutomationInterface)(
        mHandle, on ? &mAutomationInterface : nullptr);
}

std::vector<AutomationEvent> Instance::automation() const {
    std::lock_guard<std::mutex> lock(mAutomationMutex);
    return mLane;
}

void Instance::clearAutomation() {
    std::lock_guard<std::mutex> lock(mAutomationMutex);
    mLane.clear();
}

void Instance::onAutomation(std::function<void(const AutomationEvent&)> listener) {
    std::lock_guard<std::mutex> lock(mAutomationMutex);
    mListener = std::move(listener);
}

void Instance::record(const AutomationEvent& event) {
    std::function<void(const AutomationEvent&)> listener;
    {
        std::lock_guard<std::mutex> lock(mAutomationMutex);
        mLane.push_back(event);
        listener = mListener;
    }
    if (listener)
        listener(event);
}

PIErr Instance::automationTouch(void* context, PIInstance*, int32_t control) {
    static_cast<Instance*>(context)->record({AutomationEvent::Kind::Touch, control, 0});
    return kPINoErr;
}

PIErr Instance::automationValue(void* context, PIInstance*, int32_t control, int32_t value) {
    auto* self = static_cast<Instance*>(context);
    // The lane plays the value back into the control and keeps what the control took.
    const PIErr err = self->setControl(control, value);
    self->record({AutomationEvent::Kind::Value, control, err ? value : self->control(control)});
    return err;
}

PIErr Instance::automationRelease(void* context, PIInstance*, int32_t control) {
    static_cast<Instance*>(context)->record({AutomationEvent::Kind::Release, control, 0});
    return kPINoErr;
}

PIErr Instance::automationNote(void* context, PIInstance*, int32_t control) {
    static_cast<Instance*>(context)->record({AutomationEvent::Kind::Note, control, 0});
    return kPINoErr;
}

std::vector<ChunkDesc> Instance::chunks() const {
    std::vector<ChunkDesc> list;
    int32_t count = 0;
    mModule->get<PIGetCountProc>(kPIRoutine_GetNumChunks)(mHandle, &count);
    for (int32_t i = 0; i < count; ++i) {
        PIChunkInfo info{};
        if (mModule->get<PIGetChunkInfoProc>(kPIRoutine_GetChunkInfo)(mHandle, i, &info) ==
            kPINoErr)
            list.push_back({info.id, std::string(info.name, strnlen(info.name, sizeof info.name))});
    }
    return list;
}

std::vector<uint8_t> Instance::chunk(PIFourCC id) const {
    int32_t size = 0;
    if (PIErr err = mModule->get<PIGetChunkSizeProc>(kPIRoutine_GetChunkSize)(mHandle, id, &size))
        throw Error(errorText("no size for chunk " + fourCCString(id), err), err);
    if (size < static_cast<int32_t>(sizeof(PIChunkHeader)))
        throw Error("chunk " + fourCCString(id) + " is smaller than its header", kPIErr_BadChunk);
    std::vector<uint8_t> record(static_cast<size_t>(size));
    auto* header = reinterpret_cast<PIChunkHeader*>(record.data());
    if (PIErr err = mModule->get<PIGetChunkProc>(kPIRoutine_GetChunk)(mHandle, id, header, size))
        throw Error(errorText("the plug-in refuses chunk " + fourCCString(id), err), err);
    return record;
}

PIErr Instance::setChunk(PIFourCC id, const void* record, size_t length) {
    if (length > static_cast<size_t>(INT32_MAX))
        return kPIErr_BadChunk;
    return mModule->get<PISetChunkProc>(kPIRoutine_SetChunk)(
        mHandle, id, static_cast<const PIChunkHeader*>(record), static_cast<int32_t>(length));
}

SessionState Instance::saveState() const {
    SessionState state;
    state.typeID = mType.typeID;
    for (const ChunkDesc& c : chunks())
        state.chunks.push_back({c.id, chunk(c.id)});
    return state;
}

PIErr Instance::restoreState(const SessionState& state) {
    for (const SessionState::Chunk& c : state.chunks)
        if (PIErr err = setChunk(c.id, c.record.data(), c.record.size()))
            return err;
    return kPINoErr;
}

std::string Instance::describeControls() const {
    std::ostringstream out;
    for (const ControlDesc& c : mControls) {
        static const char* const kinds[] = {"?", "on/off", "linear", "gain", "discrete"};
        const char* kind = c.kind >= 1 && c.kind <= 4 ? kinds[c.kind] : kinds[0];
        char line[512];
        std::snprintf(line, sizeof line,
                      "%2d %s %-14s %-4s %-9s %8g ... %-8g step %-5g default %-8g value %-11d "
                      "%-10s effect %s%s\n",
                      c.index, fourCCString(c.id).c_str(), c.longName.c_str(), c.shortName.c_str(),
                      kind, c.minimum, c.maximum, c.step, c.defaultValue, control(c.index),
                      controlText(c.index).c_str(), algorithmText(c.index).c_str(),
                      c.masterBypass ? "  (master bypass)" : "");
        out << line;
    }
    return out.str();
}

// ---- Session files

namespace {
constexpr uint32_t kSessionMagic = 0x50545353; // "PTSS"
constexpr uint32_t kSessionVersion = 1;
constexpr uint32_t kMaxSessionChunks = 1024;
constexpr uint32_t kMaxChunkBytes = 64u << 20;
} // namespace

std::vector<uint8_t> encodeSession(const SessionState& state) {
    std::vector<uint8_t> bytes;
    putBigEndian(bytes, kSessionMagic);
    putBigEndian(bytes, kSessionVersion);
    putBigEndian(bytes, state.typeID);
    putBigEndian(bytes, static_cast<uint32_t>(state.chunks.size()));
    for (const SessionState::Chunk& c : state.chunks) {
        putBigEndian(bytes, c.id);
        putBigEndian(bytes, static_cast<uint32_t>(c.record.size()));
        bytes.insert(bytes.end(), c.record.begin(), c.record.end());
    }
    return bytes;
}

SessionState decodeSession(const std::vector<uint8_t>& bytes) {
    size_t pos = 0;
    if (getBigEndian(bytes, pos) != kSessionMagic)
        throw Error("not a session", kPIErr_BadChunk);
    if (getBigEndian(bytes, pos) != kSessionVersion)
        throw Error("unknown session version", kPIErr_BadChunk);
    SessionState state;
    state.typeID = getBigEndian(bytes, pos);
    const uint32_t count = getBigEndian(bytes, pos);
    if (count > kMaxSessionChunks)
        throw Error("too many chunks", kPIErr_BadChunk);
    for (uint32_t i = 0; i < count; ++i) {
        SessionState::Chunk c;
        c.id = getBigEndian(bytes, pos);
        const uint32_t length = getBigEndian(bytes, pos);
        if (length > kMaxChunkBytes || length > bytes.size() - pos)
            throw Error("chunk " + fourCCString(c.id) + " is cut short", kPIErr_BadChunk);
        c.record.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                        bytes.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
        state.chunks.push_back(std::move(c));
    }
    if (pos != bytes.size())
        throw Error("trailing bytes after the last chunk", kPIErr_BadChunk);
    return state;
}

void writeSession(const std::string& path, const SessionState& state) {
    const std::vector<uint8_t> bytes = encodeSession(state);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw Error("cannot write session file " + path);
}

SessionState readSession(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("cannot read session file " + path);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    try {
        return decodeSession(bytes);
    } catch (const Error& e) {
        throw Error(path + ": " + e.what(), kPIErr_BadChunk);
    }
}

} // namespace ptsim
