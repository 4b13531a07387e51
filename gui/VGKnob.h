// Rotary controls: the linear-drag mouse behaviour of every knob, and the grommet knob the
// editors place (a ring with a gap that turns with the value, a marker in the gap, the value
// printed on the face).
#pragma once

#include "VGControl.h"

class AudioEffect;

// Which modifier keys a knob answers. Wendle: Control drags finer and modifier clicks are offered
// to the listener first. Tidemill: Shift drags finer, a left + Control click returns the knob to
// its default value, and the listener is never offered the click.
enum class KnobModifiers { wendle, tidemill };

class VGKnobBase : public VGControl {
  public:
    VGKnobBase(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGKnobBase() override;

    // Drag: right and up increase the value; the control's height sweeps the whole range,
    // `zoomFactor` times finer with the fine modifier held. Modal; GUI thread.
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    void setModifiers(KnobModifiers m) { modifiers = m; }
    KnobModifiers getModifiers() const { return modifiers; }
    void setIntegerDisplay(bool on) { integerDisplay = on; }
    void setLogDisplay(bool on) { logDisplay = on; }
    void setZoomFactor(float z) { zoomFactor = z; }

  protected:
    float zoomFactor = 5.f;
    bool integerDisplay = false;
    bool logDisplay = false;
    KnobModifiers modifiers = KnobModifiers::wendle;
};

class VGGrommetKnob : public VGKnobBase {
  public:
    VGGrommetKnob(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme,
                  AudioEffect* effect = nullptr);
    ~VGGrommetKnob() override;

    void draw(CDrawContext* context) override;

    // 1 selects the ratio display.
    void setRatioDisplay(int32_t on) { ratioDisplay = on; }
    void setEffect(AudioEffect* fx) { effect = fx; }

    // The text shown on the face. With the integer display the value is first dropped to the
    // whole display step at or below it (toward zero).
    void makeValueText(char* text, size_t size);

    // Clock angle (degrees, 0 at 12 o'clock, clockwise) of the marker for a value.
    static float markerClockAngle(float value) { return value * 300.f - 120.f + 330.f; }

  private:
    AudioEffect* effect;
    int32_t ratioDisplay = 0;
};
