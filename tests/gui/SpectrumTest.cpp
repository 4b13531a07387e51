// Spectrum display: axis and level tables, the read-out, and curves drawn by dragging.
#include "WidgetTestSupport.h"

#include "gui/WidgetGallery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr int kBins = 512;
constexpr int kW = 415, kH = 210;

struct SpectBench {
    WidgetScheme scheme = testScheme();
    mirelow::gui::DemoSpectra data{kBins};
    SpectrumView view;
    RecordingEditor editor;
    RecordingListener listener;
    CFrame frame{CRect(0, 0, 430, 230), &editor};
    VGSpect* spect;
    explicit SpectBench(int rows, bool log = true) {
        view = data.view(rows, 2, log);
        data.logScale = log ? 1 : 0;
        view.logScale = &data.logScale;
        spect = new VGSpect(CRect(5, 10, 5 + kW, 10 + kH), &listener, 1001, &scheme, &view);
        frame.addView(spect);
        frame.redraw();
    }
    // Local widget point → frame point.
    static CPoint at(int x, int y) { return CPoint(5 + x, 10 + y); }
};

} // namespace

TEST(SpectrumTables, LogAxisShowsTheTopEightOctaves) {
    SpectBench b(1, true);
    EXPECT_EQ(b.spect->binOfX(0), kBins / 256);
    EXPECT_EQ(b.spect->xOfBin(kBins / 256), 0);
    EXPECT_LT(b.spect->xOfBin(kBins / 256 - 1), 0); // left of the plot
    EXPECT_EQ(b.spect->xOfBin(0), 0);
    EXPECT_NEAR(b.spect->xOfBin(kBins / 2), kW * 7 / 8, 1); // one octave below the top
    EXPECT_GT(b.spect->binOfX(kW - 1), kBins * 98 / 100);
    for (int x = 1; x < kW; ++x)
        EXPECT_GE(b.spect->binOfX(x), b.spect->binOfX(x - 1));
    // The two tables agree: the bin under x lies at or left of x.
    for (int x = 0; x < kW; x += 7)
        EXPECT_LE(b.spect->xOfBin(b.spect->binOfX(x)), x);
}

TEST(SpectrumTables, LinearAxisSpreadsBinsEvenly) {
    SpectBench b(1, false);
    struct Case {
        int bin, x;
    } cases[] = {{0, 0}, {1, 0}, {100, 81}, {256, 207}, {511, 414}};
    for (auto k : cases)
        EXPECT_EQ(b.spect->xOfBin(k.bin), k.x) << k.bin;
    EXPECT_EQ(b.spect->binOfX(207), 255);
    EXPECT_EQ(b.spect->binOfX(5000), b.spect->binOfX(kW - 1));
    EXPECT_EQ(b.spect->binOfX(-5), 0);
}

TEST(SpectrumTables, LevelsMapToRowsOfTheirBand) {
    for (int rows : {1, 2}) {
        SpectBench b(rows);
        const int band = kH / rows;
        EXPECT_EQ(b.spect->bandHeight(), band);
        struct Case {
            float power;
            bool filter;
            int row;
        } cases[] = {
            {0.f, false, band},    // silence: the last row
            {1e-12f, false, band}, // under −96 dB
            {4.f, false, 0},       // above 0 dB: row 0
            {1.f, false, 1},       // exactly the top value: row 0 is not below it
            {std::pow(10.f, -4.8f), false, band / 2 + 1}, // −48 dB: half way
            {1000.f, true, 0},                            // above +24 dB on the filter axis
            {1.f, true, band / 2 + 1},                    // 0 dB: the middle of the filter axis
        };
        for (auto k : cases)
            EXPECT_EQ(b.spect->rowOf(k.power, k.filter), k.row) << rows << " " << k.power;
    }
}

TEST(SpectrumTables, SwitchingRowsRebuildsBeforeTheNextPaint) {
    SpectBench b(1);
    EXPECT_EQ(b.spect->bandHeight(), kH);
    b.view.rows = 2;
    b.spect->setDirty();
    b.frame.idle();
    EXPECT_EQ(b.spect->rowsSeen(), 2);
    EXPECT_EQ(b.spect->bandHeight(), kH / 2);
    b.view.rows = 1;
    b.spect->setDirty();
    b.frame.idle();
    EXPECT_EQ(b.spect->bandHeight(), kH);
}

TEST(SpectrumReadout, NamesTheChannelUnderTheMouseInFull) {
    SpectBench two(2);
    char upper[128], lower[128];
    two.spect->readoutTexts(CPoint(200, 20), upper, lower);
    const int k = two.spect->binOfX(200);
    char expected[128];
    std::snprintf(expected, sizeof expected, "channel 1   %5.2f Hz   %4.2f dB",
                  44100.f * k / 1024.f,
                  10.f * std::log10(VGSpect::binPower(two.data.spectra[0].data(), k, kBins)));
    EXPECT_STREQ(upper, expected);
    EXPECT_STREQ(lower, "channel 2");

    two.spect->readoutTexts(CPoint(200, 150), upper, lower);
    EXPECT_STREQ(upper, "channel 1");
    EXPECT_EQ(std::string(lower).rfind("channel 2   ", 0), 0u);

    SpectBench one(1);
    one.spect->readoutTexts(CPoint(200, 150), upper, lower);
    EXPECT_EQ(std::string(upper).rfind("channel 1   ", 0), 0u);
    EXPECT_STREQ(lower, "");
    one.spect->readoutTexts(CPoint(-1, 150), upper, lower);
    EXPECT_STREQ(upper, "");
}

TEST(SpectrumDrawing, ADragFillsEverySkippedBinInEitherDirection) {
    struct Case {
        int rows, fromX, toX, y;
        int channel;
    } cases[] = {
        {1, 40, 380, 50, 0},  // left to right
        {1, 380, 40, 50, 0},  // right to left
        {2, 300, 20, 150, 1}, // lower band edits channel 2
        {2, 20, 300, 30, 0},
    };
    for (const auto& k : cases) {
        SpectBench b(k.rows);
        for (auto& f : b.data.filterA)
            std::fill(f.begin(), f.end(), -1.f);
        b.frame.playMouse(
            {{SpectBench::at(k.fromX, k.y), kLButton}, {SpectBench::at(k.toX, k.y), kLButton}});
        const int lo = b.spect->binOfX(std::min(k.fromX, k.toX));
        const int hi = b.spect->binOfX(std::max(k.fromX, k.toX));
        const auto& edited = b.data.filterA[k.channel];
        const auto& other = b.data.filterA[1 - k.channel];
        int written = 0;
        for (int i = 0; i < kBins; ++i)
            written += edited[i] != -1.f;
        EXPECT_EQ(written, hi - lo + 1) << k.fromX << "→" << k.toX;
        for (int i = lo; i <= hi; ++i)
            EXPECT_GT(edited[i], 0.f) << i;
        for (float v : other)
            EXPECT_EQ(v, -1.f);
        EXPECT_EQ(b.data.edited, 1);
        EXPECT_EQ(b.listener.changes.size(), 2u);
        EXPECT_EQ(b.editor.begins, std::vector<long>{1001});
        EXPECT_EQ(b.editor.ends, std::vector<long>{1001});
    }
}

TEST(SpectrumDrawing, WritesTheRowsPowerThroughGainsWeightsAndInversion) {
    for (bool invert : {false, true}) {
        SpectBench b(1);
        b.spect->setInvert(invert);
        b.data.displayGain = 2.f;
        b.data.gain1 = 0.5f;
        std::fill(b.data.weights.begin(), b.data.weights.end(), 4.f);
        b.data.shift = 5;
        const int y = 60;
        b.frame.playMouse({{SpectBench::at(200, y), kLButton}});
        const int bin = b.spect->binOfX(200);
        const float p = b.spect->rowPower(y, true);
        const float v = b.data.filterA[0][(bin + 5) % kBins];
        if (invert)
            EXPECT_NEAR(v, 1.f / (4.f * p), 1e-6f * v);
        else
            EXPECT_NEAR(v, p / 4.f, 1e-6f * v);
        // And it draws back onto the row it was drawn at.
        EXPECT_EQ(b.spect->rowOf(invert ? 1.f / (v * 4.f) : v * 4.f, true), y + 1);
    }
}

TEST(SpectrumDrawing, ShiftWrapsInsideTheArrayAndFormatOneIsReadOnly) {
    SpectBench b(1, false);
    b.data.shift = 10;
    for (auto& f : b.data.filterA)
        std::fill(f.begin(), f.end(), -1.f);
    b.frame.playMouse(
        {{SpectBench::at(kW - 1, 50), kLButton}, {SpectBench::at(kW - 30, 50), kLButton}});
    const int lo = b.spect->binOfX(kW - 30), hi = b.spect->binOfX(kW - 1);
    ASSERT_GT(hi + 10, kBins); // the edit wraps to the start of the array
    for (int bin = lo; bin <= hi; ++bin)
        EXPECT_NE(b.data.filterA[0][(bin + 10) % kBins], -1.f) << bin;

    SpectBench ro(1);
    ro.view.filterFormat = 1;
    for (auto& f : ro.data.filterA)
        std::fill(f.begin(), f.end(), -1.f);
    ro.frame.playMouse({{SpectBench::at(100, 50), kLButton}, {SpectBench::at(200, 50), kLButton}});
    for (float v : ro.data.filterA[0])
        EXPECT_EQ(v, -1.f);
    EXPECT_EQ(ro.data.edited, 0);
}

TEST(SpectrumPaint, MirrorsTheLowerBandAndDrawsOnTheGreyPlot) {
    SpectBench b(2);
    // Silence everywhere: every spectrum point lies on the middle line.
    for (auto& s : b.data.spectra)
        std::fill(s.begin(), s.end(), 0.f);
    b.view.filterA[0] = b.view.filterA[1] = nullptr;
    b.view.filterB[0] = b.view.filterB[1] = nullptr;
    b.spect->setDirty();
    b.frame.idle();
    const CPoint upper = SpectBench::at(200, 40), lower = SpectBench::at(200, 180);
    EXPECT_EQ(b.frame.getPixel(upper.x, upper.y), 0xF0F0F0u);
    EXPECT_EQ(b.frame.getPixel(lower.x, lower.y), 0xF0F0F0u);

    // A loud channel 2 fills the lower band down to the bottom edge.
    std::fill(b.data.spectra[1].begin(), b.data.spectra[1].end(), 2.f);
    b.spect->setDirty();
    b.frame.idle();
    EXPECT_EQ(b.frame.getPixel(upper.x, upper.y), 0xF0F0F0u);
    EXPECT_EQ(b.frame.getPixel(lower.x, lower.y), rgbOf(lightColor(b.scheme.accent)));
}
