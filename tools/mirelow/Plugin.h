// What the renderer needs of a loaded plug-in, whatever its format: identity, parameters,
// programs, chunks and block processing. VstPlugin (VST 2.4 through the host harness) and
// ProToolsPlugin (through the Pro Tools simulator) implement it.
#pragma once

#include "ParamUnits.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mirelow {

class Plugin {
  public:
    virtual ~Plugin() = default;

    virtual std::string format() const = 0; // "VST 2.4", "Pro Tools (simulated RTAS)"
    virtual std::string path() const = 0;
    virtual std::string effectName() = 0;
    virtual std::string vendor() = 0;
    virtual std::string product() = 0;
    virtual int32_t uniqueId() = 0;
    virtual int32_t version() = 0;
    virtual int numInputs() = 0;
    virtual int numOutputs() = 0;
    virtual int latency() = 0; // samples, as reported once processing is started
    virtual std::vector<std::string> flags() = 0;
    // Format-specific lines for `mirelow info` (the Pro Tools group, types and controls...).
    virtual std::vector<std::string> details() { return {}; }
    // Most audio channels a file may have to be rendered by this plug-in (1 or 2).
    virtual int maxChannels() = 0;

    virtual int numParams() = 0;
    virtual std::string paramName(int index) = 0;
    virtual std::string paramLabel(int index) = 0;
    virtual std::string paramDisplay(int index) = 0;
    virtual float getParam(int index) = 0;
    virtual void setParam(int index, float value) = 0;
    // The parameter's value type when this program knows it (the effects built here); null when
    // only normalised values can be given.
    virtual const ParamUnits* paramUnits(int) { return nullptr; }

    virtual int numPrograms() = 0;
    virtual int currentProgram() = 0;
    virtual void setProgram(int index) = 0;
    virtual std::string programName(int index) = 0;
    virtual std::string currentProgramName() = 0;
    virtual void setCurrentProgramName(const std::string& name) = 0;

    virtual bool programsAreChunks() = 0;
    virtual std::vector<uint8_t> getChunk(bool isPreset) = 0;
    // False when the plug-in refuses the chunk.
    virtual bool setChunk(const std::vector<uint8_t>& data, bool isPreset) = 0;

    // Host tempo in beats per minute, for tempo-locked effects.
    virtual void setTempo(double bpm) = 0;

    // Starts processing `channels` (1 or 2) channels at `sampleRate` in blocks of at most
    // `maxBlock` frames; stop() returns the plug-in to its suspended state.
    virtual void start(double sampleRate, int maxBlock, int channels) = 0;
    virtual void stop() = 0;
    // Replaces `out` with the processed `in`: numInputs() input and numOutputs() output buffers
    // of `frames` samples.
    virtual void process(float* const* in, float* const* out, int frames) = 0;
};

// Finds a plug-in by name: "tidemill", "wendle" (Pro Tools) and "wendle-vst" are the built
// plug-ins beside the mirelow executable (installed: ../lib/vst/tidemill.so,
// ../lib/protools/wendle.so, ../lib/vst/wendle.so); anything else is a path to a shared object,
// run through the Pro Tools simulator when it has the Pro Tools entry and no VST one, else as
// VST 2.4. `channels` is the layout the plug-in will most likely run (Pro Tools
// instances are made per layout). Throws mirelow::Error saying why loading failed.
std::unique_ptr<Plugin> loadPlugin(const std::string& nameOrPath, double sampleRate = 44100.0,
                                   int channels = 2);

// The directory of the running executable.
std::string executableDir();

} // namespace mirelow
