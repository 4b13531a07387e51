// Spectrogram analysis (FFTW, Hann window) as the audio streams past, and drawing (cairo).
#include "Spectrogram.h"

#include "Error.h"

#include <cairo.h>
#include <fftw3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <unistd.h>

namespace mirelow {
namespace {

constexpr const char* kFont = "Liberation Sans";

// Analysis size: about 90 ms, a power of two (4096 at 44.1 and 48 kHz) so that the lowest
// octaves of the log axis still get several bins.
int fftSizeFor(double rate) {
    int n = 256;
    while (n < 65536 && n < rate * 0.07)
        n *= 2;
    return n;
}

struct Rgb {
    double r, g, b;
};

// A perceptually ordered dark-to-bright colour ramp (black, purple, red, orange, pale yellow).
Rgb colourAt(double x) {
    static constexpr std::array<std::array<double, 3>, 9> kStops{{{0, 0, 4},
                                                                  {31, 12, 72},
                                                                  {85, 15, 109},
                                                                  {136, 34, 106},
                                                                  {186, 54, 85},
                                                                  {227, 89, 51},
                                                                  {249, 140, 10},
                                                                  {249, 201, 50},
                                                                  {252, 255, 164}}};
    x = std::clamp(x, 0.0, 1.0) * static_cast<double>(kStops.size() - 1);
    const auto i = std::min(static_cast<std::size_t>(x), kStops.size() - 2);
    const double t = x - static_cast<double>(i);
    auto mix = [&](int k) {
        return (kStops[i][static_cast<std::size_t>(k)] * (1 - t) +
                kStops[i + 1][static_cast<std::size_t>(k)] * t) /
               255.0;
    };
    return {mix(0), mix(1), mix(2)};
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

std::string hzLabel(double hz) {
    char buf[32];
    if (hz >= 1000)
        std::snprintf(buf, sizeof buf, "%gk", hz / 1000);
    else
        std::snprintf(buf, sizeof buf, "%g", hz);
    return buf;
}

std::string secondsLabel(double s, double step) {
    char buf[32];
    std::snprintf(buf, sizeof buf, step < 0.1 ? "%.2f" : step < 1 ? "%.1f" : "%.0f", s);
    return buf;
}

// A tick step giving about `want` ticks over `span`: 1, 2 or 5 times a power of ten.
double niceStep(double span, int want) {
    const double raw = span / want;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * p)
            return m * p;
    return 10 * p;
}

void text(cairo_t* cr, double x, double y, const std::string& s, double size, double alignX,
          double alignY, bool bold = false) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - e.x_bearing - e.width * alignX, y - e.y_bearing - e.height * alignY);
    cairo_show_text(cr, s.c_str());
}

} // namespace

struct SpectrogramBuilder::Fft {
    explicit Fft(int n)
        : in(fftwf_alloc_real(static_cast<std::size_t>(n))),
          out(fftwf_alloc_complex(static_cast<std::size_t>(n / 2 + 1))),
          plan(fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE)) {}
    ~Fft() {
        fftwf_destroy_plan(plan);
        fftwf_free(out);
        fftwf_free(in);
    }
    float* in;
    fftwf_complex* out;
    fftwf_plan plan;
};

SpectrogramBuilder::SpectrogramBuilder(double sampleRate, int channels, std::size_t frames,
                                       int rows, int columns, double minHz, double seconds)
    : channels_(channels), n_(fftSizeFor(sampleRate)), rate_(sampleRate),
      frames_(static_cast<long long>(frames)) {
    img_.rows = rows;
    img_.columns = columns;
    img_.minHz = minHz;
    img_.maxHz = sampleRate / 2;
    img_.seconds = seconds;
    img_.db.assign(static_cast<std::size_t>(std::max(rows, 0)) *
                       static_cast<std::size_t>(std::max(columns, 0)),
                   -300.0f);
    if (rows < 1 || columns < 1 || channels < 1 || seconds <= 0) {
        next_ = std::max(columns, 0); // nothing to draw
        return;
    }
    const auto n = static_cast<std::size_t>(n_);
    window_.resize(n);
    double windowSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        window_[i] = static_cast<float>(
            0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(i) + 0.5) / n_));
        windowSum += window_[i];
    }
    // A sine of amplitude A gives |X| = A × windowSum / 2 in its bin: scale that to A.
    norm_ = 2.0 / windowSum;
    history_.assign(static_cast<std::size_t>(channels), std::vector<float>(n, 0.0f));
    power_.resize(n / 2 + 1);
    fft_ = std::make_unique<Fft>(n_);
}

SpectrogramBuilder::~SpectrogramBuilder() = default;

long long SpectrogramBuilder::windowStart(int col) const {
    const double centre = (col + 0.5) * img_.seconds / img_.columns * rate_;
    return static_cast<long long>(centre) - n_ / 2;
}

void SpectrogramBuilder::feed(const float* const* chunk, std::size_t frames) {
    const long long start = received_;
    const long long count = static_cast<long long>(frames);
    // Every column whose window ends within what has now arrived.
    while (next_ < img_.columns && windowStart(next_) + n_ <= start + count)
        column(next_++, chunk, start, count);
    // Keep the last window's worth of samples for the columns still to come.
    const long long keepFrom = std::max(start, start + count - n_);
    for (int c = 0; c < channels_; ++c) {
        auto& h = history_[static_cast<std::size_t>(c)];
        for (long long j = keepFrom; j < start + count; ++j)
            h[static_cast<std::size_t>(j % n_)] = chunk[c][j - start];
    }
    received_ += count;
}

const SpectrogramImage& SpectrogramBuilder::finish() {
    while (next_ < img_.columns)
        column(next_++, nullptr, received_, 0);
    return img_;
}

void SpectrogramBuilder::column(int col, const float* const* chunk, long long chunkStart,
                                long long chunkFrames) {
    const double centre = (col + 0.5) * img_.seconds / img_.columns * rate_;
    // Past the end of the signal (as announced, or as it turned out) the column stays dark.
    const long long known = chunk ? frames_ : std::min(frames_, received_);
    if (centre >= static_cast<double>(known))
        return;
    const long long start = static_cast<long long>(centre) - n_ / 2;
    const long long end = chunkStart + chunkFrames; // samples from here on are silence
    const int bins = n_ / 2 + 1;
    std::fill(power_.begin(), power_.end(), 0.0);
    for (int c = 0; c < channels_; ++c) {
        const auto& h = history_[static_cast<std::size_t>(c)];
        for (int i = 0; i < n_; ++i) {
            const long long j = start + i;
            float v = 0.0f;
            if (j >= 0 && j < end && j < frames_)
                v = j >= chunkStart ? chunk[c][j - chunkStart]
                                    : h[static_cast<std::size_t>(j % n_)];
            fft_->in[i] = v * window_[static_cast<std::size_t>(i)];
        }
        fftwf_execute(fft_->plan);
        const fftwf_complex* out = fft_->out;
        for (int k = 0; k < bins; ++k)
            power_[static_cast<std::size_t>(k)] +=
                (double(out[k][0]) * out[k][0] + double(out[k][1]) * out[k][1]) * norm_ * norm_;
    }
    for (auto& p : power_)
        p /= static_cast<double>(channels_);

    // Frequency range of each row (row 0 at the top), as fractional bin numbers.
    const int rows = img_.rows;
    const double binHz = rate_ / n_;
    const double ratio = img_.maxHz / img_.minHz;
    auto rowHz = [&](double r) { return img_.maxHz * std::pow(ratio, -r / rows); };
    for (int row = 0; row < rows; ++row) {
        const double hi = rowHz(row) / binHz, lo = rowHz(row + 1) / binHz;
        double p;
        const int k0 = static_cast<int>(std::ceil(lo)),
                  k1 = std::min(bins - 1, static_cast<int>(std::floor(hi)));
        if (k1 >= k0) {
            p = 0;
            for (int k = k0; k <= k1; ++k)
                p = std::max(p, power_[static_cast<std::size_t>(k)]);
        } else {
            const double mid = std::min(0.5 * (lo + hi), bins - 1.0);
            const int k = std::min(static_cast<int>(mid), bins - 2);
            const double t = mid - k;
            p = power_[static_cast<std::size_t>(k)] * (1 - t) +
                power_[static_cast<std::size_t>(k) + 1] * t;
        }
        img_.db[static_cast<std::size_t>(row) * static_cast<std::size_t>(img_.columns) +
                static_cast<std::size_t>(col)] = static_cast<float>(10.0 * std::log10(p + 1e-30));
    }
}

SpectrogramImage analyseSpectrogram(const AudioBuffer& audio, int rows, int columns, double minHz,
                                    double seconds) {
    SpectrogramBuilder builder(audio.sampleRate, audio.numChannels(), audio.frames(), rows, columns,
                               minHz, seconds);
    std::vector<const float*> planar;
    for (const auto& ch : audio.channels)
        planar.push_back(ch.data());
    builder.feed(planar.data(), audio.frames());
    return builder.finish();
}

namespace {
constexpr int kLeft = 78, kRight = 112, kTop = 74, kGap = 34, kBottom = 58;
} // namespace

int spectrogramRows(const SpectrogramStyle& style) {
    return style.panelHeight;
}

int spectrogramColumns(const SpectrogramStyle& style) {
    return style.width - kLeft - kRight;
}

void writeSpectrogramPng(const std::string& path, const std::string& title,
                         const std::string& subtitle, const std::vector<SpectrogramPanel>& panels,
                         const SpectrogramStyle& style) {
    double seconds = 0;
    for (const auto& p : panels)
        seconds = std::max(seconds, p.audio->seconds());
    if (seconds <= 0)
        seconds = 1;
    std::vector<SpectrogramImage> images;
    for (const auto& p : panels)
        images.push_back(analyseSpectrogram(*p.audio, spectrogramRows(style),
                                            spectrogramColumns(style), style.minHz, seconds));
    std::vector<AnalysedPanel> analysed;
    for (std::size_t i = 0; i < panels.size(); ++i)
        analysed.push_back({panels[i].label, &images[i]});
    writeSpectrogramPng(path, title, subtitle, analysed, style);
}

void writeSpectrogramPng(const std::string& path, const std::string& title,
                         const std::string& subtitle, const std::vector<AnalysedPanel>& panels,
                         const SpectrogramStyle& style) {
    const int n = static_cast<int>(panels.size());
    const int width = style.width;
    const int height = kTop + n * style.panelHeight + (n - 1) * kGap + kBottom;
    const int plotW = width - kLeft - kRight;
    const int plotH = style.panelHeight;

    double seconds = 0, maxHz = style.minHz * 2;
    for (const auto& p : panels) {
        seconds = std::max(seconds, p.image->seconds);
        maxHz = std::max(maxHz, p.image->maxHz);
    }
    if (seconds <= 0)
        seconds = 1;

    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    std::unique_ptr<cairo_t, ContextDeleter> ctx(cairo_create(surface.get()));
    cairo_t* cr = ctx.get();
    cairo_set_source_rgb(cr, 0.11, 0.11, 0.13);
    cairo_paint(cr);

    const double fg = 0.88;
    cairo_set_source_rgb(cr, fg, fg, fg);
    text(cr, width / 2.0, 14, title, 19, 0.5, 0, true);
    cairo_set_source_rgb(cr, 0.70, 0.70, 0.72);
    text(cr, width / 2.0, 42, subtitle, 13, 0.5, 0);

    const double ratio = maxHz / style.minHz;
    auto yOfHz = [&](double hz) {
        return plotH * (1.0 - std::log(hz / style.minHz) / std::log(ratio));
    };
    static constexpr std::array<double, 13> kMajor{20,   50,    100,   200,   500,    1000,  2000,
                                                   5000, 10000, 20000, 50000, 100000, 200000};
    const double tStep = niceStep(seconds, 10);

    for (int i = 0; i < n; ++i) {
        const auto& panel = panels[static_cast<std::size_t>(i)];
        const int x0 = kLeft, y0 = kTop + i * (plotH + kGap);
        const SpectrogramImage& img = *panel.image;
        if (img.rows != plotH || img.columns != plotW)
            throw Error("spectrogram '" + path + "': a panel was analysed on another grid");

        std::unique_ptr<cairo_surface_t, SurfaceDeleter> pic(
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, plotW, plotH));
        cairo_surface_flush(pic.get());
        unsigned char* data = cairo_image_surface_get_data(pic.get());
        const int stride = cairo_image_surface_get_stride(pic.get());
        // Panels share the frequency axis up to the highest Nyquist among them; rows above a
        // panel's own Nyquist stay dark.
        for (int row = 0; row < plotH; ++row) {
            const double hz = maxHz * std::pow(ratio, -(row + 0.5) / plotH);
            const int srcRow = static_cast<int>(
                std::floor(plotH * std::log(img.maxHz / hz) / std::log(img.maxHz / style.minHz)));
            auto* line =
                reinterpret_cast<uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
            for (int col = 0; col < plotW; ++col) {
                const double db = (srcRow >= 0 && srcRow < plotH) ? img.at(srcRow, col) : -300.0;
                const Rgb c = colourAt((db - style.floorDb) / (style.topDb - style.floorDb));
                line[col] = (uint32_t(c.r * 255 + 0.5) << 16) | (uint32_t(c.g * 255 + 0.5) << 8) |
                            uint32_t(c.b * 255 + 0.5);
            }
        }
        cairo_surface_mark_dirty(pic.get());
        cairo_set_source_surface(cr, pic.get(), x0, y0);
        cairo_paint(cr);

        // Frequency grid and labels.
        cairo_set_line_width(cr, 1);
        for (double hz : kMajor) {
            if (hz < style.minHz || hz > maxHz)
                continue;
            const double y = y0 + std::round(yOfHz(hz)) + 0.5;
            cairo_set_source_rgba(cr, 1, 1, 1, 0.16);
            cairo_move_to(cr, x0, y);
            cairo_line_to(cr, x0 + plotW, y);
            cairo_stroke(cr);
            cairo_set_source_rgb(cr, fg, fg, fg);
            cairo_move_to(cr, x0 - 5, y);
            cairo_line_to(cr, x0, y);
            cairo_stroke(cr);
            text(cr, x0 - 8, y, hzLabel(hz), 12, 1, 0.5);
        }
        // Time grid.
        for (double t = 0; t <= seconds + 1e-9; t += tStep) {
            const double x = x0 + std::round(t / seconds * plotW) + 0.5;
            cairo_set_source_rgba(cr, 1, 1, 1, 0.10);
            cairo_move_to(cr, x, y0);
            cairo_line_to(cr, x, y0 + plotH);
            cairo_stroke(cr);
            cairo_set_source_rgb(cr, fg, fg, fg);
            cairo_move_to(cr, x, y0 + plotH);
            cairo_line_to(cr, x, y0 + plotH + 5);
            cairo_stroke(cr);
            if (i == n - 1)
                text(cr, x, y0 + plotH + 8, secondsLabel(t, tStep), 12, 0.5, 0);
        }
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.58);
        cairo_rectangle(cr, x0 - 0.5, y0 - 0.5, plotW + 1, plotH + 1);
        cairo_stroke(cr);

        // Panel label, boxed in the corner.
        cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_set_font_size(cr, 14);
        cairo_text_extents_t e;
        cairo_text_extents(cr, panel.label.c_str(), &e);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
        cairo_rectangle(cr, x0 + 6, y0 + 6, e.x_advance + 14, 24);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        text(cr, x0 + 13, y0 + 18, panel.label, 14, 0, 0.5, true);

        // Axis title, rotated.
        cairo_save(cr);
        cairo_translate(cr, 16, y0 + plotH / 2.0);
        cairo_rotate(cr, -std::numbers::pi / 2);
        cairo_set_source_rgb(cr, 0.70, 0.70, 0.72);
        text(cr, 0, 0, "frequency (Hz)", 12, 0.5, 0.5);
        cairo_restore(cr);
    }
    cairo_set_source_rgb(cr, 0.70, 0.70, 0.72);
    text(cr, kLeft + plotW / 2.0, height - 22, "time (s)", 12, 0.5, 0);

    // Colour legend beside the panels.
    const int lx = kLeft + plotW + 28, lw = 18;
    const int ly0 = kTop, ly1 = kTop + n * plotH + (n - 1) * kGap;
    for (int y = ly0; y < ly1; ++y) {
        const Rgb c = colourAt(1.0 - (y - ly0 + 0.5) / (ly1 - ly0));
        cairo_set_source_rgb(cr, c.r, c.g, c.b);
        cairo_rectangle(cr, lx, y, lw, 1);
        cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.58);
    cairo_rectangle(cr, lx - 0.5, ly0 - 0.5, lw + 1, ly1 - ly0 + 1);
    cairo_stroke(cr);
    const double span = style.topDb - style.floorDb;
    const double dbStep = niceStep(span, 6);
    cairo_set_source_rgb(cr, fg, fg, fg);
    for (double db = style.topDb; db >= style.floorDb - 1e-9; db -= dbStep) {
        const double y = ly0 + std::round((style.topDb - db) / span * (ly1 - ly0)) + 0.5;
        cairo_move_to(cr, lx + lw, y);
        cairo_line_to(cr, lx + lw + 5, y);
        cairo_stroke(cr);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%.0f", db);
        text(cr, lx + lw + 8, y, buf, 12, 0, 0.5);
    }
    text(cr, lx + lw / 2.0, ly0 - 10, "dB", 12, 0.5, 1);

    cairo_surface_flush(surface.get());
    const std::string temp = path + ".mirelow-" + std::to_string(getpid()) + ".tmp";
    const cairo_status_t status = cairo_surface_write_to_png(surface.get(), temp.c_str());
    if (status != CAIRO_STATUS_SUCCESS || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw Error(
            "cannot write spectrogram '" + path + "': " +
            (status != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(status) : "rename failed"));
    }
}

} // namespace mirelow
