// A gallery of every widget in telling states, painted headless into one picture; the renderer's
// "snapshot widgets" command and the tests use it.
#pragma once

#include "VGWidgets.h"

#include <array>
#include <memory>
#include <vector>

namespace mirelow::gui {

// Made-up spectra and curves for the displays of the gallery (and of benchmarks): two channels,
// two spectra each, 2N floats half-complex; filters of N gains.
struct DemoSpectra {
    explicit DemoSpectra(int bins = 512);
    int bins;
    std::array<std::vector<float>, 4> spectra;
    std::array<std::vector<float>, 2> filterA, filterB;
    std::vector<float> weights;
    float displayGain = 1.f, gain1 = 1.f, gain2 = 1.f;
    int32_t shift = 0, logScale = 1, edited = 0;
    // A view on these arrays with `rows` bands and `curves` spectra per channel.
    SpectrumView view(int rows, int curves, bool log);
};

struct WidgetGallery {
    WidgetScheme scheme;
    std::unique_ptr<DemoSpectra> data;
    std::vector<std::unique_ptr<SpectrumView>> views;
    std::vector<int32_t> logFlags;
    CFrame* frame = nullptr;
    ~WidgetGallery();
};

// Builds the gallery on a headless frame and paints it.
std::unique_ptr<WidgetGallery> makeWidgetGallery();
// Paints the gallery and writes it as a PNG file; false when the file cannot be written.
bool renderWidgetGallery(const char* pngPath);

} // namespace mirelow::gui
