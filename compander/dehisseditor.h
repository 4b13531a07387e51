// dehisseditor: tidemill's window. A frame of 445 × 370 with the title bar and about picture, the
// spectrum display with the threshold curve drawn over the input and output spectra, six text
// buttons, six knobs with their names, the output meter and the colour-scheme toggle. It moves
// values between widgets and effect and refreshes the display and the meter from its idle call.
#pragma once

#include "gui/VGWidgets.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CBitmap.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

class dehiss;

class dehisseditor : public AEffGUIEditor, public CControlListener {
  public:
    static constexpr int kWidth = 445;
    static constexpr int kHeight = 370;
    // Tags that are not parameter indexes.
    static constexpr long kLogoTag = 1234;
    static constexpr long kSplashTag = 748;
    static constexpr long kDisplayTag = 1001;
    static constexpr long kMeterTag = 1005;
    static constexpr long kTargetTag = 1206;
    static constexpr int kButtons = 6;
    static constexpr int kKnobs = 6;

    explicit dehisseditor(dehiss* effect);
    ~dehisseditor() override;

    // effEditOpen: builds the window as a child of the host's window `ptr`. Answers false and
    // builds nothing for a null window or one that cannot take a child. Opening again while open
    // closes the first window. GUI thread.
    bool open(void* ptr) override;
    // The same window without a screen (pictures and tests): always succeeds. GUI thread.
    bool openHeadless();
    // effEditClose: destroys the window with its widgets; nothing when none is open. GUI thread.
    void close() override;
    bool isOpen() override { return frame != nullptr; }
    // effEditIdle: applies the parameter changes recorded since the last idle, re-points and
    // repaints the display, sets the meter, releases the momentary buttons, pumps the window's
    // events. Does nothing before the effect is ready, outside open, or off the thread that
    // opened the window. GUI thread.
    void idle() override;

    // Told by the effect after every parameter change, on whatever thread made it (the audio
    // thread for MIDI controllers). Off the GUI thread it only records the index (one atomic
    // bit); the next idle sets the widget. On the GUI thread the widget is set at once.
    void setParameter(VstInt32 index, float value) override;

    // The widgets' listener: parameter widgets tell the effect (and through it the host); the
    // target button toggles the colour scheme.
    void valueChanged(CDrawContext* context, CControl* control) override;

    // Read by tests and by the renderer's picture.
    const WidgetScheme& getScheme() const { return scheme; }
    bool showsRandomScheme() const { return palette != 0; }
    const SpectrumView& getView() const { return view; }
    VGSpect* getDisplay() const { return display; }
    VGVertMeter* getMeter() const { return meter; }
    VGTargetButton* getTargetButton() const { return target; }
    // The text button or knob of parameter `index`, null for other indexes or outside open.
    CControl* getParameterControl(long index) const;

    // The scheme every open starts with.
    static constexpr WidgetScheme kStandardScheme{
        {43, 165, 104, 255}, {84, 145, 18, 255}, {0, 99, 148, 255}, {0, 0, 0, 255}};

  private:
    bool build(uintptr_t parentWindow);
    void fillView();
    void refreshView();
    void handBackShapes();
    void copySpectra();
    void applyParameter(long index);
    void applyPending();
    void releaseMomentary(long index);
    void toggleScheme();
    bool onGuiThread() const { return guiThread.load() == std::this_thread::get_id(); }

    dehiss* fx;
    SpectrumView view;
    float unitGain = 1.0f;
    // The display's gain: the threshold power, copied at each idle (the effect's own value is an
    // atomic written from any thread).
    float displayGain = 1.0f;
    // The display's bin rotation: always 0 in this effect.
    int32_t noShift = 0;
    // The display's copy of the engine's log-scale flag, taken at each idle.
    int32_t logScale = 0;
    // The spectra the display draws (channel 1 input, channel 2 input, channel 1 output, channel
    // 2 output), copied from the engine at each idle, and where they come from.
    std::array<std::array<float, 1024>, 4> spectra{};
    std::array<const float*, 4> spectrumSource{};
    // The threshold shapes the display draws and edits: copies of the current program's, taken
    // at each idle; a stroke hands them back to the effect, which publishes them.
    std::array<std::array<float, 513>, 2> drawnShape{};
    // The tilt weights as of the last idle: the effect's table is rebuilt on host threads, so
    // the display draws from this copy, never from the effect's buffers.
    std::array<float, 513> drawnWeights{};

    VGLogo* logo = nullptr;
    CSplashScreen* splash = nullptr;
    VGSpect* display = nullptr;
    VGVertMeter* meter = nullptr;
    VGTargetButton* target = nullptr;
    std::array<VGTextButton*, kButtons> buttons{};
    std::array<VGGrommetKnob*, kKnobs> knobs{};
    std::array<VGSimpleLabel*, kKnobs> labels{};
    CBitmap* splashBitmap = nullptr;

    WidgetScheme scheme = kStandardScheme;
    int32_t palette = 0;
    // Set from the end of open until close.
    bool opened = false;
    // One bit per parameter index changed off the GUI thread since the last idle.
    std::atomic<uint32_t> pending{0};
    std::atomic<std::thread::id> guiThread{};
};
