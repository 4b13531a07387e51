// Spectrogram pictures (PNG through cairo): one panel per signal stacked top to bottom on a
// shared time axis, log-frequency axis with labelled Hz ticks, a dB colour scale with a legend,
// and a title saying what was rendered with which settings.
#pragma once

#include "AudioFile.h"

#include <string>
#include <vector>

namespace mirelow {

struct SpectrogramPanel {
    std::string label; // "input", "output"
    const AudioBuffer* audio = nullptr;
};

struct SpectrogramStyle {
    int width = 1200;
    int panelHeight = 300;
    double floorDb = -120.0; // bottom of the colour scale
    double topDb = 0.0;      // a full-scale sine reads 0 dB
    double minHz = 20.0;
};

// Short-time magnitudes on a log-frequency grid: rows × columns dB values (row 0 = highest
// frequency), channels averaged in power. Exposed for tests.
struct SpectrogramImage {
    int rows = 0, columns = 0;
    double minHz = 0, maxHz = 0, seconds = 0;
    std::vector<float> db; // row-major
    float at(int row, int col) const {
        return db[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(col)];
    }
};
SpectrogramImage analyseSpectrogram(const AudioBuffer& audio, int rows, int columns, double minHz,
                                    double seconds);

// Writes the picture; throws mirelow::Error if it cannot. The file appears complete or not at all.
void writeSpectrogramPng(const std::string& path, const std::string& title,
                         const std::string& subtitle, const std::vector<SpectrogramPanel>& panels,
                         const SpectrogramStyle& style = {});

} // namespace mirelow
