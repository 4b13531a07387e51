// Settings applied to a loaded plug-in the way a host would: programs, preset files, parameters
// by name, learn passes; and the preset a plug-in's current state makes.
#pragma once

#include "AudioFile.h"
#include "Cli.h"
#include "FxPreset.h"
#include "Plugin.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mirelow {

// Index of a parameter given by name (case-insensitive) or number. Unknown names throw
// UsageError listing the valid ones.
int findParam(Plugin& plugin, const std::string& nameOrIndex);
// The normalised value `setting` gives parameter `index`: a bare number as it is (0 … 1), other
// text (or any text given as NAME==VALUE) read in the parameter's units. Throws UsageError
// stating the range in units, what text the parameter takes, or that a plug-in whose units this
// program does not know takes normalised values only.
float settingValue(Plugin& plugin, int index, const ParamSetting& setting);
// Index of a program given by number (from 0) or name (case-insensitive).
int findProgram(Plugin& plugin, const std::string& numberOrName);

// The plug-in's current program (PresetKind::Program) or all its programs (Bank), as chunks
// when the plug-in keeps its programs as chunks, else as parameter values.
Preset capturePreset(Plugin& plugin, PresetKind kind);
// Loads a preset into the plug-in; throws mirelow::Error when it belongs to another plug-in,
// does not fit it or is refused.
void applyPreset(Plugin& plugin, const Preset& preset, const std::string& what);

// A learn pass: sets the parameter `paramName` to `on`, runs `audio` through the plug-in,
// sets it back to 0, which finishes the pass.
void learnPass(Plugin& plugin, const std::string& paramName, float on, const AudioBuffer& audio,
               int channels, int blockSize);

// wendle: learns filter `filter` (0 or 1) from `audio`: moves the "filter" control to it and
// runs a pass with the "learn" control.
void learnWendleFilter(Plugin& plugin, int filter, const AudioBuffer& audio, int channels,
                       int blockSize);

// After learning, a render starts from a freshly loaded instance that carries the learned state
// (all programs and the current one, through the plug-in's bank chunk), as when a host reopens
// a project: what the learn pass left in the processing (gains in motion, frames in flight) does
// not colour the render, and a preset saved from this state reproduces the render exactly.
// Plug-ins without chunks are kept as they are.
std::unique_ptr<Plugin> reloadWithState(std::unique_ptr<Plugin> plugin,
                                        const std::string& nameOrPath, double sampleRate);

// How every instance of a render is set up, the way a host restores a project: the program, the
// preset, or instead the state a learn pass left (the plug-in's bank chunk and current program,
// which include program and preset), then the tempo and the parameters. Instances made from one
// setup render alike.
struct PluginSetup {
    std::string plugin; // a name or a path, as loadPlugin takes it
    std::optional<int> program;
    std::optional<Preset> preset;
    std::string presetPath;
    std::vector<uint8_t> learnedBank; // empty: nothing was learned
    int learnedProgram = -1;
    double tempo = 120.0;
    std::vector<std::pair<int, float>> params; // index, normalised value

    // Program, preset and tempo: what comes before learning.
    void applyBase(Plugin& plugin) const;
    // The parameters, in the order given.
    void applyParams(Plugin& plugin) const;
    // A fresh instance for `channels` channels at `sampleRate`, set up. Throws mirelow::Error.
    std::unique_ptr<Plugin> make(double sampleRate, int channels) const;
};

std::string lowercase(std::string s);
std::string baseName(const std::string& path);

} // namespace mirelow
