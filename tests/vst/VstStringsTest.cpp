// Display formatting as hosts show it.
#include "vst/VstStrings.h"
#include "engine/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(VstStrings, Float2StringTruncatesToEightCharacters) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.f, "0.000000"},       {1.f, "1.000000"},        {0.5f, "0.500000"},
        {12.5f, "12.50000"},     {-0.5f, "-0.50000"},      {0.7f, "0.699999"},
        {1234567.f, "1234567."}, {-12.25f, "-12.2500"},    {99999999.5f, "Huge!"},
        {1e9f, "Huge!"},         {-1e7f, "Huge!"},         {12345678.f, "2345678."},
        {1e7f, "0000000."},      {20012344.f, "0012344."},
    };
    for (const auto& c : cases) {
        char text[256];
        std::memset(text, 'x', sizeof(text));
        vst::float2string(c.value, text, 255);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}

TEST(VstStrings, TextsAreCutToTheCallersLength) {
    char text[16];
    std::memset(text, 'x', sizeof(text));
    vst::float2string(0.5f, text, 4);
    EXPECT_STREQ(text, "0.5");
    EXPECT_EQ(text[4], 'x');
    vst::float2string(0.5f, text, 0); // no room: nothing written
    EXPECT_STREQ(text, "0.5");
    copyText(text, "Mirelow Tidemill", 8);
    EXPECT_STREQ(text, "Mirelow");
}

TEST(VstStrings, DecibelsAndIntegers) {
    const struct {
        float gain;
        const char* text;
    } db[] = {{1.f, "0.000000"}, {0.f, "-oo"}, {-1.f, "-oo"}, {10.f, "20.00000"}};
    for (const auto& c : db) {
        char text[64];
        vst::dB2string(c.gain, text, 64);
        EXPECT_STREQ(text, c.text) << c.gain;
    }
    const struct {
        int value;
        const char* text;
    } ints[] = {{0, "0"}, {-42, "-42"}, {12345678, "12345678"}, {100000000, "Huge!"}};
    for (const auto& c : ints) {
        char text[64];
        vst::int2string(c.value, text, 64);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}
