// Pro Tools plug-ins through the host simulator.
#include "ProToolsPlugin.h"

#include "Error.h"

#include "PtSim.h"
#include "vst/ParamType.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <sstream>

namespace mirelow {
namespace {

std::string firstLine(const char* text) {
    std::string s(text);
    return s.substr(0, s.find_first_of("\r\n"));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A control's units, as the simulator describes the control: on/off, a whole step, or a linear
// value (in dB for a gain), mapped onto 0 … 1 as the protocol's 32-bit encoding maps its range.
class ControlUnits : public ParamUnits {
  public:
    ControlUnits(const ptsim::ControlDesc& c, const ptsim::Instance& fx) : c_(c) {
        low_ = fx.controlText(c.index, INT32_MIN);
        high_ = fx.controlText(c.index, INT32_MAX);
        const std::string unit = " dB";
        if (c.kind == kPIControl_LinearGain && low_.size() > unit.size() &&
            low_.compare(low_.size() - unit.size(), unit.size(), unit) == 0)
            low_.erase(low_.size() - unit.size());
    }

    Reading read(const std::string& text, float& normalised) const override {
        float units = 0.0f;
        const bool readable =
            c_.kind == kPIControl_OnOff
                ? param::parseSwitch(text.c_str(), units)
                : param::parseNumber(text.c_str(), c_.kind == kPIControl_LinearGain ? "dB" : "",
                                     units);
        if (!readable)
            return Reading::Unreadable;
        if (c_.kind == kPIControl_OnOff) {
            normalised = units;
            return Reading::Value;
        }
        if (!(units >= c_.minimum && units <= c_.maximum))
            return Reading::OutOfRange;
        if (c_.kind == kPIControl_Discrete) {
            const double step = (units - c_.minimum) / (c_.step > 0 ? c_.step : 1.0);
            if (step != std::floor(step))
                return Reading::Unreadable;
            normalised = c_.numSteps > 1 ? static_cast<float>(step / (c_.numSteps - 1)) : 0.0f;
            return Reading::Value;
        }
        normalised = static_cast<float>((units - c_.minimum) / (c_.maximum - c_.minimum));
        return Reading::Value;
    }

    std::string range() const override {
        return c_.kind == kPIControl_OnOff ? "on/off" : low_ + " \u2026 " + high_;
    }

    std::string accepts() const override {
        switch (c_.kind) {
        case kPIControl_OnOff:
            return "on or off";
        case kPIControl_Discrete:
            return "a whole number";
        case kPIControl_LinearGain:
            return "a number in dB (such as -6dB)";
        default:
            return "a number";
        }
    }

  private:
    ptsim::ControlDesc c_;
    std::string low_, high_; // the texts of the ends of the range
};

} // namespace

ProToolsPlugin::ProToolsPlugin(const std::string& path, double sampleRate, int channels) {
    try {
        plugin_ = std::make_unique<ptsim::PlugIn>(path);
        if (plugin_->typeIndexForChannels(channels) < 0)
            channels = channels == 1 ? 2 : 1;
        instance_ = plugin_->createInstance(channels, sampleRate);
        for (const auto& c : instance_->controls())
            units_.push_back(std::make_unique<ControlUnits>(c, *instance_));
    } catch (const ptsim::Error& e) {
        throw Error(std::string("cannot load ") + path + ": " + e.what());
    }
}

ProToolsPlugin::~ProToolsPlugin() {
    instance_.reset();
    plugin_.reset();
}

std::string ProToolsPlugin::path() const {
    return plugin_->path();
}
std::string ProToolsPlugin::effectName() {
    return firstLine(plugin_->group().plugInNames);
}
std::string ProToolsPlugin::vendor() {
    return firstLine(plugin_->group().manufacturerNames);
}
std::string ProToolsPlugin::product() {
    return firstLine(instance_->type().names);
}
int32_t ProToolsPlugin::uniqueId() {
    return static_cast<int32_t>(instance_->type().productID);
}
int32_t ProToolsPlugin::version() {
    return plugin_->group().version;
}
int ProToolsPlugin::numInputs() {
    return instance_->channels();
}
int ProToolsPlugin::numOutputs() {
    return instance_->channels();
}
int ProToolsPlugin::latency() {
    return instance_->latency();
}
std::vector<std::string> ProToolsPlugin::flags() {
    return {"RTAS"};
}

std::vector<std::string> ProToolsPlugin::details() {
    std::vector<std::string> out = lines(plugin_->describe());
    out.push_back("instance       " + std::to_string(instance_->channels()) + " channel(s), " +
                  ptsim::fourCCString(instance_->type().typeID));
    out.push_back("controls (as the simulator sees them):");
    for (auto& l : lines(instance_->describeControls()))
        out.push_back("  " + l);
    return out;
}

int ProToolsPlugin::maxChannels() {
    return plugin_->typeIndexForChannels(2) >= 0 ? 2 : 1;
}

int ProToolsPlugin::numParams() {
    return static_cast<int>(instance_->controls().size());
}

std::string ProToolsPlugin::paramName(int index) {
    const auto& c = instance_->controls();
    return index >= 0 && index < numParams() ? c[static_cast<std::size_t>(index)].longName
                                             : std::string();
}

std::string ProToolsPlugin::paramLabel(int) {
    return {};
}
std::string ProToolsPlugin::paramDisplay(int index) {
    return instance_->controlText(index + 1);
}

float ProToolsPlugin::getParam(int index) {
    // The 32-bit control value puts the minimum at -2^31 and the maximum at 2^31 - 1.
    return static_cast<float>((static_cast<double>(instance_->control(index + 1)) + 2147483648.0) /
                              4294967295.0);
}

const ParamUnits* ProToolsPlugin::paramUnits(int index) {
    return index >= 0 && index < static_cast<int>(units_.size())
               ? units_[static_cast<std::size_t>(index)].get()
               : nullptr;
}

void ProToolsPlugin::setParam(int index, float value) {
    instance_->setControlNormalised(index + 1, value);
}

std::vector<uint8_t> ProToolsPlugin::getChunk(bool) {
    return ptsim::encodeSession(instance_->saveState());
}

bool ProToolsPlugin::setChunk(const std::vector<uint8_t>& data, bool) {
    ptsim::SessionState state;
    try {
        state = ptsim::decodeSession(data);
    } catch (const ptsim::Error&) {
        return false;
    }
    if (instance_->restoreState(state) != kPINoErr)
        return false;
    // Restored curves sound from the next gain refresh on; re-sending the depth gives it now.
    if (const int depth = instance_->controlIndex("depth"); depth > 0)
        instance_->setControl(depth, instance_->control(depth));
    return true;
}

void ProToolsPlugin::setTempo(double bpm) {
    tempo_ = bpm;
    instance_->setTempo(bpm);
}

void ProToolsPlugin::recreate(int channels, double sampleRate) {
    ptsim::SessionState state = instance_->saveState();
    std::unique_ptr<ptsim::Instance> fresh;
    try {
        fresh = plugin_->createInstance(channels, sampleRate);
    } catch (const ptsim::Error& e) {
        throw Error(effectName() + ": no " + std::to_string(channels) +
                    "-channel instance: " + e.what());
    }
    state.typeID = fresh->type().typeID;
    if (fresh->restoreState(state) != kPINoErr)
        throw Error(effectName() + " refused its own state");
    instance_ = std::move(fresh);
    played_ = false;
    if (const int depth = instance_->controlIndex("depth"); depth > 0)
        instance_->setControl(depth, instance_->control(depth));
    instance_->setTempo(tempo_);
}

void ProToolsPlugin::start(double sampleRate, int, int channels) {
    // Every run starts from silence, as a VST host's suspend and resume give: the protocol has
    // no reset, so an instance that has played is replaced by a fresh one carrying its state.
    // Otherwise a learn pass would begin with the last frames of the audio fed before it.
    if (played_ || channels != instance_->channels() || sampleRate != instance_->sampleRate())
        recreate(channels, sampleRate);
    instance_->setTempo(tempo_);
}

void ProToolsPlugin::process(float* const* in, float* const* out, int frames) {
    instance_->render(const_cast<float**>(in), const_cast<float**>(out), frames);
    played_ = true;
}

} // namespace mirelow
