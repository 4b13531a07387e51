// The picture of tidemill's editor: real spectra where the sound is, and the command's options.
#include "Error.h"
#include "TidemillEditorSnapshot.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <unistd.h>

using namespace mirelow;

namespace {

// Pixels of one column of the display's upper band that differ from the plot's grey.
int inkInColumn(cairo_surface_t* s, int x) {
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    int ink = 0;
    for (int y = 37; y < 138; ++y) {
        const uint32_t px = reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
        ink += px != 0xF0F0F0;
    }
    return ink;
}

} // namespace

TEST(TidemillEditorPicture, ShowsTheSpectrumWhereTheToneIs) {
    constexpr double kRate = 44100.0, kTone = 5000.0;
    AudioBuffer tone(2, 44100, kRate);
    for (auto& ch : tone.channels)
        for (std::size_t i = 0; i < ch.size(); ++i)
            ch[i] = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * kTone * i / kRate));
    auto plugin = makeLinkedTidemill(kRate);
    plugin->setParam(9, 0.0f); // linear frequency axis
    const std::string png = "/tmp/tidemill-editor-" + std::to_string(getpid()) + ".png";
    writeTidemillEditorPicture(*plugin, tone, 0.5, png);
    cairo_surface_t* s = cairo_image_surface_create_from_png(png.c_str());
    std::remove(png.c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(s), 445);
    EXPECT_EQ(cairo_image_surface_get_height(s), 370);
    // The display spans x 5 … 420 for 0 … 22.05 kHz.
    const int toneX = 5 + static_cast<int>(kTone / (kRate / 2) * 415);
    EXPECT_GT(inkInColumn(s, toneX), 60);
    EXPECT_LT(inkInColumn(s, 350), 20) << "nothing but the threshold line far from the tone";
    cairo_surface_destroy(s);
}

TEST(TidemillEditorPicture, OptionsAreCheckedBeforeAnythingRuns) {
    const auto shot = parseTidemillEditorShot(
        {"out.png", "--at", "1.5", "--program", "Noise Reduction", "--set", "ratio=0.7"});
    EXPECT_EQ(shot.png, "out.png");
    EXPECT_EQ(shot.at, 1.5);
    EXPECT_EQ(shot.program.value_or(""), "Noise Reduction");
    ASSERT_EQ(shot.sets.size(), 1u);
    EXPECT_EQ(shot.sets[0].name, "ratio");
    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"a.png", "b.png"},
                                                {"a.png", "--at", "-1"},
                                                {"a.png", "--set", "ratio"},
                                                {"a.png", "--learn"},
                                                {"a.png", "--bogus", "1"}})
        EXPECT_THROW(parseTidemillEditorShot(bad), UsageError) << bad.size();
}
