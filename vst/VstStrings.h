// Display formatting shared by the effects' parameter texts, as VST hosts expect to see it.
#pragma once

#include <cstdint>

namespace vst {

// 8 characters counting a leading '-' and the point: up to 7 integer digits, then fractional
// digits truncated (0.7f -> "0.699999"); "Huge!" above 99999999 or below -9999999. The result is
// cut to maxLen - 1 characters and NUL-terminated. No allocation.
void float2string(float value, char* text, int32_t maxLen);

// Gain (linear) in dB through float2string; "-oo" for 0 and below.
void dB2string(float value, char* text, int32_t maxLen);

// Decimal integer, "Huge!" beyond 8 characters; cut like float2string.
void int2string(int32_t value, char* text, int32_t maxLen);

// A program's name as hosts see it (maxLen bytes with the NUL): a program named "Init" shows
// its number counted from 1 ("Init 4"), any other name as it is stored.
void programNameForHost(const char* stored, int32_t program, char* text, int32_t maxLen);

} // namespace vst
