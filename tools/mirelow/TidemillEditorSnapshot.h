// tidemill's editor painted off screen: the effect runs audio up to a moment with its editor open
// and idled as a host's timer would, then the window's picture is written as a PNG file. The
// effect is linked into the renderer (a host cannot read the pixels of a plug-in's off-screen
// window), driven through the same harness as build/tidemill.so.
#pragma once

#include "AudioFile.h"
#include "Cli.h"
#include "VstPlugin.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mirelow {

struct TidemillEditorShot {
    std::string png;
    std::string input;                  // audio file; empty: the demo's tones over noise
    double at = 2.0;                    // seconds of audio before the picture
    std::optional<std::string> program; // number or name
    std::string learn;                  // learn the threshold shape (average) from this file
    std::vector<ParamSetting> sets;
};

// The words after "snapshot editor tidemill". Throws UsageError.
TidemillEditorShot parseTidemillEditorShot(const std::vector<std::string>& args);
int runTidemillEditorSnapshot(const std::vector<std::string>& args);

// A tidemill effect linked into this program, behind the renderer's plug-in interface.
std::unique_ptr<VstPlugin> makeLinkedTidemill(double sampleRate);

// Runs `audio` (looped when shorter) through a linked tidemill for `atSeconds` with its editor
// open off screen and idled 30 times per second of audio, then writes the editor's picture. Mono
// audio runs with the second input unconnected. Throws Error.
void writeTidemillEditorPicture(VstPlugin& plugin, const AudioBuffer& audio, double atSeconds,
                                const std::string& png);

} // namespace mirelow
