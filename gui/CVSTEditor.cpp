// wendle's editor: widget layout, the display's view record, idle, and the round trip of every
// edit through the host bridge.
#include "gui/CVSTEditor.h"

#include "wendle/wendle.h"

#include <algorithm>
#include <cstdlib>

using namespace wendleui;

CVSTEditor::CVSTEditor(IWendleEditorHost* h, wendle* effect)
    : AEffGUIEditor(effect), host(h), fx(effect) {
    rect = ERect{0, 0, static_cast<VstInt16>(kHeight), static_cast<VstInt16>(kWidth)};
}

CVSTEditor::~CVSTEditor() {
    close();
    // Whoever deletes the editor, the effect must not delete it again.
    if (effect && effect->getEditor() == this)
        effect->setEditor(nullptr);
}

bool CVSTEditor::open(void* parent) {
    if (frame)
        close();
    AEffGUIEditor::open(parent);
    scheme = kDefaultScheme;
    frame = new CFrame(CRect(0, 0, kWidth, kHeight), parent, this);
    frame->setBackgroundColor(kWhiteCColor);
    sampleRate = fx->getSampleRate();
    fx->setDisplayWanted(true);
    fillView();

    logo = new VGLogo(rectOf(kLogoBox), this, kTagLogo, &scheme);
    logo->setLabel("+ w e n d l e");
    frame->addView(logo);

    auto* about = new CBitmap(kAboutBitmap);
    splash = new CSplashScreen(rectOf(kSplashBox), this, kTagSplash, about,
                               CRect(0, 0, about->getWidth(), about->getHeight()));
    about->forget();
    frame->addView(splash);

    spectrum = new VGSpect(rectOf(kSpectrumBox), this, kTagSpectrum, &scheme, &view);
    frame->addView(spectrum);

    meter = new VGVertMeter(rectOf(kMeterBox), this, kTagMeter, &scheme);
    meter->setValue(0.f);
    frame->addView(meter);

    byTag.fill(nullptr);
    for (size_t i = 0; i < kButtons.size(); ++i) {
        const ButtonSpec& b = kButtons[i];
        auto* button = new VGTextButton(rectOf(b.box), this, b.tag, &scheme);
        button->setLabel(b.label);
        button->setOnLabel(b.onLabel);
        button->setValue(fx->getParameter(static_cast<VstInt32>(b.tag)));
        frame->addView(button);
        buttons[i] = button;
        byTag[static_cast<size_t>(b.tag)] = button;
    }
    for (size_t i = 0; i < kKnobs.size(); ++i) {
        const KnobSpec& k = kKnobs[i];
        const auto index = static_cast<VstInt32>(k.tag);
        char text[64] = {};
        auto* knob = new VGGrommetKnob(rectOf(k.knob), this, k.tag, &scheme, fx);
        fx->getParameterLabel(index, text);
        knob->setUnits(text);
        knob->setDisplayMin(k.displayMin);
        knob->setDisplayMax(k.displayMax);
        knob->setValue(fx->getParameter(index));
        frame->addView(knob);
        knobs[i] = knob;
        byTag[static_cast<size_t>(k.tag)] = knob;

        auto* caption = new VGSimpleLabel(rectOf(k.caption), this, kTagCaption, &scheme);
        text[0] = '\0';
        fx->getParameterName(index, text);
        caption->setLabel(text);
        frame->addView(caption);
        captions[i] = caption;
    }
    schemeToggle = new VGTargetButton(rectOf(kSchemeBox), this, kTagScheme, &scheme);
    schemeToggle->setLabel("");
    schemeToggle->setValue(randomScheme ? 1.f : 0.f);
    schemeToggle->setDefaultValue(0.f);
    frame->addView(schemeToggle);

    openFlag = true;
    if (host)
        applyHostState();
    return true;
}

void CVSTEditor::close() {
    if (frame) {
        frame->forget();
        frame = nullptr;
    }
    logo = nullptr;
    splash = nullptr;
    spectrum = nullptr;
    meter = nullptr;
    schemeToggle = nullptr;
    buttons.fill(nullptr);
    knobs.fill(nullptr);
    captions.fill(nullptr);
    byTag.fill(nullptr);
    if (openFlag)
        fx->setDisplayWanted(false);
    openFlag = false;
    AEffGUIEditor::close();
}

void CVSTEditor::fillView() {
    view.bins = fx->halfSize;
    view.rows = 2;
    view.curves = 2;
    view.spectrumTop = 0.f;
    view.spectrumBottom = -96.f;
    view.filterTop = 24.f;
    view.filterBottom = -24.f;
    view.filterFormat = 0;
    view.edited = &drawnEdited;
    view.displayGain = &displayGain;
    view.shift = fx->displayShift();
    view.logScale = &logScaleWord;
    view.sampleRate = sampleRate;
    pointFilters();
    pointDisplay();
}

// The spectra, the applied gains and the tilt weights come from the newest frame the effect
// published; it stays intact until the next idle asks again.
void CVSTEditor::pointDisplay() {
    const wendlefx::WendleDisplayFrame& d = fx->displayFrame();
    auto* frameData = const_cast<wendlefx::WendleDisplayFrame*>(&d);
    view.spectra[0] = frameData->input[0].data();
    view.spectra[1] = frameData->input[1].data();
    view.spectra[2] = frameData->output[0].data();
    view.spectra[3] = frameData->output[1].data();
    view.filterB[0] = frameData->appliedGain[0].data();
    view.filterB[1] = frameData->appliedGain[1].data();
    view.weights = frameData->tilt.data();
}

// The selected filter changes with the position (and the program), so its curves are fetched
// anew into the copies the display shows and draws into; with one channel, or with the channels
// linked, both bands show (and draw) the left curve.
void CVSTEditor::pointFilters() {
    logScaleWord = fx->logScale.load(std::memory_order_relaxed);
    static_assert(std::tuple_size_v<decltype(drawn)::value_type> == wendle::kBins);
    for (int side = 0; side < 2; ++side)
        fx->copySelectedLinearCurve(side, drawn[static_cast<size_t>(side)].data());
    float* left = drawn[0].data();
    view.channelGain[0] = fx->displayFactor(0);
    if (fx->channelMode.load(std::memory_order_relaxed) == 1) {
        view.rows = 2;
        view.filterA[0] = left;
        if (fx->getParameter(wendlefx::kParamStereoLink) <= 0.5f) {
            view.filterA[1] = drawn[1].data();
            view.channelGain[1] = fx->displayFactor(1);
        } else {
            view.filterA[1] = left;
            view.channelGain[1] = fx->displayFactor(0);
        }
    } else {
        view.rows = 1;
        view.filterA[0] = view.filterA[1] = left;
        view.channelGain[1] = fx->displayFactor(1);
    }
}

void CVSTEditor::applyHostState() {
    for (long tag : kHostOrder) {
        VGControl* widget = byTag[static_cast<size_t>(tag)];
        int32_t value = 0;
        if (host->GetControlDefaultValue(static_cast<int32_t>(tag), &value) == 0)
            widget->setDefaultValue(normalisedFromControlValue(value));
        if (host->GetControlValueForUI(static_cast<int32_t>(tag), &value) == 0)
            widget->setValue(normalisedFromControlValue(value));
    }
}

void CVSTEditor::idle() {
    if (!frame || inIdle)
        return;
    inIdle = true;
    AEffGUIEditor::idle();
    // A press handled inside the base idle may have closed the editor.
    if (!frame) {
        inIdle = false;
        return;
    }
    for (long tag : kSelfMovingKnobs)
        byTag[static_cast<size_t>(tag)]->setValue(fx->getParameter(static_cast<VstInt32>(tag)));

    pointFilters();
    pointDisplay();
    spectrum->setDirty(true);

    meter->setValue(fx->getLevel(1));
    meter->setDirty(true);

    VGControl* learn = byTag[wendlefx::kParamLearn];
    if (fx->getParameter(wendlefx::kParamLearn) > 0.5f && !fx->isLearning()) {
        fx->setParameter(wendlefx::kParamLearn, 0.f);
        learn->setValue(0.f);
        learn->setDirty(true);
        sendToHost(wendlefx::kParamLearn, 0.f);
    }
    VGControl* reset = byTag[wendlefx::kParamReset];
    if (fx->getParameter(wendlefx::kParamReset) > 0.5f) {
        fx->setParameter(wendlefx::kParamReset, 0.f);
        reset->setValue(0.f);
        reset->setDirty(true);
        sendToHost(wendlefx::kParamReset, 0.f);
    }
    inIdle = false;
}

void CVSTEditor::setParameter(VstInt32 index, float value) {
    if (!frame)
        return;
    fx->setParameter(index, value);
    if (isParameterTag(index) && byTag[static_cast<size_t>(index)])
        byTag[static_cast<size_t>(index)]->setValue(value);
}

void CVSTEditor::update(const CRect& r) {
    if (!frame)
        return;
    frame->invalidate(r);
    frame->paintInvalid();
}

void CVSTEditor::sendToHost(long tag, float value) {
    if (host)
        host->SetControlValueFromUI(static_cast<int32_t>(tag), controlValueFromNormalised(value));
}

void CVSTEditor::beginEdit(long index) {
    if (host)
        host->TouchControl(static_cast<int32_t>(index));
}

void CVSTEditor::endEdit(long index) {
    if (host)
        host->ReleaseControl(static_cast<int32_t>(index));
}

void CVSTEditor::editNotification(long index) {
    if (host)
        host->EditNotification(static_cast<int32_t>(index));
}

void CVSTEditor::valueChanged(CDrawContext*, CControl* control) {
    const long tag = control->getTag();
    if (isParameterTag(tag))
        sendToHost(tag, control->getValue());
    else if (tag == kTagScheme)
        toggleScheme();
    else if (tag == kTagSpectrum)
        handOverDrawnCurves();
}

// The display drew into the copies; the effect takes them (and re-derives its dB curves). The
// right copy is the right curve only while the bands show both sides.
void CVSTEditor::handOverDrawnCurves() {
    if (!drawnEdited)
        return;
    drawnEdited = 0;
    fx->setSelectedLinearCurve(0, drawn[0].data());
    if (view.filterA[1] == drawn[1].data())
        fx->setSelectedLinearCurve(1, drawn[1].data());
}

void CVSTEditor::toggleScheme() {
    if (randomScheme == 0) {
        randomScheme = 1;
        auto randomColour = [] {
            return CColor{static_cast<unsigned char>(std::rand() % 255),
                          static_cast<unsigned char>(std::rand() % 255),
                          static_cast<unsigned char>(std::rand() % 255), 255};
        };
        scheme.face = randomColour();
        scheme.accent = randomColour();
        scheme.highlight = randomColour();
    } else {
        randomScheme = 0;
        scheme = kDefaultScheme;
    }
    if (frame)
        frame->invalidate(CRect(0, 0, kWidth, kHeight));
}

long CVSTEditor::controlModifierClicked(CDrawContext* context, CControl* control, long button) {
    if (button & kControl)
        return 0;
    // Only the parameter widgets have a default the host reported; the scheme toggle, meter and
    // labels take an Alt-click as a plain click.
    if ((button & kAlt) && isParameterTag(control->getTag())) {
        control->setValue(control->getDefaultValue());
        valueChanged(context, control);
        return 1;
    }
    return 0;
}

void CVSTEditor::setControlHighlight(long tag, bool highlighted, int32_t colour) {
    if (isParameterTag(tag))
        highlights[static_cast<size_t>(tag)] = Highlight{highlighted, colour};
}

bool CVSTEditor::isControlHighlighted(long tag) const {
    return isParameterTag(tag) && highlights[static_cast<size_t>(tag)].on;
}

VGControl* CVSTEditor::getWidget(long tag) const {
    if (tag >= 0 && tag <= kLastParameterTag)
        return byTag[static_cast<size_t>(tag)];
    switch (tag) {
    case kTagSpectrum:
        return spectrum;
    case kTagMeter:
        return meter;
    case kTagScheme:
        return schemeToggle;
    case kTagLogo:
        return logo;
    default:
        return nullptr;
    }
}
