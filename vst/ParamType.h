// Value types of effect parameters: how a host's normalised 0 … 1 value becomes the unit the
// effect works in (dB, seconds, a ratio, a switch, a divisor …), how that unit is shown, how a
// person's text in that unit ("-40dB", "1:3", "20ms", "on") becomes a normalised value again, and
// which range of units the parameter covers. Each effect's parameter table names one per row.
#pragma once

#include <cstddef>

namespace param {

// Room the effects assume in a host's text buffer (display texts, names, labels).
inline constexpr std::size_t kTextBytes = 24;

struct Range {
    float min; // in units, as the normalised values 0 and 1 give them
    float max;
    const char* unit; // "dB", "s", "Hz", "" …
};

struct ValueType {
    const char* kind; // "dB", "seconds", "ratio", "switch", "divisor", "number", "value"
    float (*toUnits)(float normalised);
    float (*toNormalised)(float units);
    // Writes the display text of a value in units (kTextBytes bytes); null leaves it untouched.
    void (*format)(float units, char* text);
    // Reads display-unit text into units; false for text it does not understand.
    bool (*parseUnits)(const char* text, float& units);
    Range range;
};

// The display text of a normalised value.
void display(const ValueType& type, float normalised, char* text);

// Text in display units (a number with or without the unit; "on"/"off"; "1:3" or "3:1") to a
// normalised value. Answers false, leaving `normalised` alone, for text the type cannot read or
// a value outside the range.
bool parse(const ValueType& type, const char* text, float& normalised);

// Formatters the effects share.
void formatFixed1(float units, char* text);    // "%3.1f"
void formatFixed2(float units, char* text);    // "%3.2f"
void formatOnOff(float units, char* text);     // "on" when units is non-zero, else "off"
void formatOnOffCaps(float units, char* text); // "On" / "Off"
void formatWhole(float units, char* text);     // "%d"
void formatRaw(float units, char* text);       // the base's float formatter, 22 characters at most
void formatRatio(float ratio, char* text);     // "1 : %3.2f" for 1 and above, else "%3.2f : 1"

// Parsers the effects share. A number may carry `unit` after it (spaces allowed between); a
// seconds value may be given in milliseconds ("20ms").
bool parseNumber(const char* text, const char* unit, float& units);
bool parseSeconds(const char* text, float& units);
bool parseSwitch(const char* text, float& units); // "on"/"off", "1"/"0", any case
bool parseRatio(const char* text, float& units);  // "1:R" → R, "R:1" → 1/R, or a plain R

} // namespace param
