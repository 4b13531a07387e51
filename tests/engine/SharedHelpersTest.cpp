// The small helpers every subsystem shares: bounded text copies, big-endian words and floats,
// four-character codes.
#include "engine/ByteOrder.h"
#include "engine/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

TEST(Text, CopiesAreCutToTheFieldAndZeroFilledOnRequest) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    copyText(field, "Mirelow Tidemill", sizeof field);
    EXPECT_STREQ(field, "Mirelow");
    copyText(field, nullptr, sizeof field);
    EXPECT_STREQ(field, "");
    copyText(field, "abc", 0); // no room: untouched
    EXPECT_STREQ(field, "");

    // A source field that is not terminated is read no further than the copy needs.
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    copyText(field, unterminated, 4);
    EXPECT_STREQ(field, "wxy");

    std::memset(field, 'x', sizeof field);
    copyText(field, "ab", sizeof field);
    EXPECT_EQ(field[3], 'x'); // a plain copy leaves what follows the terminator
    copyTextZeroFilled(field, "ab", sizeof field);
    EXPECT_EQ(std::vector<char>(field, field + 8), (std::vector<char>{'a', 'b', 0, 0, 0, 0, 0, 0}));
}

TEST(ByteOrder, FloatRunsAndFourCharacterCodes) {
    const float values[3] = {1.0f, -2.5f, 1e-30f};
    unsigned char bytes[12];
    EXPECT_EQ(storeBigEndianFloats(values, bytes), bytes + 12);
    EXPECT_EQ(bytes[0], 0x3f);
    EXPECT_EQ(bytes[1], 0x80);
    float back[3] = {};
    EXPECT_EQ(loadBigEndianFloats(bytes, back), bytes + 12);
    EXPECT_EQ(std::memcmp(values, back, sizeof values), 0);
    EXPECT_TRUE(bigEndianFloatsFinite(bytes, 3));
    storeBigEndianFloat(std::numeric_limits<float>::quiet_NaN(), bytes + 8);
    EXPECT_TRUE(bigEndianFloatsFinite(bytes, 2));
    EXPECT_FALSE(bigEndianFloatsFinite(bytes, 3));
    storeBigEndianFloat(std::numeric_limits<float>::infinity(), bytes);
    EXPECT_FALSE(bigEndianFloatsFinite(bytes, 1));

    static_assert(fourCharCode("VstP") == 0x56737450);
    unsigned char word[4];
    storeBigEndian32(fourCharCode("+tdl"), word);
    EXPECT_EQ(std::memcmp(word, "+tdl", 4), 0);
    EXPECT_EQ(fourCharText(fourCharCode("MRLW")), "MRLW");
    EXPECT_EQ(fourCharText(0x41004220), "A?B ");
    EXPECT_EQ(fourCharText(0x41007FFF, Unprintable::Escape), "A\\x00\\x7F\\xFF");
}
