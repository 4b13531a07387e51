// Display formatting of parameter values.
#include "VstStrings.h"

#include "engine/Text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace vst {

namespace {
// The texts are cut to the caller's length; a length below 1 leaves the buffer untouched.
void cut(char* text, const char* src, int32_t maxLen) {
    if (maxLen > 0)
        copyText(text, src, static_cast<std::size_t>(maxLen));
}
} // namespace

void float2string(float value, char* text, int32_t maxLen) {
    if (!text || maxLen < 1)
        return;
    char buf[32];
    const double wide = value;                         // the limits are not representable as floats
    if (!(wide <= 99999999.0 && wide >= -9999999.0)) { // NaN lands here too
        cut(text, "Huge!", maxLen);
        return;
    }
    int len = 0;
    double v = wide;
    if (v < 0) {
        buf[len++] = '-';
        v = -v;
    }
    const double integral = std::floor(v);
    double fraction = v - integral;
    // Integer digits, lowest seven kept (an eighth digit drops off, the zeros below it stay).
    auto digits = static_cast<long long>(integral);
    char rev[8];
    int n = 0;
    do {
        rev[n++] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits && n < 7);
    while (n)
        buf[len++] = rev[--n];
    buf[len++] = '.';
    // Fraction digits, truncated, until the text holds eight characters.
    while (len < 8) {
        fraction *= 10.0;
        const int d = static_cast<int>(fraction);
        buf[len++] = static_cast<char>('0' + d);
        fraction -= d;
    }
    buf[len] = 0;
    cut(text, buf, maxLen);
}

void dB2string(float value, char* text, int32_t maxLen) {
    if (value <= 0.f)
        cut(text, "-oo", maxLen);
    else
        float2string(static_cast<float>(20.0 * std::log10(value)), text, maxLen);
}

void int2string(int32_t value, char* text, int32_t maxLen) {
    if (value >= 100000000 || value <= -10000000) {
        cut(text, "Huge!", maxLen);
        return;
    }
    char buf[16];
    int len = 0;
    long long v = value;
    if (v < 0) {
        buf[len++] = '-';
        v = -v;
    }
    char rev[12];
    int n = 0;
    do {
        rev[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        buf[len++] = rev[--n];
    buf[len] = 0;
    cut(text, buf, maxLen);
}

void programNameForHost(const char* stored, int32_t program, char* text, int32_t maxLen) {
    if (text == nullptr || maxLen < 1)
        return;
    if (stored != nullptr && std::strcmp(stored, "Init") == 0)
        std::snprintf(text, static_cast<std::size_t>(maxLen), "Init %d",
                      static_cast<int>(program) + 1);
    else
        cut(text, stored, maxLen);
}

} // namespace vst
