// A VST 2.4 plug-in driven through the host harness: the renderer's view of any VST 2.4 shared
// object (tidemill or a third-party effect).
#pragma once

#include "Plugin.h"

#include <memory>

namespace vsthost {
class Plugin;
}

namespace mirelow {

class VstPlugin : public Plugin {
  public:
    // Loads and opens the plug-in; throws mirelow::Error saying why it cannot.
    VstPlugin(const std::string& path, double sampleRate);
    // The same for an effect the harness already holds (one linked into this program).
    VstPlugin(std::unique_ptr<vsthost::Plugin> host, double sampleRate);
    ~VstPlugin() override;

    std::string format() const override { return "VST 2.4"; }
    std::string path() const override;
    std::string effectName() override;
    std::string vendor() override;
    std::string product() override;
    int32_t uniqueId() override;
    int32_t version() override;
    int numInputs() override;
    int numOutputs() override;
    int latency() override;
    std::vector<std::string> flags() override;
    std::vector<std::string> details() override;
    int maxChannels() override;

    int numParams() override;
    std::string paramName(int index) override;
    std::string paramLabel(int index) override;
    std::string paramDisplay(int index) override;
    float getParam(int index) override;
    void setParam(int index, float value) override;
    const ParamUnits* paramUnits(int index) override;

    int numPrograms() override;
    int currentProgram() override;
    void setProgram(int index) override;
    std::string programName(int index) override;
    std::string currentProgramName() override;
    void setCurrentProgramName(const std::string& name) override;

    bool programsAreChunks() override;
    std::vector<uint8_t> getChunk(bool isPreset) override;
    bool setChunk(const std::vector<uint8_t>& data, bool isPreset) override;

    void setTempo(double bpm) override;
    void start(double sampleRate, int maxBlock, int channels) override;
    void stop() override;
    void process(float* const* in, float* const* out, int frames) override;

    vsthost::Plugin& host() { return *host_; }

  private:
    std::unique_ptr<vsthost::Plugin> host_;
    std::vector<std::unique_ptr<ParamUnits>> units_; // empty for a foreign plug-in
    bool running_ = false;
    bool replacing_ = true;
    double tempo_ = 120.0;
    double samplePos_ = 0;
};

} // namespace mirelow
