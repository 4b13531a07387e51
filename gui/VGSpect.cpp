// Spectrum display: level and frequency tables, painting, read-out and curve drawing.
#include "VGSpect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

VGSpect::VGSpect(const CRect& r, CControlListener* l, long t, WidgetScheme* s, SpectrumView* v)
    : VGControl(r, l, t, s), view(v) {
    rebuildTablesIfNeeded();
}

VGSpect::~VGSpect() = default;

void VGSpect::rebuildTablesIfNeeded() {
    const int rows = view->rows == 2 ? 2 : 1;
    const int n = std::max(0, view->bins);
    if (rows == rowsBuilt && n == binsBuilt && !xToBin.empty())
        return;
    rowsBuilt = rows;
    binsBuilt = n;
    const int w = std::max(1, width);
    bandH = std::max(1, height / rows);

    xToBin.resize(w);
    for (int x = 0; x < w; ++x)
        xToBin[x] = static_cast<int32_t>(std::exp2(8.0 * x / w) * n / 256.0);
    binToX.assign(std::max(1, n), 0);
    for (int b = 1; b < n; ++b)
        binToX[b] = static_cast<int32_t>(std::log10(256.0 * b / n) * (w / 8.0) / std::log10(2.0));
    auto levelTable = [&](std::vector<float>& table, float topDb, float bottomDb) {
        table.resize(bandH);
        for (int r = 0; r < bandH; ++r)
            table[r] =
                static_cast<float>(std::pow(10.0, (topDb - r * (topDb - bottomDb) / bandH) * 0.1));
    };
    levelTable(spectrumRows, view->spectrumTop, view->spectrumBottom);
    levelTable(filterRows, view->filterTop, view->filterBottom);
    points1.assign(n + 2, CPoint());
    points2.assign(n + 2, CPoint());
    curvePoints.assign(std::max(1, n), CPoint());
    pixelsPerBin = n > 0 ? float(w) / n : 1.f;
}

int32_t VGSpect::xOfBin(int bin) const {
    if (logAxis())
        return bin >= 0 && bin < int(binToX.size()) ? binToX[bin] : 0;
    return static_cast<int32_t>(bin * pixelsPerBin);
}

int32_t VGSpect::binOfX(int x) const {
    x = std::clamp(x, 0, std::max(0, width - 1));
    int32_t b = logAxis() ? xToBin[x] : static_cast<int32_t>(x / pixelsPerBin);
    return std::clamp(b, 0, std::max(0, binsBuilt - 1));
}

int32_t VGSpect::rowOf(float power, bool filter) const {
    const std::vector<float>& t = filter ? filterRows : spectrumRows;
    int32_t r = 0;
    while (r < bandH && t[r] >= power)
        ++r;
    return r;
}

float VGSpect::rowPower(int row, bool filter) const {
    const std::vector<float>& t = filter ? filterRows : spectrumRows;
    return t[std::clamp(row, 0, bandH - 1)];
}

int32_t VGSpect::filterIndex(int bin) const {
    const int n = binsBuilt;
    int64_t i = int64_t(view->shift ? *view->shift : 0) + bin;
    i %= n;
    return static_cast<int32_t>(i < 0 ? i + n : i);
}

float VGSpect::filterValue(const float* filter, int bin, int channel) const {
    const int idx = filterIndex(bin);
    const float f = view->filterFormat == 1 ? binPower(filter, bin, binsBuilt) : filter[idx];
    const float w = view->weights ? view->weights[idx] : 1.f;
    const float g = (view->displayGain ? *view->displayGain : 1.f) *
                    (view->channelGain[channel] ? *view->channelGain[channel] : 1.f);
    return invert ? g / (f * w) : f * w * g;
}

// Points of a run that share one x lie on one vertical line: only the run's first, highest,
// lowest and last points shape the outline and the filled area, so the others are dropped
// (several bins share a pixel column at the top of the logarithmic axis). Returns the new count.
static int compactColumns(CPoint* pts, int count) {
    int out = 0;
    for (int i = 0; i < count;) {
        int j = i;
        int lo = i, hi = i;
        while (j + 1 < count && pts[j + 1].x == pts[i].x) {
            ++j;
            if (pts[j].y < pts[lo].y)
                lo = j;
            if (pts[j].y > pts[hi].y)
                hi = j;
        }
        const int keep[4] = {i, std::min(lo, hi), std::max(lo, hi), j};
        int last = -1;
        for (int k : keep) {
            if (k == last)
                continue;
            pts[out++] = pts[k];
            last = k;
        }
        i = j + 1;
    }
    return out;
}

void VGSpect::paintBand(ARSDrawContext* dc, int band) {
    const int n = binsBuilt;
    const int first = band, second = 2 + band;
    auto y = [&](int row) { return band == 0 ? top + row : bottom - row; };
    auto build = [&](std::vector<CPoint>& pts, const float* spectrum) {
        pts[0] = CPoint(left, middle);
        for (int i = 0; i < n; ++i)
            pts[i + 1] = CPoint(xOfBin(i), y(rowOf(binPower(spectrum, i, n), false)));
        pts[n + 1] = CPoint(right, middle);
        return compactColumns(pts.data(), n + 2);
    };
    const float* s1 = view->spectra[first];
    const float* s2 = view->curves == 2 ? view->spectra[second] : nullptr;
    const int n1 = s1 ? build(points1, s1) : 0;
    const int n2 = s2 ? build(points2, s2) : 0;
    if (s1) {
        dc->setFillColor(lightColor(scheme->accent));
        dc->fillPolygon(points1.data(), n1);
    }
    if (s2) {
        dc->setFillColor(lightColor(scheme->face));
        dc->fillPolygon(points2.data(), n2);
    }
    if (s1) {
        dc->setFrameColor(scheme->accent);
        dc->drawPolyline(points1.data(), n1);
    }
    if (s2) {
        dc->setFrameColor(scheme->face);
        dc->drawPolyline(points2.data(), n2);
    }

    CColor curveA = scheme->highlight;
    curveA.alpha = 192;
    CColor curveB = darkColor(scheme->highlight);
    curveB.alpha = 192;
    const float* filters[2] = {view->filterA[band], view->filterB[band]};
    const CColor colours[2] = {curveA, curveB};
    for (int k = 0; k < 2; ++k) {
        if (!filters[k])
            continue;
        // One anti-aliased line through every bin's point, stroked as a single path.
        dc->setFrameColor(colours[k]);
        for (int i = 0; i < n; ++i)
            curvePoints[i] = CPoint(xOfBin(i), y(rowOf(filterValue(filters[k], i, band), true)));
        const CPoint end = curvePoints[n - 1];
        dc->moveTo(curvePoints[0]);
        dc->drawPolyline(curvePoints.data(), compactColumns(curvePoints.data(), n));
        dc->moveTo(end);
    }
}

void VGSpect::readoutTexts(const CPoint& local, char (&band1)[128], char (&band2)[128]) const {
    band1[0] = band2[0] = 0;
    if (local.x < 0 || local.y < 0 || local.x >= width || local.y >= height || binsBuilt <= 0)
        return;
    const int n = binsBuilt;
    const int k = binOfX(local.x);
    const float f = view->sampleRate * k / (2.f * n);
    const int channel = (rowsBuilt == 2 && local.y >= bandH) ? 1 : 0;
    const float* s = view->spectra[channel];
    const float level = s ? 10.f * std::log10(binPower(s, k, n)) : -INFINITY;
    char* full = channel == 0 ? band1 : band2;
    std::snprintf(full, 128, "channel %d   %5.2f Hz   %4.2f dB", channel + 1, f, level);
    if (rowsBuilt == 2)
        std::snprintf(channel == 0 ? band2 : band1, 128, "channel %d", 2 - channel);
}

void VGSpect::draw(CDrawContext* context) {
    ARSDrawContext* dc = beginPaint(context);
    if (!dc) {
        endPaint(context, nullptr);
        return;
    }
    rebuildTablesIfNeeded();
    left = 0;
    top = 0;
    right = width;
    bottom = height;
    middle = top + height / rowsBuilt;

    dc->setFillColor(CColor{240, 240, 240, 255});
    dc->fillRect(CRect(left, top, right, bottom));
    if (binsBuilt > 0) {
        paintBand(dc, 0);
        if (rowsBuilt == 2)
            paintBand(dc, 1);
    }
    dc->setFrameColor(kBlackCColor);
    dc->setLineWidth(1);
    dc->drawRect(CRect(left, top, right - 1, bottom - 1));

    CPoint where(-1, -1);
    if (context)
        context->getMouseLocation(where);
    char texts[2][128];
    readoutTexts(CPoint(where.x - rect.left, where.y - rect.top), texts[0], texts[1]);
    for (int band = 0; band < rowsBuilt; ++band) {
        if (!texts[band][0])
            continue;
        const int bandTop = top + band * bandH;
        fitFontSize(dc, texts[band], width, bandH / 8);
        dc->setFont(fontId, fontSize, fontStyle);
        dc->setFontColor(lightColor(scheme->highlight));
        dc->drawString(texts[band], CRect(left + 2, bandTop, right + 2, bandTop + bandH / 8), false,
                       kCenterText);
    }
    endPaint(context, dc);
}

void VGSpect::mouse(CDrawContext* context, CPoint& where, long buttons) {
    if (view->filterFormat == 1 || !takesLeftPress(context, buttons))
        return;
    rebuildTablesIfNeeded();
    if (binsBuilt <= 0)
        return;
    top = 0;
    bottom = height;
    middle = top + height / rowsBuilt;

    const int band = (rowsBuilt == 2 && where.y - rect.top >= middle) ? 1 : 0;
    float* filter = view->filterA[band];
    if (!filter)
        return;
    auto rowAt = [&](const CPoint& p) {
        int y = p.y - rect.top;
        int r = band == 0 ? y - top : bottom - y;
        return std::clamp(r, 1, std::max(1, bandH - 1));
    };
    const float gain = (view->displayGain ? *view->displayGain : 1.f) *
                       (view->channelGain[band] ? *view->channelGain[band] : 1.f);

    beginEdit();
    int prevBin = binOfX(where.x - rect.left);
    int prevRow = rowAt(where);
    for (;;) {
        const int bin = binOfX(where.x - rect.left);
        const int row = rowAt(where);
        const float p0 = rowPower(prevRow, true), p1 = rowPower(row, true);
        const int dir = bin >= prevBin ? 1 : -1;
        for (int b = prevBin;; b += dir) {
            const float t = bin == prevBin ? 1.f : float(b - prevBin) / float(bin - prevBin);
            const float p = p0 + t * (p1 - p0);
            const int idx = filterIndex(b);
            const float w = view->weights ? view->weights[idx] : 1.f;
            const float v = invert ? gain / (w * p) : p / (gain * w);
            // A zero gain or weight would store an infinity the effect then multiplies with.
            if (std::isfinite(v))
                filter[idx] = v;
            if (b == bin)
                break;
        }
        prevBin = bin;
        prevRow = row;
        if (view->edited)
            *view->edited = 1;
        setDirty(true);
        if (listener)
            listener->valueChanged(context, this);
        doIdleStuff();
        getMouseLocation(context, where);
        buttons = context ? context->getMouseButtons() : 0;
        if (!(buttons & kLButton))
            break;
    }
    endEdit();
}
