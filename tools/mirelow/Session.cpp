// Host-side settings: names to indices, preset files to chunks or parameter values, learn passes.
#include "Session.h"

#include "Error.h"
#include "Render.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace mirelow {
namespace {

bool isNumber(const std::string& s) {
    return !s.empty() && s.size() < 10 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.pop_back();
    s.erase(0, std::min(s.size(), s.find_first_not_of(" \t")));
    return s;
}

std::string quotedList(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "'" : ", '") + n + "'";
    return out;
}

// A plain decimal number, nothing before or after it.
bool isBareNumber(const std::string& s, double& value) {
    if (s.empty() || std::string_view("+-.0123456789").find(s[0]) == std::string_view::npos)
        return false;
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(value);
}

} // namespace

float settingValue(Plugin& plugin, int index, const ParamSetting& setting) {
    const std::string name = trim(plugin.paramName(index)).empty()
                                 ? "parameter " + std::to_string(index)
                                 : trim(plugin.paramName(index));
    const std::string given =
        "--set " + setting.name + (setting.inUnits ? "==" : "=") + setting.value + ": ";
    const ParamUnits* units = plugin.paramUnits(index);
    double bare = 0;
    if (!setting.inUnits && isBareNumber(setting.value, bare)) {
        if (bare >= 0.0 && bare <= 1.0)
            return static_cast<float>(bare);
        std::string why = given + "a bare number is a normalised value 0 … 1; " + setting.value +
                          " is out of range";
        if (units != nullptr)
            why += "; for a value in " + name + "'s units (" + units->range() + "), write " +
                   setting.name + "==" + setting.value;
        throw UsageError(why);
    }
    if (units == nullptr)
        throw UsageError(given + name + " of " + plugin.effectName() +
                         " takes only a normalised value 0 … 1: mirelow knows the units of "
                         "tidemill's and wendle's parameters, not a foreign plug-in's");
    float value = 0;
    switch (units->read(setting.value, value)) {
    case ParamUnits::Reading::Value:
        return value;
    case ParamUnits::Reading::OutOfRange:
        throw UsageError(given + setting.value + " is outside " + name + "'s range " +
                         units->range());
    case ParamUnits::Reading::Unreadable:
        break;
    }
    throw UsageError(given + name + " takes " + units->accepts() + " (range " + units->range() +
                     ") or a normalised value 0 … 1, not '" + setting.value + "'");
}

std::string lowercase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int findParam(Plugin& plugin, const std::string& nameOrIndex) {
    const int n = plugin.numParams();
    if (isNumber(nameOrIndex)) {
        const int index = std::stoi(nameOrIndex);
        if (index >= n)
            throw UsageError("parameter " + nameOrIndex +
                             " does not exist: " + plugin.effectName() + " has " +
                             std::to_string(n) + " parameters (0 … " + std::to_string(n - 1) + ")");
        return index;
    }
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        names.push_back(trim(plugin.paramName(i)));
        if (lowercase(names.back()) == lowercase(trim(nameOrIndex)))
            return i;
    }
    throw UsageError("unknown parameter '" + nameOrIndex + "'; " + plugin.effectName() + " has " +
                     quotedList(names));
}

int findProgram(Plugin& plugin, const std::string& numberOrName) {
    const int n = plugin.numPrograms();
    if (n == 0)
        throw UsageError(plugin.effectName() + " has no programs");
    if (isNumber(numberOrName)) {
        const int index = std::stoi(numberOrName);
        if (index >= n)
            throw UsageError("program " + numberOrName + " does not exist: " + plugin.effectName() +
                             " has " + std::to_string(n) + " programs (0 … " +
                             std::to_string(n - 1) + ")");
        return index;
    }
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        names.push_back(trim(plugin.programName(i)));
        if (lowercase(names.back()) == lowercase(trim(numberOrName)))
            return i;
    }
    throw UsageError("unknown program '" + numberOrName + "'; " + plugin.effectName() + " has " +
                     quotedList(names));
}

Preset capturePreset(Plugin& plugin, PresetKind kind) {
    Preset p;
    p.kind = kind;
    p.isChunk = plugin.programsAreChunks();
    p.fxId = plugin.uniqueId();
    p.fxVersion = plugin.version();
    p.numParams = plugin.numParams();
    p.numPrograms = plugin.numPrograms();
    p.currentProgram = std::max(0, plugin.currentProgram());
    p.name = plugin.currentProgramName();
    if (p.isChunk) {
        p.chunk = plugin.getChunk(kind == PresetKind::Program);
        if (p.chunk.empty())
            throw Error(plugin.effectName() + " gave no chunk to save");
        return p;
    }
    auto values = [&] {
        std::vector<float> v(static_cast<std::size_t>(p.numParams));
        for (int i = 0; i < p.numParams; ++i)
            v[static_cast<std::size_t>(i)] = plugin.getParam(i);
        return v;
    };
    if (kind == PresetKind::Program) {
        p.params = values();
        return p;
    }
    // A parameter bank needs every program selected in turn; the current one is selected last.
    const int current = p.currentProgram;
    for (int i = 0; i < std::max(1, p.numPrograms); ++i) {
        if (p.numPrograms > 0)
            plugin.setProgram(i);
        p.programs.push_back({plugin.currentProgramName(), values()});
    }
    if (p.numPrograms > 0)
        plugin.setProgram(current);
    p.numPrograms = static_cast<int32_t>(p.programs.size());
    return p;
}

void applyPreset(Plugin& plugin, const Preset& p, const std::string& what) {
    const std::string where = "preset '" + what + "'";
    if (p.fxId != plugin.uniqueId())
        throw Error(where + " is for plug-in '" + fourCCText(p.fxId) + "', not " +
                    plugin.effectName() + " ('" + fourCCText(plugin.uniqueId()) + "')");
    if (p.isChunk) {
        if (!plugin.programsAreChunks())
            throw Error(where + " holds a chunk, but " + plugin.effectName() +
                        " keeps its programs as parameters");
        if (!plugin.setChunk(p.chunk, p.kind == PresetKind::Program))
            throw Error(where + ": " + plugin.effectName() + " refused its " +
                        std::to_string(p.chunk.size()) + "-byte chunk");
        // A bank remembers which program was current when it was saved.
        if (p.kind == PresetKind::Bank && p.currentProgram < plugin.numPrograms() &&
            p.currentProgram != plugin.currentProgram())
            plugin.setProgram(p.currentProgram);
        return;
    }
    const int numParams = plugin.numParams();
    auto setAll = [&](const std::vector<float>& values, const std::string& name) {
        if (static_cast<int>(values.size()) != numParams)
            throw Error(where + " has " + std::to_string(values.size()) + " parameters, " +
                        plugin.effectName() + " has " + std::to_string(numParams));
        for (int i = 0; i < numParams; ++i)
            plugin.setParam(i, values[static_cast<std::size_t>(i)]);
        plugin.setCurrentProgramName(name);
    };
    if (p.kind == PresetKind::Program) {
        setAll(p.params, p.name);
        return;
    }
    // A plug-in without programs saves its one current state as a bank of one.
    const int programs = plugin.numPrograms();
    if (static_cast<int>(p.programs.size()) > std::max(1, programs))
        throw Error(where + " has " + std::to_string(p.programs.size()) + " programs, " +
                    plugin.effectName() + " has " + std::to_string(programs));
    for (std::size_t i = 0; i < p.programs.size(); ++i) {
        if (programs > 0)
            plugin.setProgram(static_cast<int>(i));
        setAll(p.programs[i].params, p.programs[i].name);
    }
    if (programs > 0)
        plugin.setProgram(std::min(p.currentProgram, static_cast<int32_t>(p.programs.size()) - 1));
}

void learnPass(Plugin& plugin, const std::string& paramName, float on, const AudioBuffer& audio,
               int channels, int blockSize) {
    int index = -1;
    try {
        index = findParam(plugin, paramName);
    } catch (const UsageError&) {
        throw Error(plugin.effectName() + " has no '" + paramName + "' parameter to learn with");
    }
    plugin.setParam(index, on);
    feed(plugin, audio, channels, blockSize);
    plugin.setParam(index, 0.0f);
}

std::unique_ptr<Plugin> reloadWithState(std::unique_ptr<Plugin> plugin,
                                        const std::string& nameOrPath, double sampleRate) {
    if (!plugin->programsAreChunks())
        return plugin;
    const std::vector<uint8_t> bank = plugin->getChunk(false);
    const int current = plugin->currentProgram();
    auto fresh = loadPlugin(nameOrPath, sampleRate, std::clamp(plugin->numInputs(), 1, 2));
    if (!fresh->setChunk(bank, false))
        throw Error(fresh->effectName() + " refused its own bank chunk");
    if (current >= 0 && current < fresh->numPrograms() && current != fresh->currentProgram())
        fresh->setProgram(current);
    return fresh;
}

void PluginSetup::applyBase(Plugin& p) const {
    if (program)
        p.setProgram(*program);
    if (preset)
        applyPreset(p, *preset, presetPath);
    p.setTempo(tempo);
}

void PluginSetup::applyParams(Plugin& p) const {
    for (const auto& [index, value] : params)
        p.setParam(index, value);
}

std::unique_ptr<Plugin> PluginSetup::make(double sampleRate, int channels) const {
    auto p = loadPlugin(plugin, sampleRate, channels);
    if (learnedBank.empty()) {
        applyBase(*p);
    } else {
        if (!p->setChunk(learnedBank, false))
            throw Error(p->effectName() + " refused its own bank chunk");
        if (learnedProgram >= 0 && learnedProgram < p->numPrograms() &&
            learnedProgram != p->currentProgram())
            p->setProgram(learnedProgram);
        p->setTempo(tempo);
    }
    applyParams(*p);
    return p;
}

void learnWendleFilter(Plugin& plugin, int filter, const AudioBuffer& audio, int channels,
                       int blockSize) {
    // The Pro Tools build names its controls "filter" and "learn", the VST build shows the
    // effect's own parameter names.
    auto firstOf = [&](std::initializer_list<const char*> names) -> std::string {
        for (const char* name : names)
            try {
                findParam(plugin, name);
                return name;
            } catch (const UsageError&) {
            }
        return {};
    };
    const std::string position = firstOf({"filter", "filter number"});
    const std::string learn = firstOf({"learn", "learn filter"});
    if (position.empty() || learn.empty())
        throw Error(plugin.effectName() + " has no 'filter' control: it cannot learn filters");
    // The position picks the filter that learning fills.
    plugin.setParam(findParam(plugin, position), filter == 0 ? 0.0f : 1.0f);
    learnPass(plugin, learn, 1.0f, audio, channels, blockSize);
}

} // namespace mirelow
