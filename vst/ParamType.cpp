// Display texts and their parsing for the parameter value types.
#include "ParamType.h"
#include "VstStrings.h"

#include "engine/Text.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace param {

void display(const ValueType& type, float normalised, char* text) {
    if (text != nullptr && type.format != nullptr)
        type.format(type.toUnits(normalised), text);
}

bool parse(const ValueType& type, const char* text, float& normalised) {
    float units = 0.0f;
    if (text == nullptr || type.parseUnits == nullptr || !type.parseUnits(text, units))
        return false;
    const float lo = std::fmin(type.range.min, type.range.max);
    const float hi = std::fmax(type.range.min, type.range.max);
    if (!(units >= lo && units <= hi))
        return false;
    const float v = type.toNormalised(units);
    if (!std::isfinite(v))
        return false;
    normalised = std::fmin(1.0f, std::fmax(0.0f, v));
    return true;
}

void formatFixed1(float units, char* text) {
    std::snprintf(text, kTextBytes, "%3.1f", static_cast<double>(units));
}

void formatFixed2(float units, char* text) {
    std::snprintf(text, kTextBytes, "%3.2f", static_cast<double>(units));
}

void formatOnOff(float units, char* text) {
    copyText(text, units != 0.0f ? "on" : "off", kTextBytes);
}

void formatOnOffCaps(float units, char* text) {
    copyText(text, units != 0.0f ? "On" : "Off", kTextBytes);
}

void formatWhole(float units, char* text) {
    std::snprintf(text, kTextBytes, "%d", static_cast<int>(units));
}

void formatRaw(float units, char* text) {
    vst::float2string(units, text, static_cast<int32_t>(kTextBytes) - 1);
}

void formatRatio(float r, char* text) {
    if (r >= 1.0f)
        std::snprintf(text, kTextBytes, "1 : %3.2f", static_cast<double>(r));
    else
        std::snprintf(text, kTextBytes, "%3.2f : 1", static_cast<double>(1.0f / r));
}

namespace {

const char* skipSpaces(const char* p) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

// A number at `text`; `rest` is left at what follows it (spaces skipped).
bool leadingNumber(const char* text, float& value, const char*& rest) {
    char* end = nullptr;
    const float v = std::strtof(text, &end);
    if (end == text || !std::isfinite(v))
        return false;
    value = v;
    rest = skipSpaces(end);
    return true;
}

} // namespace

bool parseNumber(const char* text, const char* unit, float& units) {
    float v = 0.0f;
    const char* rest = nullptr;
    if (!leadingNumber(skipSpaces(text), v, rest))
        return false;
    const std::size_t n = unit != nullptr ? std::strlen(unit) : 0;
    if (n > 0 && strncasecmp(rest, unit, n) == 0)
        rest = skipSpaces(rest + n);
    if (*rest != '\0')
        return false;
    units = v;
    return true;
}

bool parseSeconds(const char* text, float& units) {
    float v = 0.0f;
    const char* rest = nullptr;
    if (!leadingNumber(skipSpaces(text), v, rest))
        return false;
    if (strncasecmp(rest, "ms", 2) == 0) {
        v *= 0.001f;
        rest = skipSpaces(rest + 2);
    } else if (*rest == 's' || *rest == 'S') {
        rest = skipSpaces(rest + 1);
    }
    if (*rest != '\0')
        return false;
    units = v;
    return true;
}

bool parseSwitch(const char* text, float& units) {
    const char* p = skipSpaces(text);
    std::size_t n = std::strlen(p);
    while (n > 0 && std::isspace(static_cast<unsigned char>(p[n - 1])))
        --n;
    auto is = [&](const char* word) {
        return n == std::strlen(word) && strncasecmp(p, word, n) == 0;
    };
    if (is("on") || is("1")) {
        units = 1.0f;
        return true;
    }
    if (is("off") || is("0")) {
        units = 0.0f;
        return true;
    }
    return false;
}

bool parseRatio(const char* text, float& units) {
    float a = 0.0f;
    const char* rest = nullptr;
    if (!leadingNumber(skipSpaces(text), a, rest))
        return false;
    if (*rest == '\0') {
        units = a;
        return a > 0.0f;
    }
    if (*rest != ':')
        return false;
    float b = 0.0f;
    if (!leadingNumber(skipSpaces(rest + 1), b, rest) || *rest != '\0' || !(a > 0.0f && b > 0.0f))
        return false;
    units = b / a; // 1 : R expands by R; R : 1 compresses (1/R)
    return true;
}

} // namespace param
