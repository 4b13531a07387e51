// Helpers of the widget tests: colour distance, reading pixels of a context, a recording listener.
#pragma once

#include "gui/VGWidgets.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

inline uint32_t rgbOf(const CColor& c) {
    return (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | c.blue;
}

// Largest channel difference of two 0xRRGGBB values.
inline int colourDistance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

inline uint32_t pixelOf(COffscreenContext& dc, int x, int y) {
    return dc.getPixel(x, y);
}

// Bounding box of the pixels that differ from `background`.
inline CRect inkBox(COffscreenContext& dc, uint32_t background = 0xFFFFFF) {
    int w = dc.getWidth(), h = dc.getHeight();
    CRect box(w, h, -1, -1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (pixelOf(dc, x, y) != background) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

struct RecordingListener : CControlListener {
    std::vector<float> changes;
    std::vector<long> modifierClicks;
    long answer = 0;
    bool resetOnAnswer = false;
    void valueChanged(CDrawContext*, CControl* c) override { changes.push_back(c->getValue()); }
    long controlModifierClicked(CDrawContext*, CControl* c, long buttons) override {
        modifierClicks.push_back(buttons);
        if (answer && resetOnAnswer)
            c->setValue(c->getDefaultValue());
        return answer;
    }
};

struct RecordingEditor : FrameEditor {
    std::vector<long> begins, ends;
    void beginEdit(long index) override { begins.push_back(index); }
    void endEdit(long index) override { ends.push_back(index); }
};

inline WidgetScheme testScheme() {
    return WidgetScheme{{43, 165, 104, 255}, {84, 145, 18, 255}, {0, 99, 148, 255}, {0, 0, 0, 255}};
}
