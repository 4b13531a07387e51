// The widget gallery.
#include "WidgetGallery.h"

#include <cmath>
#include <cstdio>

namespace mirelow::gui {

DemoSpectra::DemoSpectra(int n) : bins(n) {
    for (int s = 0; s < 4; ++s) {
        auto& a = spectra[s];
        a.assign(2 * n, 0.f);
        const int channel = s % 2;
        const float outputCut = s >= 2 ? 0.35f : 1.f;
        for (int k = 0; k < n; ++k) {
            // A falling slope with a few partials and a deterministic ripple.
            float f = float(k) / n;
            float mag = 0.2f * std::exp(-6.f * f) + 0.002f * (1.3f + std::sin(k * 0.7f + channel));
            for (int h = 1; h <= 6; ++h) {
                int peak = (18 + 9 * channel) * h;
                if (std::abs(k - peak) <= 1)
                    mag += 0.25f / h;
            }
            mag *= outputCut;
            if (k == 0)
                a[0] = mag;
            else {
                a[k] = mag * 0.8f;
                a[2 * n - k] = mag * 0.6f;
            }
        }
    }
    for (int c = 0; c < 2; ++c) {
        filterA[c].assign(n, 1.f);
        filterB[c].assign(n, 1.f);
        for (int k = 0; k < n; ++k) {
            float f = float(k) / n;
            filterA[c][k] = std::pow(10.f, (-12.f * f + 6.f * std::sin(f * 9.f + c)) / 10.f);
            filterB[c][k] = std::pow(10.f, (8.f - 16.f * f) / 10.f);
        }
    }
    weights.assign(n, 1.f);
}

SpectrumView DemoSpectra::view(int rows, int curves, bool) {
    SpectrumView v;
    v.bins = bins;
    v.rows = rows;
    v.curves = curves;
    v.spectrumTop = 0.f;
    v.spectrumBottom = -96.f;
    v.filterTop = 24.f;
    v.filterBottom = -24.f;
    v.edited = &edited;
    for (int s = 0; s < 4; ++s)
        v.spectra[s] = spectra[s].data();
    v.filterA[0] = filterA[0].data();
    v.filterA[1] = filterA[1].data();
    v.filterB[0] = filterB[0].data();
    v.filterB[1] = filterB[1].data();
    v.displayGain = &displayGain;
    v.weights = weights.data();
    v.channelGain[0] = &gain1;
    v.channelGain[1] = &gain2;
    v.shift = &shift;
    v.sampleRate = 44100.f;
    return v;
}

WidgetGallery::~WidgetGallery() {
    if (frame)
        frame->forget();
}

std::unique_ptr<WidgetGallery> makeWidgetGallery() {
    auto g = std::make_unique<WidgetGallery>();
    g->scheme =
        WidgetScheme{{43, 165, 104, 255}, {84, 145, 18, 255}, {0, 99, 148, 255}, {0, 0, 0, 255}};
    g->data = std::make_unique<DemoSpectra>(512);
    WidgetScheme* s = &g->scheme;
    CFrame* frame = new CFrame(CRect(0, 0, 900, 760));
    g->frame = frame;

    auto* logo = new VGLogo(CRect(5, 5, 440, 31), nullptr, 1234, s);
    logo->setLabel("+ t i d e m i l l");
    frame->addView(logo);

    // Knobs: one row per display mode, values 0, 0.5 and 1.
    struct Mode {
        const char* name;
        float min, max;
        bool ratio, log, integer;
        const char* units;
    };
    static constexpr Mode modes[] = {
        {"linear -2..2", -2, 2, false, false, false, "dB"},
        {"linear 0..60", 0, 60, false, false, false, "ms"},
        {"ratio -2..2", -2, 2, true, false, false, ""},
        {"log 1..8", 1, 8, false, true, false, "x"},
        {"integer 1..11", 1, 11, false, false, true, ""},
    };
    static constexpr float values[] = {0.f, 0.5f, 1.f};
    for (int m = 0; m < 5; ++m) {
        for (int v = 0; v < 3; ++v) {
            int x = 5 + v * 70, y = 40 + m * 85;
            auto* k = new VGGrommetKnob(CRect(x, y, x + 66, y + 66), nullptr, m * 3 + v, s);
            k->setDisplayMin(modes[m].min);
            k->setDisplayMax(modes[m].max);
            k->setRatioDisplay(modes[m].ratio ? 1 : 0);
            k->setLogDisplay(modes[m].log);
            k->setIntegerDisplay(modes[m].integer);
            k->setUnits(modes[m].units);
            k->setValue(values[v]);
            frame->addView(k);
        }
        auto* caption = new VGSimpleLabel(CRect(215, 40 + m * 85 + 20, 300, 40 + m * 85 + 40),
                                          nullptr, 1000, s);
        caption->setLabel(modes[m].name);
        frame->addView(caption);
    }

    // Meters: 0, 1.0, 2.5, and 0.3 with figures (turned on by a click below).
    static constexpr float levels[] = {0.f, 1.f, 2.5f, 0.3f};
    VGVertMeter* figures = nullptr;
    for (int i = 0; i < 4; ++i) {
        int x = 310 + i * 25;
        auto* meter = new VGVertMeter(CRect(x, 40, x + 17, 258), nullptr, 1005, s);
        meter->setValue(levels[i]);
        frame->addView(meter);
        if (i == 3)
            figures = meter;
    }

    // Buttons off and on.
    const char* labels[][2] = {
        {"learnpeak", "learnpeak"}, {"linear", "log"}, {"stereolink", "stereolink"}};
    for (int i = 0; i < 3; ++i) {
        for (int on = 0; on < 2; ++on) {
            int x = 310 + on * 75, y = 270 + i * 25;
            auto* b = new VGTextButton(CRect(x, y, x + 70, y + 18), nullptr, 4 + i, s);
            b->setLabel(labels[i][0]);
            b->setOnLabel(labels[i][1]);
            b->setValue(float(on));
            frame->addView(b);
        }
    }
    for (int on = 0; on < 2; ++on) {
        auto* t =
            new VGTargetButton(CRect(310 + on * 25, 350, 327 + on * 25, 367), nullptr, 1206, s);
        t->setValue(float(on));
        frame->addView(t);
    }
    auto* bottom = new VGBottomLabel(CRect(5, 470, 440, 488), nullptr, 1000, s);
    bottom->setLabel("a bottom label: the full-width text line");
    frame->addView(bottom);

    // Spectrum displays: one band log with two spectra, two bands linear, two bands log with a
    // drawn curve.
    struct Display {
        CRect r;
        int rows, curves;
        bool log;
    };
    const Display displays[] = {
        {CRect(460, 5, 875, 215), 1, 2, true},
        {CRect(460, 225, 875, 435), 2, 2, false},
        {CRect(460, 445, 875, 655), 2, 1, true},
    };
    std::vector<VGSpect*> spects;
    for (const auto& d : displays) {
        g->views.push_back(std::make_unique<SpectrumView>(g->data->view(d.rows, d.curves, d.log)));
        g->logFlags.push_back(d.log ? 1 : 0);
    }
    for (size_t i = 0; i < std::size(displays); ++i) {
        g->views[i]->logScale = &g->logFlags[i];
        auto* sp = new VGSpect(displays[i].r, nullptr, 1001, s, g->views[i].get());
        frame->addView(sp);
        spects.push_back(sp);
    }
    frame->redraw();

    // A curve drawn by a drag across the upper band of the third display, and the figures shown.
    std::vector<CMouseStep> drag;
    for (int x = 480; x <= 840; x += 12)
        drag.push_back({CPoint(x, 470 + int(40 * std::sin((x - 480) / 50.0)) + 20), kLButton});
    frame->playMouse(drag);
    frame->playMouse({{CPoint(figures->size.left + 5, 50), kLButton}});
    // The read-out of the first display.
    frame->setMousePosition(CPoint(600, 120));
    spects[0]->setDirty();
    frame->idle();
    return g;
}

bool renderWidgetGallery(const char* pngPath) {
    auto g = makeWidgetGallery();
    return g->frame->writePng(pngPath);
}

} // namespace mirelow::gui
