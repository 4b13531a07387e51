// The compander's window: layout, the moves between widgets and effect, idle and the scheme.
#include "dehisseditor.h"

#include "dehiss.h"
#include "resources/Resources.h"

#include <cstdlib>
#include <cstring>

using namespace compander;

namespace {

struct Box {
    CCoord left, top, right, bottom;
    CRect rect() const { return CRect(left, top, right, bottom); }
};

struct ButtonLayout {
    Box box;
    long tag;
    const char* label;
    const char* onLabel;
};

// Left to right under the display.
constexpr ButtonLayout kButtonLayout[dehisseditor::kButtons] = {
    {{5, 250, 78, 268}, kLearnPeak, "learnpeak", "learnpeak"},
    {{83, 250, 174, 268}, kLearnAverage, "learnaverage", "learnaverage"},
    {{179, 250, 228, 268}, kReset, "reset", "reset"},
    {{233, 250, 285, 268}, kLogScale, "linear", "log"},
    {{290, 250, 363, 268}, kStereoLink, "stereolink", "stereolink"},
    {{368, 250, 420, 268}, kInvert, "invert", "invert"},
};

struct KnobLayout {
    Box knob;
    long tag;
    float displayMin, displayMax;
    bool ratio;
    Box label;
    long labelTag;
};

// The display ranges and the ratio flag matter only for a knob without an effect; these knobs
// show the effect's own texts.
constexpr KnobLayout kKnobLayout[dehisseditor::kKnobs] = {
    {{5, 269, 71, 335}, kThreshold, -120, 0, false, {5, 335, 71, 350}, 1000},
    {{76, 269, 142, 335}, kRatio, -4, 4, true, {76, 335, 142, 350}, 1001},
    {{147, 269, 213, 335}, kAttack, 0, 1, false, {147, 335, 213, 350}, 1002},
    {{218, 269, 284, 335}, kRelease, 0, 1, false, {218, 335, 284, 350}, 1003},
    {{289, 269, 355, 335}, kTilt, -6, 6, false, {289, 335, 355, 350}, 1000},
    {{360, 269, 426, 335}, kGain, -24, 24, false, {360, 335, 426, 350}, 1004},
};

constexpr Box kLogoBox{5, 5, 440, 31};
constexpr Box kSplashBox{5, 5, 440, 30};
constexpr Box kDisplayBox{5, 35, 420, 245};
constexpr Box kMeterBox{425, 40, 442, 258};
constexpr Box kTargetBox{425, 335, 442, 352};

// Switches (stereolink, logscale) show on from 0.5; the rest of the buttons show the raw value.
bool isSwitch(long index) {
    return index == kStereoLink || index == kLogScale;
}

bool isParameter(long tag) {
    return tag >= 0 && tag < kNumParams;
}

CColor randomColor() {
    const auto r = static_cast<unsigned char>(std::rand() % 255);
    const auto g = static_cast<unsigned char>(std::rand() % 255);
    const auto b = static_cast<unsigned char>(std::rand() % 255);
    return CColor{r, g, b, 255};
}

} // namespace

dehisseditor::dehisseditor(dehiss* effect) : AEffGUIEditor(effect), fx(effect) {
    rect = ERect{0, 0, kHeight, kWidth};
}

dehisseditor::~dehisseditor() {
    close();
}

bool dehisseditor::open(void* ptr) {
    if (!ptr)
        return false;
    return build(reinterpret_cast<uintptr_t>(ptr));
}

bool dehisseditor::openHeadless() {
    return build(0);
}

bool dehisseditor::build(uintptr_t parentWindow) {
    close();
    guiThread.store(std::this_thread::get_id());
    scheme = kStandardScheme;
    AEffGUIEditor::open(reinterpret_cast<void*>(parentWindow));

    frame = new CFrame(CRect(0, 0, kWidth, kHeight), parentWindow, this);
    if (parentWindow && frame->isHeadless()) {
        // The host's window cannot take a child (a stale id, no display): no editor.
        close();
        return false;
    }
    frame->setBackgroundColor(kWhiteCColor);

    logo = new VGLogo(kLogoBox.rect(), this, kLogoTag, &scheme);
    logo->setLabel("+ t i d e m i l l");
    frame->addView(logo);

    splashBitmap = new CBitmap(mirelow::resources::kAboutBitmapId);
    splash = new CSplashScreen(kSplashBox.rect(), this, kSplashTag, splashBitmap,
                               CRect(0, 0, splashBitmap->getWidth(), splashBitmap->getHeight()),
                               CPoint(0, 0));
    frame->addView(splash);
    splashBitmap->forget(); // the splash screen keeps its own reference
    splashBitmap = nullptr;

    fillView();
    display = new VGSpect(kDisplayBox.rect(), this, kDisplayTag, &scheme, &view);
    display->setInvert(true);
    frame->addView(display);

    for (int i = 0; i < kButtons; ++i) {
        const ButtonLayout& l = kButtonLayout[i];
        auto* b = new VGTextButton(l.box.rect(), this, l.tag, &scheme);
        b->setLabel(l.label);
        b->setOnLabel(l.onLabel);
        b->setValue(fx->getParameter(static_cast<VstInt32>(l.tag)) >= 0.5f ? 1.0f : 0.0f);
        frame->addView(b);
        buttons[static_cast<size_t>(i)] = b;
    }

    for (int i = 0; i < kKnobs; ++i) {
        const KnobLayout& l = kKnobLayout[i];
        const auto tag = static_cast<VstInt32>(l.tag);
        auto* k = new VGGrommetKnob(l.knob.rect(), this, l.tag, &scheme, fx);
        k->setModifiers(KnobModifiers::tidemill);
        k->setValue(fx->getParameter(tag));
        char text[64] = {};
        fx->getParameterLabel(tag, text);
        k->setUnits(text);
        k->setDisplayMin(l.displayMin);
        k->setDisplayMax(l.displayMax);
        k->setRatioDisplay(l.ratio ? 1 : 0);
        frame->addView(k);
        knobs[static_cast<size_t>(i)] = k;

        auto* label = new VGSimpleLabel(l.label.rect(), this, l.labelTag, &scheme);
        char name[64] = {};
        fx->getParameterName(tag, name);
        label->setLabel(name);
        frame->addView(label);
        labels[static_cast<size_t>(i)] = label;
    }

    meter = new VGVertMeter(kMeterBox.rect(), this, kMeterTag, &scheme);
    meter->setValue(0.0f);
    frame->addView(meter);

    target = new VGTargetButton(kTargetBox.rect(), this, kTargetTag, &scheme);
    target->setLabel("");
    target->setValue(palette ? 1.0f : 0.0f);
    frame->addView(target);

    // Built from the current values: changes recorded before now are already shown.
    pending.store(0);
    opened = true;
    return true;
}

void dehisseditor::close() {
    if (!frame) {
        AEffGUIEditor::close();
        return;
    }
    opened = false;
    frame->forget(); // and every widget with it
    frame = nullptr;
    splashBitmap = nullptr;
    logo = nullptr;
    splash = nullptr;
    display = nullptr;
    meter = nullptr;
    target = nullptr;
    buttons.fill(nullptr);
    knobs.fill(nullptr);
    labels.fill(nullptr);
    guiThread.store(std::thread::id());
    AEffGUIEditor::close();
}

void dehisseditor::fillView() {
    view = SpectrumView{};
    const int channelMode = fx->channelMode.load();
    view.bins = fx->halfSize;
    view.rows = channelMode == 1 ? 2 : 1;
    view.curves = 2;
    view.spectrumTop = 0.0f;
    view.spectrumBottom = -96.0f;
    view.filterTop = 0.0f;
    view.filterBottom = -96.0f;
    view.filterFormat = 0;
    const int second = channelMode == 1 ? 1 : 0;
    spectrumSource = {fx->inSpect[0], fx->inSpect[second], fx->outSpectCopy[0],
                      fx->outSpectCopy[second]};
    for (size_t i = 0; i < spectra.size(); ++i)
        view.spectra[i] = spectra[i].data();
    view.filterB[0] = view.filterB[1] = nullptr;
    view.displayGain = &displayGain;
    view.channelGain[0] = view.channelGain[1] = &unitGain;
    view.shift = &noShift;
    view.logScale = &logScale;
    view.sampleRate = fx->getSampleRate();
    refreshView();
}

// The engine's spectra are plain floats that the audio thread rewrites whole every frame; they
// are read here without a lock while it does. A copy that mixes two frames shows as a glitch of
// one picture, nothing more. (This function is the one place where the editor reads what the
// audio thread writes; the thread checker is told so.)
void dehisseditor::copySpectra() {
    for (size_t i = 0; i < spectra.size(); ++i)
        std::memcpy(spectra[i].data(), spectrumSource[i], sizeof spectra[i]);
}

void dehisseditor::refreshView() {
    copySpectra();
    // The shapes and the tilt table are those of the moment: a program change or a new tilt
    // replaces them.
    for (int c = 0; c < 2; ++c)
        std::memcpy(drawnShape[static_cast<size_t>(c)].data(), fx->thresholdShape(c),
                    sizeof drawnShape[0]);
    const bool linked = fx->getParameter(kStereoLink) > 0.5f;
    if (fx->channelMode.load() == 1) {
        view.rows = 2;
        view.filterA[0] = drawnShape[0].data();
        view.filterA[1] = drawnShape[linked ? 0 : 1].data();
    } else {
        view.rows = 1;
        view.filterA[0] = view.filterA[1] = drawnShape[0].data();
    }
    std::memcpy(drawnWeights.data(), fx->tiltWeight(), sizeof drawnWeights);
    view.weights = drawnWeights.data();
    displayGain = fx->thresholdPower.load();
    logScale = fx->logScale.load(std::memory_order_relaxed);
}

void dehisseditor::handBackShapes() {
    fx->setThresholdShape(0, drawnShape[0].data());
    if (view.filterA[1] == drawnShape[1].data())
        fx->setThresholdShape(1, drawnShape[1].data());
}

void dehisseditor::idle() {
    // The thread first: a host thread that loads a chunk while the editor opens elsewhere must not
    // read the frame being built.
    if (!onGuiThread() || !frame || !opened || fx->readyLevel.load() < 2)
        return;
    applyPending();
    AEffGUIEditor::idle();
    if (!frame) // a click in the frame may have ended in close
        return;
    if (meter)
        meter->setValue(fx->getLevel(1));
    if (fx->getParameter(kReset) > 0.5f) {
        fx->setParameter(kReset, 0.0f);
        releaseMomentary(kReset);
    }
    for (long index : {static_cast<long>(kLearnPeak), static_cast<long>(kLearnAverage)}) {
        if (fx->getParameter(static_cast<VstInt32>(index)) > 0.5f && fx->learning.load() == 0) {
            fx->setParameter(static_cast<VstInt32>(index), 0.0f); // finishes the pass
            releaseMomentary(index);
        }
    }
    // The display repaints at every idle, with the latest frame's spectra and the shapes of the
    // current program (as the buttons above left them).
    if (display) {
        refreshView();
        display->setDirty(true);
    }
}

void dehisseditor::releaseMomentary(long index) {
    if (CControl* c = getParameterControl(index)) {
        c->setValue(0.0f);
        c->setDirty(true);
    }
}

void dehisseditor::setParameter(VstInt32 index, float) {
    if (index < 0 || index >= kNumParams)
        return;
    if (onGuiThread() && frame) {
        applyParameter(index);
        return;
    }
    pending.fetch_or(1u << index, std::memory_order_release);
}

void dehisseditor::applyPending() {
    const uint32_t changed = pending.exchange(0, std::memory_order_acquire);
    for (long index = 0; index < kNumParams; ++index)
        if (changed & (1u << index))
            applyParameter(index);
}

void dehisseditor::applyParameter(long index) {
    CControl* c = getParameterControl(index);
    if (!c)
        return;
    const float v = fx->getParameter(static_cast<VstInt32>(index));
    c->setValue(isSwitch(index) ? (v < 0.5f ? 0.0f : 1.0f) : v);
}

CControl* dehisseditor::getParameterControl(long index) const {
    for (int i = 0; i < kButtons; ++i)
        if (kButtonLayout[i].tag == index)
            return buttons[static_cast<size_t>(i)];
    for (int i = 0; i < kKnobs; ++i)
        if (kKnobLayout[i].tag == index)
            return knobs[static_cast<size_t>(i)];
    return nullptr;
}

void dehisseditor::valueChanged(CDrawContext*, CControl* control) {
    if (!control || !frame)
        return;
    const long tag = control->getTag();
    if (tag == kTargetTag) {
        toggleScheme();
        return;
    }
    // Only parameter indexes reach the effect and the host: the display, the labels, the logo,
    // the meter and the splash screen share the listener but are no parameters.
    if (isParameter(tag))
        fx->setParameterAutomated(static_cast<VstInt32>(tag), control->getValue());
    else if (control == display)
        handBackShapes(); // a stroke redrew the threshold curve
    control->setDirty(true);
    if (display) {
        refreshView(); // a reset, say, shows at once
        display->setDirty(true);
    }
}

void dehisseditor::toggleScheme() {
    if (palette == 0) {
        palette = 1;
        scheme.face = randomColor();
        scheme.accent = randomColor();
        scheme.highlight = randomColor();
    } else {
        palette = 0;
        scheme = kStandardScheme;
    }
    frame->invalidate(CRect(0, 0, kWidth, kHeight));
}
