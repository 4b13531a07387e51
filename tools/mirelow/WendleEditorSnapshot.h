// wendle's editor painted off screen through the Pro Tools simulator, the way the host would show
// it: the instance runs audio up to a moment, the editor's idle runs as the host's timer would,
// and its picture is written as a PNG file.
#pragma once

#include "AudioFile.h"
#include "Cli.h"
#include "Plugin.h"

#include <string>
#include <vector>

namespace mirelow {

struct WendleEditorShot {
    std::string png;
    std::string input; // audio file; empty: generated noise
    double at = 2.0;   // seconds of audio before the picture
    std::string learnFilter0, learnFilter1;
    std::vector<ParamSetting> sets; // controls by name, normalised
    double tempo = 120.0;
};

// The words after "snapshot editor wendle". Throws UsageError.
WendleEditorShot parseWendleEditorShot(const std::vector<std::string>& args);
int runWendleEditorSnapshot(const std::vector<std::string>& args);

// Runs `audio` (looped when shorter) through the plug-in (a Pro Tools one, started on the audio's
// channel count) for `atSeconds`, with the editor open off screen and idled 30 times per second of
// audio, then writes the editor's picture. Throws Error.
void writeWendleEditorPicture(Plugin& plugin, const AudioBuffer& audio, double atSeconds,
                              const std::string& png);

// Two seconds of gently darkened noise, different per channel (the audio of a snapshot without
// an input file).
AudioBuffer snapshotNoise(int channels, double sampleRate, double seconds);

} // namespace mirelow
