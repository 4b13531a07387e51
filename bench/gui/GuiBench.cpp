// Repaint cost of the widgets the editors refresh at every idle: the spectrum display (two rows,
// two spectra, two curves) and a whole editor-sized frame of widgets.
#include "gui/WidgetGallery.h"

#include <benchmark/benchmark.h>

namespace {

WidgetScheme scheme{{229, 80, 105, 255}, {217, 0, 13, 255}, {217, 54, 0, 255}, {0, 0, 0, 255}};

void SpectrumRepaint(benchmark::State& state) {
    mirelow::gui::DemoSpectra data(512);
    SpectrumView view = data.view(2, 2, true);
    view.logScale = &data.logScale;
    CFrame frame(CRect(0, 0, 440, 370));
    auto* spect = new VGSpect(CRect(5, 35, 420, 245), nullptr, 1001, &scheme, &view);
    frame.addView(spect);
    frame.setMousePosition(CPoint(200, 100)); // with the read-out
    frame.idle();
    for (auto _ : state) {
        spect->setDirty();
        frame.idle();
    }
}
BENCHMARK(SpectrumRepaint)->Unit(benchmark::kMillisecond);

// The layout of an editor: logo, spectrum, meter, six buttons, six knobs with captions, target.
void WholeFrameRepaint(benchmark::State& state) {
    mirelow::gui::DemoSpectra data(512);
    SpectrumView view = data.view(2, 2, true);
    view.logScale = &data.logScale;
    CFrame frame(CRect(0, 0, 445, 370));
    auto* logo = new VGLogo(CRect(5, 5, 440, 31), nullptr, 1234, &scheme);
    logo->setLabel("+ t i d e m i l l");
    frame.addView(logo);
    frame.addView(new VGSpect(CRect(5, 35, 420, 245), nullptr, 1001, &scheme, &view));
    auto* meter = new VGVertMeter(CRect(425, 40, 442, 258), nullptr, 1005, &scheme);
    meter->setValue(0.5f);
    frame.addView(meter);
    const char* labels[] = {"learnpeak", "learnaverage", "reset", "linear", "stereolink", "invert"};
    const int lefts[] = {5, 83, 179, 233, 290, 368}, rights[] = {78, 174, 228, 285, 363, 420};
    for (int i = 0; i < 6; ++i) {
        auto* b = new VGTextButton(CRect(lefts[i], 250, rights[i], 268), nullptr, 4 + i, &scheme);
        b->setLabel(labels[i]);
        b->setOnLabel(labels[i]);
        frame.addView(b);
        auto* k = new VGGrommetKnob(CRect(5 + 71 * i, 269, 71 + 71 * i, 335), nullptr, i, &scheme);
        k->setDisplayMin(-24);
        k->setDisplayMax(24);
        k->setValue(0.1f * i);
        frame.addView(k);
        auto* l =
            new VGSimpleLabel(CRect(5 + 71 * i, 335, 71 + 71 * i, 350), nullptr, 1000, &scheme);
        l->setLabel("threshold");
        frame.addView(l);
    }
    frame.addView(new VGTargetButton(CRect(425, 335, 442, 352), nullptr, 1206, &scheme));
    for (auto _ : state)
        frame.redraw();
}
BENCHMARK(WholeFrameRepaint)->Unit(benchmark::kMillisecond);

} // namespace
