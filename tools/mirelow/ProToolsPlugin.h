// wendle (or any plug-in of the Pro Tools protocol) driven through the Pro Tools host simulator:
// parameters are the plug-in's Pro Tools controls, its state is the session's chunks.
#pragma once

#include "Plugin.h"

#include <memory>
#include <vector>

namespace ptsim {
class PlugIn;
class Instance;
} // namespace ptsim

namespace mirelow {

class ProToolsPlugin : public Plugin {
  public:
    // Loads the library and makes an instance of the type with `channels` channels (1 or 2).
    // Throws mirelow::Error.
    ProToolsPlugin(const std::string& path, double sampleRate, int channels);
    ~ProToolsPlugin() override;

    std::string format() const override { return "Pro Tools (simulated RTAS host)"; }
    std::string path() const override;
    std::string effectName() override;
    std::string vendor() override;
    std::string product() override;
    int32_t uniqueId() override; // the effect types' product ID
    int32_t version() override;
    int numInputs() override;
    int numOutputs() override;
    int latency() override;
    std::vector<std::string> flags() override;
    std::vector<std::string> details() override;
    int maxChannels() override;

    // Parameter i is control i + 1 (Pro Tools numbers controls from 1); names are the controls'
    // long names, values the normalised 0 … 1 of their 32-bit encoding.
    int numParams() override;
    std::string paramName(int index) override;
    std::string paramLabel(int index) override;
    std::string paramDisplay(int index) override;
    float getParam(int index) override;
    void setParam(int index, float value) override;
    // In the control's units as its text shows them (dB, steps, on/off).
    const ParamUnits* paramUnits(int index) override;

    // Pro Tools shows no programs.
    int numPrograms() override { return 0; }
    int currentProgram() override { return 0; }
    void setProgram(int) override {}
    std::string programName(int) override { return {}; }
    std::string currentProgramName() override { return {}; }
    void setCurrentProgramName(const std::string&) override {}

    // The chunk is the instance's whole session state (every chunk it declares); a program and a
    // bank are the same thing here.
    bool programsAreChunks() override { return true; }
    std::vector<uint8_t> getChunk(bool isPreset) override;
    bool setChunk(const std::vector<uint8_t>& data, bool isPreset) override;

    void setTempo(double bpm) override;
    void start(double sampleRate, int maxBlock, int channels) override;
    void stop() override {}
    void process(float* const* in, float* const* out, int frames) override;

    // The simulator's instance (replaced by start() when the layout or the rate changes).
    ptsim::Instance& instance() { return *instance_; }

  private:
    // A new instance with `channels` channels at `sampleRate`, carrying the current state over.
    void recreate(int channels, double sampleRate);

    std::unique_ptr<ptsim::PlugIn> plugin_;
    std::unique_ptr<ptsim::Instance> instance_;
    std::vector<std::unique_ptr<ParamUnits>> units_; // one per control
    double tempo_ = 120.0;
    bool played_ = false; // the instance has rendered audio since it was made
};

} // namespace mirelow
