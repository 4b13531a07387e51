// The Pro Tools host simulator: loads a plug-in library (build/wendle.so) the way the host does,
// through its entry points and routine table (PlugInLibrary/PlugInProtocol.h), and drives its
// instances: controls as 32-bit values, rendering with a tempo, meters, chunks and whole saved
// sessions. Tests, the renderer and the `ptsim` command use it.
//
//   ptsim::PlugIn plugin(ptsim::PlugIn::defaultPath());
//   auto fx = plugin.createInstance(2, 44100.0);          // stereo
//   fx->setControlUnits("depth", 1.5);                     // in the control's own units
//   fx->render(in, out, 512, 120.0);                       // any block size, tempo in bpm
//   ptsim::writeSession("a.ptss", fx->saveState());
//
// Errors in loading, creating and reading files throw ptsim::Error; the calls that mirror a
// routine answer its PIErr. Render is real-time safe (no allocation, no lock, nothing thrown).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "PlugInLibrary/PlugInProtocol.h"

namespace ptsim {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& what, PIErr code = kPIErr_Unsupported)
        : std::runtime_error(what), code(code) {}
    PIErr code;
};

// "MRLW" for fourCharCode("MRLW"); and back (exactly four characters, else throws Error).
std::string fourCCString(PIFourCC code);
PIFourCC parseFourCC(std::string_view text);

struct ControlDesc {
    int index = 0; // from 1
    PIFourCC id = 0;
    std::string longName, shortName;
    int kind = 0; // kPIControl_...
    double minimum = 0, maximum = 0, step = 0, defaultValue = 0;
    int numSteps = 0;
    int32_t defaultControlValue = 0;
    bool automatable = false;
    bool masterBypass = false;
};

struct ChunkDesc {
    PIFourCC id = 0;
    std::string name;
};

struct Meters {
    std::vector<int32_t> values; // per channel: 0 ... 2^31 - 1, or -1 when clipping
    std::vector<int32_t> clips;  // per channel: 1 when clipping
};

// What the automation lane of a control recorded of an edit in the plug-in's view.
struct AutomationEvent {
    enum class Kind { Touch, Value, Release, Note };
    Kind kind = Kind::Value;
    int control = 0;
    int32_t value = 0; // the 32-bit value (Value)
};
const char* automationKindName(AutomationEvent::Kind kind); // "touch", "value", "release", "note"

// A view's picture: 0x00RRGGBB pixels, rows top to bottom.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height
                   ? pixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                            static_cast<size_t>(x)]
                   : 0;
    }
};

// A session's complete state of one instance: every chunk it declares, in its order (the
// controls chunk first, then the plug-in's own).
struct SessionState {
    PIFourCC typeID = 0;
    struct Chunk {
        PIFourCC id = 0;
        std::vector<uint8_t> record; // the whole chunk record, header included
    };
    std::vector<Chunk> chunks;
};

// Session files: "PTSS", version 1, type ID, chunk count, then per chunk its ID, length and
// record; all words big-endian. decodeSession and readSession throw Error on bytes that are not
// a session, are cut short or hold more than they say.
std::vector<uint8_t> encodeSession(const SessionState& state);
SessionState decodeSession(const std::vector<uint8_t>& bytes);
void writeSession(const std::string& path, const SessionState& state);
SessionState readSession(const std::string& path);

class Module;
class Instance;

class PlugIn {
  public:
    // dlopen, then WinPlugInOpen(73) and the group's description. Throws Error.
    explicit PlugIn(const std::string& path);
    ~PlugIn();
    PlugIn(const PlugIn&) = delete;
    PlugIn& operator=(const PlugIn&) = delete;

    // wendle.so in the build tree that holds the running program (or lib/protools/wendle.so of
    // its install prefix), else ./build/wendle.so.
    static std::string defaultPath();

    const std::string& path() const;
    const PIGroupInfo& group() const { return mGroup; }
    const std::vector<PITypeInfo>& types() const { return mTypes; }
    bool groupGestalt(int32_t selector) const;
    bool typeGestalt(int typeIndex, int32_t selector) const;
    // The type whose stem format has that many channels, or -1.
    int typeIndexForChannels(int channels) const;

    // A new instance, initialised with the type's stem format and the sample rate. Throws Error.
    std::unique_ptr<Instance> createInstance(int channels, double sampleRate = 44100.0);
    std::unique_ptr<Instance> createInstanceOfType(int typeIndex, double sampleRate = 44100.0);

    // The raw entry points, for tests of the library's own answers.
    PIErr getRoutineDescriptor(int32_t selector, void** routine) const;
    int16_t winPlugInOpen(int32_t version) const;
    int16_t winPlugInClose() const;
    PIErr newPlugIn() const;
    // Whether the library handed its open and close procedures to this host at load.
    bool openAndCloseProcsHandedOver() const;
    PIOpenProc openProc() const;
    PICloseProc closeProc() const;

    // A text listing of what the plug-in declares (names, manufacturer, types, gestalts).
    std::string describe() const;

  private:
    std::shared_ptr<Module> mModule;
    PIGroupInfo mGroup{};
    std::vector<PITypeInfo> mTypes;
};

class Instance {
  public:
    ~Instance(); // destroys the plug-in's instance
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    int channels() const { return mChannels; }
    double sampleRate() const { return mSampleRate; }
    const PITypeInfo& type() const { return mType; }
    PIInstance* handle() const { return mHandle; }

    // Controls, numbered from 1.
    const std::vector<ControlDesc>& controls() const { return mControls; }
    // By long or short name (as the control's names give them) or four-character ID; 0 if none.
    int controlIndex(std::string_view name) const;
    // Like controlIndex, but throws Error for an unknown name.
    int requireControl(std::string_view name) const;
    PIErr setControl(int index, int32_t value);
    int32_t control(int index) const; // 0 for a bad index
    // Normalised 0 ... 1 (clamped) or the control's own units (dB, steps, 1/0 for on/off).
    PIErr setControlNormalised(int index, double normalised);
    PIErr setControlUnits(int index, double units);
    PIErr setControlUnits(std::string_view name, double units);
    double controlUnits(int index) const;
    std::string controlText(int index) const;   // the control's own text of its value
    std::string algorithmText(int index) const; // what the effect shows ("3.00 dB")
    float algorithmValue(int index) const;      // the effect's normalised parameter value
    // The text the control would show for `value`.
    std::string controlText(int index, int32_t value) const;

    // The host tempo the next renders deliver, and the level of the tempo interface (2 and
    // above deliver; below, the plug-in keeps its last tempo).
    void setTempo(double beatsPerMinute) { mTempo = beatsPerMinute; }
    void setTempoLevel(int32_t level) { mTempoInterface.level = level; }
    // One block of any length; one buffer per channel. Audio thread.
    PIErr render(float** inputs, float** outputs, int32_t frames);
    PIErr render(float** inputs, float** outputs, int32_t frames, double beatsPerMinute);

    Meters meters();
    int32_t latency() const;
    // The view request; the first one makes the plug-in's own view, when it has one.
    PIViewInfo view() const;

    // ---- The plug-in's view, driven as the host's user-interface thread does.
    PIErr viewRect(PIViewRect& rect) const;
    PIErr setViewRect(const PIViewRect& rect);
    // In an X11 window of the host (see HostWindow), or drawn into memory only.
    PIErr openView(uint64_t parentWindow);
    PIErr openViewOffscreen();
    PIErr closeView();
    PIErr idleView();
    PIErr drawView(const PIViewRect& rect);
    PIErr setControlHighlight(int control, bool highlighted, int32_t colour);
    PIErr controlAtPoint(int x, int y, int32_t* control) const;
    // The open view's picture as last painted; empty when there is none.
    Picture viewPicture() const;

    // ---- Automation. Every instance is given the simulator's automation interface: an edit in
    // the view is recorded as a lane would record it and a value is set back on the control at
    // once (SetControl), which is how it reaches the effect and the view. Without the interface
    // (setAutomation(false)) the plug-in sets its controls itself.
    void setAutomation(bool on);
    std::vector<AutomationEvent> automation() const;
    void clearAutomation();
    // Called (on the user-interface thread) for every event as it is recorded.
    void onAutomation(std::function<void(const AutomationEvent&)> listener);

    std::vector<ChunkDesc> chunks() const;
    // The chunk's record (header included); throws Error when the plug-in refuses.
    std::vector<uint8_t> chunk(PIFourCC id) const;
    PIErr setChunk(PIFourCC id, const void* record, size_t length);

    // Every declared chunk; restore sets them in the stored order (controls first, then the
    // curves) and stops at the first refusal, answering its error.
    SessionState saveState() const;
    PIErr restoreState(const SessionState& state);

    // A listing of the controls with their values and texts.
    std::string describeControls() const;

  private:
    friend class PlugIn;
    Instance(std::shared_ptr<Module> module, int typeIndex, const PITypeInfo& type,
             double sampleRate);
    static PIErr deliverTempo(void* context, double* beatsPerMinute);
    void record(const AutomationEvent& event);
    static PIErr automationTouch(void* context, PIInstance* instance, int32_t control);
    static PIErr automationValue(void* context, PIInstance* instance, int32_t control,
                                 int32_t value);
    static PIErr automationRelease(void* context, PIInstance* instance, int32_t control);
    static PIErr automationNote(void* context, PIInstance* instance, int32_t control);

    std::shared_ptr<Module> mModule;
    PIInstance* mHandle = nullptr;
    PITypeInfo mType{};
    int mChannels = 0;
    double mSampleRate = 0;
    double mTempo = 120.0;
    PITempoInterface mTempoInterface{};
    std::vector<ControlDesc> mControls;
    PIAutomationInterface mAutomationInterface{};
    mutable std::mutex mAutomationMutex; // the lane, never the audio path
    std::vector<AutomationEvent> mLane;
    std::function<void(const AutomationEvent&)> mListener;
};

} // namespace ptsim
