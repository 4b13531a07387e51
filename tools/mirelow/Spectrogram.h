// Spectrogram pictures (PNG through cairo): one panel per signal stacked top to bottom on a
// shared time axis, log-frequency axis with labelled Hz ticks, a dB colour scale with a legend,
// and a title saying what was rendered with which settings.
#pragma once

#include "AudioFile.h"

#include <cstddef>
#include <memory>
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

// Builds a SpectrogramImage from audio fed in slices of any size. Each column is one Hann-windowed
// transform of about 90 ms centred on its time, made as soon as the stream has passed the end of
// its window; a short history of the last window's samples is all that is kept. The image is the
// one the whole signal would give at once. `frames` is the signal's length, known ahead (from the
// file's header); columns whose centre lies beyond the end the stream reaches stay dark.
class SpectrogramBuilder {
  public:
    SpectrogramBuilder(double sampleRate, int channels, std::size_t frames, int rows, int columns,
                       double minHz, double seconds);
    ~SpectrogramBuilder();
    SpectrogramBuilder(const SpectrogramBuilder&) = delete;
    SpectrogramBuilder& operator=(const SpectrogramBuilder&) = delete;

    // `channels` pointers of `frames` samples each.
    void feed(const float* const* channels, std::size_t frames);
    // The columns still open, the end of the stream taken as silence; then the image.
    const SpectrogramImage& finish();

  private:
    struct Fft;
    void column(int col, const float* const* chunk, long long chunkStart, long long chunkFrames);
    long long windowStart(int col) const;

    SpectrogramImage img_;
    int channels_, n_;
    double rate_;
    long long frames_, received_ = 0;
    int next_ = 0;                            // first column not yet made
    std::vector<std::vector<float>> history_; // sample j at [j mod n]
    std::vector<float> window_;
    std::vector<double> power_;
    double norm_ = 1;
    std::unique_ptr<Fft> fft_;
};

// A whole buffer at once, through the builder.
SpectrogramImage analyseSpectrogram(const AudioBuffer& audio, int rows, int columns, double minHz,
                                    double seconds);

// The analysis grid of one panel of a picture in `style`.
int spectrogramRows(const SpectrogramStyle& style);
int spectrogramColumns(const SpectrogramStyle& style);

// A panel already analysed on the grid above, over the seconds the picture spans.
struct AnalysedPanel {
    std::string label;
    const SpectrogramImage* image = nullptr;
};

// Writes the picture; throws mirelow::Error if it cannot. The file appears complete or not at all.
void writeSpectrogramPng(const std::string& path, const std::string& title,
                         const std::string& subtitle, const std::vector<AnalysedPanel>& panels,
                         const SpectrogramStyle& style = {});
// The same from whole buffers, analysed here over the longest one's length.
void writeSpectrogramPng(const std::string& path, const std::string& title,
                         const std::string& subtitle, const std::vector<SpectrogramPanel>& panels,
                         const SpectrogramStyle& style = {});

} // namespace mirelow
