// The vertical peak meter: twelve round lamps lit from the bottom up as the level rises, with an
// optional dB figure in each lamp. The value is a linear amplitude (1.0 = 0 dB full scale).
#pragma once

#include "VGControl.h"

#include <array>

class VGVertMeter : public VGControl {
  public:
    VGVertMeter(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme);
    ~VGVertMeter() override;

    void draw(CDrawContext* context) override;
    // A left click shows or hides the figures; the value stays.
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    static constexpr int kLamps = 12;
    // Lamp i spans threshold i + 1 (lower bound) to threshold i (upper bound), i = 0 at the top.
    static constexpr std::array<float, kLamps + 1> kThresholdsDb = {
        6.f, 0.f, -3.f, -6.f, -9.f, -12.f, -15.f, -18.f, -24.f, -36.f, -48.f, -60.f, -120.f};

    bool getShowFigures() const { return showFigures; }
    // Colour of lamp i for the current value: light face when unlit (the value at or below its
    // upper bound), highlight when lit, the clip colour when lit and the value is above 1.0.
    CColor lampColor(int lamp) const;
    // The highlight's strongest channel at full, the other two an eighth.
    static CColor clipColor(const CColor& highlight);

  private:
    CRect inner;
    std::array<float, kLamps + 1> thresholds{};
    bool showFigures = false;
    float lampStep = 0.f;
};
