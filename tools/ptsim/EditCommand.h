// `ptsim edit`: the plug-in's editor in a plug-in window on the X display, driven as the host
// drives it (idle and draw at 30 Hz) while audio renders through the instance in real time; the
// edits that reach the host's automation are printed as the lanes record them.
#pragma once

#include <string>
#include <vector>

#include "PtSim.h"

namespace ptsim {

struct EditOptions {
    std::string input;                     // the audio file's name, for the listing
    std::vector<std::vector<float>> audio; // its channels, looped; empty: generated noise
    double tempo = 120;                    // beats per minute
    double seconds = 0;                    // stop after that long; 0: when the window is closed
    int windowWidth = 600, windowHeight = 440;
};

// Runs until the window is closed, the time is up or the process is interrupted. Throws Error.
// Answers the exit status.
int runEdit(Instance& fx, const EditOptions& options);

// The samples of an audio file, de-interleaved, as many channels as the file has (at least one);
// the file's sample rate in *rate. Throws Error.
std::vector<std::vector<float>> readAudio(const std::string& path, double* rate);

} // namespace ptsim
