// The spectrum display: one or two channels of short-time spectra (filled areas with an outline)
// and one or two per-bin filter curves, on a logarithmic or linear frequency axis, with a mouse
// read-out; dragging draws filter A straight into the effect's arrays.
#pragma once

#include "VGControl.h"

#include <vector>

// Pointers into the effect from which the display draws; owned by the editor, every array must
// outlive the widget. Spectra hold 2N floats in half-complex order (r0, r1 … rN, iN−1 … i1);
// filter arrays N gains (or, with filterFormat 1, a half-complex power spectrum of 2N floats).
struct SpectrumView {
    int32_t bins = 0;             // N
    int32_t rows = 1;             // 2: channel 1 above, channel 2 below (mirrored); else one band
    int32_t curves = 1;           // spectra per channel, 1 or 2
    float spectrumTop = 0.f;      // dB
    float spectrumBottom = -96.f; // dB
    float filterTop = 24.f;       // dB
    float filterBottom = -24.f;   // dB
    int32_t filterFormat = 0;     // 0: gains; 1: half-complex transform, display only
    int32_t* edited = nullptr;    // set to 1 by every mouse edit
    float* spectra[4] = {};       // ch1 first, ch2 first, ch1 second, ch2 second
    float* filterA[2] = {};       // the curve the mouse edits, per channel
    float* filterB[2] = {};       // second curve, may be null
    float* displayGain = nullptr;
    float* weights = nullptr; // may be null
    float* channelGain[2] = {};
    int32_t* shift = nullptr;    // bin rotation
    int32_t* logScale = nullptr; // non-zero: logarithmic axis
    float sampleRate = 44100.f;
};

class VGSpect : public VGControl {
  public:
    VGSpect(const CRect& size, CControlListener* listener, long tag, WidgetScheme* scheme,
            SpectrumView* view);
    ~VGSpect() override;

    void draw(CDrawContext* context) override;
    // Draws filter A of the band under the press while the left button is held. Modal; GUI thread.
    void mouse(CDrawContext* context, CPoint& where, long buttons = -1) override;

    // Filter values shown and written as reciprocals.
    void setInvert(bool on) { invert = on; }
    bool getInvert() const { return invert; }
    SpectrumView* getView() const { return view; }

    // Power of bin i of a half-complex array of 2N floats.
    static float binPower(const float* a, int i, int n) {
        return i == 0 ? a[0] * a[0] : a[i] * a[i] + a[2 * n - i] * a[2 * n - i];
    }

    // The tables (rebuilt whenever the view's rows differ from those they were built for).
    void rebuildTablesIfNeeded();
    int32_t xOfBin(int bin) const; // local x of a bin on the current axis
    int32_t binOfX(int x) const;   // bin under a local x (x clamped into the widget)
    // Rows (0 = top) of a power in a band: leading table entries not below it, at most the band
    // height; `filter` picks the filter axis.
    int32_t rowOf(float power, bool filter) const;
    int32_t bandHeight() const { return bandH; }
    int32_t rowsSeen() const { return rowsBuilt; }
    float rowPower(int row, bool filter) const;
    // The read-out texts of both bands for a mouse at `local` (widget coordinates); empty when
    // the mouse is outside.
    void readoutTexts(const CPoint& local, char (&band1)[128], char (&band2)[128]) const;

  private:
    bool logAxis() const { return view->logScale && *view->logScale; }
    int32_t filterIndex(int bin) const;
    float filterValue(const float* filter, int bin, int channel) const;
    void paintBand(ARSDrawContext* dc, int band);

    int32_t left = 0, top = 0, right = 0, bottom = 0, middle = 0;
    SpectrumView* view;
    int32_t rowsBuilt = 0;
    int32_t binsBuilt = 0;
    int32_t bandH = 0;
    std::vector<CPoint> points1, points2, curvePoints;
    std::vector<float> spectrumRows, filterRows;
    std::vector<int32_t> binToX, xToBin;
    float pixelsPerBin = 1.f;
    bool invert = false;
};
