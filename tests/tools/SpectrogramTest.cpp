// The spectrogram's measurements: a sine lands in the row of its frequency, at its level in dB,
// in the columns of its time, and a picture is written.
#include "Spectrogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace mirelow {
namespace {

// Row of frequency hz on the analysis grid (row 0 at the top, at Nyquist).
int rowOf(const SpectrogramImage& img, double hz) {
    return static_cast<int>(img.rows * std::log(img.maxHz / hz) / std::log(img.maxHz / img.minHz));
}

TEST(Spectrogram, SineShowsAtItsFrequencyLevelAndTime) {
    constexpr double kRate = 48000;
    AudioBuffer a(1, static_cast<std::size_t>(2 * kRate), kRate);
    // Silence for a second, then a 1 kHz sine of amplitude 0.5 (-6.02 dB).
    for (std::size_t i = static_cast<std::size_t>(kRate); i < a.frames(); ++i)
        a.channels[0][i] = static_cast<float>(
            0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i) / kRate));
    const SpectrogramImage img = analyseSpectrogram(a, 300, 200, 20.0, 2.0);
    ASSERT_EQ(img.rows, 300);
    ASSERT_EQ(img.columns, 200);
    const int row = rowOf(img, 1000.0);
    for (int col : {150, 180}) {
        float best = -1000;
        for (int r = row - 2; r <= row + 2; ++r)
            best = std::max(best, img.at(r, col));
        // Within the Hann window's scalloping loss (at most 1.42 dB between bins).
        EXPECT_NEAR(best, -6.02 - 0.71, 0.72) << col;
        EXPECT_LT(img.at(rowOf(img, 100.0), col), -60.0f);
        EXPECT_LT(img.at(rowOf(img, 10000.0), col), -60.0f);
    }
    EXPECT_LT(img.at(row, 40), -150.0f); // the silent first second
}

TEST(Spectrogram, PictureIsWrittenAndAFailedWriteLeavesNothing) {
    AudioBuffer a(2, 44100, 44100);
    for (std::size_t i = 0; i < a.frames(); ++i)
        a.channels[0][i] = a.channels[1][i] =
            static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    const auto path = std::filesystem::temp_directory_path() / "mirelow-spectrogram-test.png";
    writeSpectrogramPng(path.string(), "title", "subtitle", {{"input", &a}, {"output", &a}});
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_GT(std::filesystem::file_size(path), 10000u);
    std::filesystem::remove(path);
    EXPECT_ANY_THROW(writeSpectrogramPng("/nonexistent-folder/x.png", "t", "s", {{"input", &a}}));
}

TEST(Spectrogram, ColumnsBuiltFromSlicesAreTheColumnsOfTheWhole) {
    AudioBuffer a(2, 30011, 44100);
    for (std::size_t i = 0; i < a.frames(); ++i) {
        a.channels[0][i] = static_cast<float>(std::sin(0.031 * static_cast<double>(i)));
        a.channels[1][i] = static_cast<float>(std::sin(0.0007 * static_cast<double>(i * i % 9973)));
    }
    const SpectrogramImage whole = analyseSpectrogram(a, 120, 97, 20.0, 0.8);
    for (const std::size_t slice : {1ul, 1000ul, 4095ul, 4097ul}) {
        SpectrogramBuilder b(44100, 2, a.frames(), 120, 97, 20.0, 0.8);
        for (std::size_t pos = 0; pos < a.frames(); pos += slice) {
            const std::size_t n = std::min(slice, a.frames() - pos);
            const float* ch[2] = {a.channels[0].data() + pos, a.channels[1].data() + pos};
            b.feed(ch, n);
        }
        EXPECT_TRUE(b.finish().db == whole.db) << slice;
    }
    // A stream that ends before its announced length leaves the columns past its end dark.
    SpectrogramBuilder cut(44100, 2, a.frames(), 120, 97, 20.0, 0.8);
    const float* ch[2] = {a.channels[0].data(), a.channels[1].data()};
    cut.feed(ch, a.frames() / 2);
    const SpectrogramImage& half = cut.finish();
    EXPECT_EQ(half.at(60, 10), whole.at(60, 10));
    EXPECT_EQ(half.at(60, 90), -300.0f);
}

} // namespace
} // namespace mirelow
