// CVSTEditor: the wendle effect's editor, one 440 × 370 window with the spectrum display (spectra,
// the selected filter's curves and the applied gains), six knobs with captions, six text buttons,
// the output meter, the logo with its about picture and the colour-scheme toggle. Edits with the
// mouse go to the host bridge as 32-bit control values; the host answers through setParameter,
// which sets the effect and the widget. Without a host bridge a widget changes only itself.
#pragma once

#include "gui/VGWidgets.h"
#include "gui/WendleEditorHost.h"
#include "vstgui/AEffGUIEditor.h"

#include <array>
#include <cstdint>

class wendle;
class CSplashScreen;

namespace wendleui {

constexpr int kWidth = 440;
constexpr int kHeight = 370;

// Widget tags besides the parameter indices 2 … 13.
constexpr long kTagLogo = 1234;
constexpr long kTagSplash = 748;
constexpr long kTagSpectrum = 1001;
constexpr long kTagMeter = 1005;
constexpr long kTagCaption = 1000;
constexpr long kTagScheme = 1206;
constexpr int kAboutBitmap = 129;

constexpr long kFirstParameterTag = 2;
constexpr long kLastParameterTag = 13;
constexpr bool isParameterTag(long tag) {
    return tag >= kFirstParameterTag && tag <= kLastParameterTag;
}

struct Box {
    int left, top, right, bottom;
};

struct KnobSpec {
    long tag;
    Box knob, caption;
    float displayMin, displayMax;
};
struct ButtonSpec {
    long tag;
    Box box;
    const char* label;
    const char* onLabel;
};

constexpr std::array<ButtonSpec, 6> kButtons{{
    {5, {5, 250, 60, 268}, "learn", "learn"},
    {6, {65, 250, 120, 268}, "reset", "reset"},
    {7, {125, 250, 180, 268}, "linear", "log"},
    {11, {185, 250, 245, 268}, "lfo sync", "lfo sync"},
    {10, {265, 250, 340, 268}, "stereolink", "stereolink"},
    {9, {345, 250, 415, 268}, "autogain", "autogain"},
}};

constexpr std::array<KnobSpec, 6> kKnobs{{
    {2, {5, 269, 71, 335}, {5, 335, 71, 350}, -2.f, 2.f},
    {4, {75, 269, 141, 335}, {73, 335, 143, 350}, 0.f, 1.f},
    {13, {145, 269, 211, 335}, {145, 335, 211, 350}, 0.f, 10.f},
    {12, {215, 269, 281, 335}, {215, 335, 281, 350}, 1.f, 11.f},
    {3, {285, 269, 351, 335}, {285, 335, 351, 350}, -3.f, 3.f},
    {8, {355, 269, 421, 335}, {351, 335, 421, 350}, -60.f, 60.f},
}};

constexpr Box kLogoBox{5, 5, 435, 31};
constexpr Box kSplashBox{5, 5, 435, 30};
constexpr Box kSpectrumBox{5, 35, 415, 245};
constexpr Box kMeterBox{420, 35, 437, 253};
constexpr Box kSchemeBox{420, 335, 437, 350};

// The order in which open takes the host's defaults and values.
constexpr std::array<long, 12> kHostOrder{4, 2, 13, 12, 3, 8, 5, 6, 7, 11, 10, 9};
// Knobs the effect moves by itself (the LFO, automatic gain), refreshed at every idle.
constexpr std::array<long, 4> kSelfMovingKnobs{8, 2, 4, 13};

constexpr WidgetScheme kDefaultScheme{
    {229, 80, 105, 255}, {217, 0, 13, 255}, {217, 54, 0, 255}, {0, 0, 0, 255}};

inline CRect rectOf(const Box& b) {
    return CRect(b.left, b.top, b.right, b.bottom);
}

} // namespace wendleui

class CVSTEditor : public AEffGUIEditor, public CControlListener {
  public:
    // host may be null; effect must outlive the editor. GUI thread.
    CVSTEditor(IWendleEditorHost* host, wendle* effect);
    ~CVSTEditor() override;

    // Builds the frame in the parent window (null: headless, drawn into
    // memory only) and every widget; with a host bridge the host's defaults and current values
    // are applied. GUI thread.
    bool open(void* parent) override;
    void close() override;
    // Events, the knobs the effect moves, the display, the meter and the momentary buttons.
    // Does nothing while closed or when re-entered. GUI thread.
    void idle() override;

    // The host's answer to a control change: sets the effect and, while open, the widget of that
    // tag. GUI thread.
    void setParameter(VstInt32 index, float value) override;
    // Repaints that part of the frame at once.
    void update(const CRect& rect);

    // Edit gestures and the further notification, passed unchanged to the host bridge.
    void beginEdit(long index) override;
    void endEdit(long index) override;
    void editNotification(long index);

    void valueChanged(CDrawContext* context, CControl* control) override;
    // Control: declined (the knob drags finer). Alt: back to the default, consumed.
    long controlModifierClicked(CDrawContext* context, CControl* control, long button) override;

    // What a host's control-surface highlight asked for a control (2 … 13); nothing is drawn
    // with it.
    void setControlHighlight(long tag, bool highlighted, int32_t colour);
    bool isControlHighlighted(long tag) const;

    bool isOpen() override { return openFlag; }
    IWendleEditorHost* getHost() const { return host; }
    wendle* getWendle() const { return fx; }
    const WidgetScheme& getScheme() const { return scheme; }
    int32_t getRandomScheme() const { return randomScheme; }
    const SpectrumView& getView() const { return view; }
    // The widget of a tag (2 … 13, the display, the meter, the scheme toggle), null while closed.
    VGControl* getWidget(long tag) const;

  private:
    void fillView();
    void pointFilters();
    void pointDisplay();
    void handOverDrawnCurves();
    void applyHostState();
    void sendToHost(long tag, float value);
    void toggleScheme();

    IWendleEditorHost* host;
    wendle* fx;
    SpectrumView view;
    float displayGain = 1.0f;
    float sampleRate = 44100.0f;
    int32_t logScaleWord = 0; // the effect's log-scale flag as the display reads it
    // The selected filter's linear curves as the display shows and draws them; a drawn stroke is
    // handed to the effect at once.
    std::array<std::array<float, 513>, 2> drawn{};
    int32_t drawnEdited = 0;
    VGLogo* logo = nullptr;
    CSplashScreen* splash = nullptr;
    VGSpect* spectrum = nullptr;
    VGVertMeter* meter = nullptr;
    std::array<VGTextButton*, wendleui::kButtons.size()> buttons{};
    std::array<VGGrommetKnob*, wendleui::kKnobs.size()> knobs{};
    std::array<VGSimpleLabel*, wendleui::kKnobs.size()> captions{};
    VGTargetButton* schemeToggle = nullptr;
    WidgetScheme scheme = wendleui::kDefaultScheme;
    int32_t randomScheme = 0;
    bool openFlag = false;
    bool inIdle = false;
    std::array<VGControl*, wendleui::kLastParameterTag + 1> byTag{};
    struct Highlight {
        bool on = false;
        int32_t colour = 0;
    };
    std::array<Highlight, wendleui::kLastParameterTag + 1> highlights{};
};
