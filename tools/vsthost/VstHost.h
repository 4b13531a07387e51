// A small VST 2.4 host for tests, benchmarks and the renderer: loads a plug-in shared object,
// drives it through its AEffect record, and answers its host calls from settable values.
#pragma once

#include "vst/VstAbi.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vsthost {

// Loading failed: file missing or not loadable, no entry point, or the entry gave no effect.
class LoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the host answers when the plug-in asks. Tests change these between calls.
struct HostAnswers {
    VstIntPtr version = 2400; // audioMasterVersion; 0 makes a plug-in refuse to start
    // audioMasterPinConnected: pin i connected (the host answers 0) or not (answers 1).
    std::array<bool, 8> inputConnected = {true, true, true, true, true, true, true, true};
    std::array<bool, 8> outputConnected = {true, true, true, true, true, true, true, true};
    // audioMasterGetTime: &timeInfo when timeInfoValid, else null.
    bool timeInfoValid = false;
    VstTimeInfo timeInfo{};
    float sampleRate = 44100.f; // audioMasterGetSampleRate
    VstInt32 blockSize = 512;   // audioMasterGetBlockSize
};

// A host call the plug-in made that a test may want to see.
enum class HostEventKind { Automate, BeginEdit, EndEdit, SizeWindow };
struct HostEvent {
    HostEventKind kind;
    VstInt32 index; // parameter index, or width for SizeWindow
    float value;    // automated value, or height for SizeWindow
};

class Plugin {
  public:
    using EntryProc = AEffect* (*)(audioMasterCallback);

    // Loads path and calls its VSTPluginMain (else main) with this host's callback.
    // Throws LoadError with the reason.
    explicit Plugin(const std::string& path, const HostAnswers& answers = {});
    // An effect linked into this program: `entry` is called as a plug-in's VSTPluginMain would
    // be; `name` stands where the path would. Throws LoadError.
    Plugin(EntryProc entry, const std::string& name, const HostAnswers& answers = {});
    ~Plugin(); // effClose when still open, then unloads

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    AEffect* effect() { return aeffect; } // null after close()
    bool isOpen() const { return aeffect != nullptr; }
    HostAnswers& answers() { return hostAnswers; }
    const std::string& path() const { return libraryPath; }

    // Host calls seen so far (automation and edit gestures, window size requests).
    const std::vector<HostEvent>& events() const { return hostEvents; }
    void clearEvents() { hostEvents.clear(); }
    // Number of audioMasterPinConnected queries so far.
    long pinQueries() const { return pinQueryCount; }

    // Raw access. Dispatch answers 0 once the effect is closed.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.f);
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);
    void process(float** inputs, float** outputs, VstInt32 frames);
    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);

    // effClose: the plug-in destroys its object; effect() is null afterwards. Answers effClose's
    // result.
    VstIntPtr close();

    // Runs planar input through processReplacing in blocks of blockSize frames (the last block
    // may be shorter) and returns numOutputs planar outputs of the same length. Output buffers
    // start as outputFill, so that untouched outputs can be recognised. Missing input channels
    // read as silence.
    std::vector<std::vector<float>> render(const std::vector<std::vector<float>>& inputs,
                                           VstInt32 blockSize, float outputFill = 0.f);

    // Texts (empty when the plug-in gives none).
    std::string effectName();
    std::string vendorString();
    std::string productString();
    std::string programName();
    std::string paramName(VstInt32 index);
    std::string paramLabel(VstInt32 index);
    std::string paramDisplay(VstInt32 index);
    VstIntPtr canDo(const std::string& text);

    // Pins: the record as the plug-in filled it (pre-filled with 0x55 bytes) and its answer.
    struct Pin {
        VstIntPtr answer;
        VstPinProperties properties;
    };
    Pin inputProperties(VstInt32 index);
    Pin outputProperties(VstInt32 index);

    // Chunks: isPreset false = bank (index 0), true = current program (index 1).
    std::vector<uint8_t> getChunk(bool isPreset);
    VstIntPtr setChunk(const std::vector<uint8_t>& data, bool isPreset);

    // Record fields.
    VstInt32 uniqueId() const { return aeffect ? aeffect->uniqueID : 0; }
    VstInt32 flags() const { return aeffect ? aeffect->flags : 0; }
    VstInt32 numInputs() const { return aeffect ? aeffect->numInputs : 0; }
    VstInt32 numOutputs() const { return aeffect ? aeffect->numOutputs : 0; }
    VstInt32 numPrograms() const { return aeffect ? aeffect->numPrograms : 0; }
    VstInt32 numParams() const { return aeffect ? aeffect->numParams : 0; }
    VstInt32 initialDelay() const { return aeffect ? aeffect->initialDelay : 0; }

  private:
    // Calls the entry and checks the record it gives; unloads and throws LoadError on failure.
    void enter(EntryProc entry);
    static VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                  void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    std::string text(VstInt32 opcode, VstInt32 index);

    std::string libraryPath;
    void* library = nullptr;
    AEffect* aeffect = nullptr;
    HostAnswers hostAnswers;
    std::vector<HostEvent> hostEvents;
    long pinQueryCount = 0;
};

} // namespace vsthost
