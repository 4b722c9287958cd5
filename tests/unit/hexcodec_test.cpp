#include "core/hexcodec.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace scan;

TEST(HexCodec, WorkedValues)
{
    EXPECT_EQ(formatHex(0), "000000");
    EXPECT_EQ(formatHex(255), "0000FF");
    EXPECT_EQ(formatHex(4096), "001000");
    EXPECT_EQ(formatHex(16711680), "FF0000");
    EXPECT_EQ(formatHex(-1), "FFFFFFFF");
    EXPECT_EQ(formatHex(16777216), "1000000");
    EXPECT_EQ(formatHex(0x7FFFFFFF), "7FFFFFFF");
    for (auto read : {dec, dec1}) {
        EXPECT_EQ(read("0A"), 10);
        EXPECT_EQ(read("F0"), 240);
        EXPECT_EQ(read("FF"), 255);
        EXPECT_EQ(read("00"), 0);
        EXPECT_EQ(read("FFFFFFFF"), 255) << "only the first two characters count";
    }
    EXPECT_EQ(dec2("0000FF"), 255);
    EXPECT_EQ(dec2("00FF00"), 65280);
    EXPECT_EQ(dec2("FF0000"), 16711680);
    EXPECT_EQ(dec2("FFFFFF"), 16777215);
    EXPECT_EQ(dec2("0001000"), 256) << "a seventh character is ignored";
}

TEST(HexCodec, NoColourSplitsIntoWhite)
{
    const std::string t = formatHex(-1);
    EXPECT_EQ(dec1(t.substr(0, 2)), 255);
    EXPECT_EQ(dec1(t.substr(2, 2)), 255);
    EXPECT_EQ(dec1(t.substr(4, 2)), 255);
}

TEST(HexCodec, LargeValuesShiftTheBluePair)
{
    // Seven digits: the first pair is no longer the blue component.
    const std::string t = formatHex(0x1ABCDEF);
    EXPECT_EQ(t, "1ABCDEF");
    EXPECT_EQ(dec(t.substr(0, 2)), 0x1A);
}

TEST(HexCodec, DecAndDec1AgreeOnEveryPair)
{
    for (int v = 0; v < 256; ++v) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", v);
        EXPECT_EQ(dec(text), v) << text;
        EXPECT_EQ(dec1(text), v) << text;
    }
}

TEST(HexCodec, TextOutsideTheContractFails)
{
    for (const char *bad : {"ff", "0a", "G0", "0G", "", "F", " F", "-1", "0x"}) {
        EXPECT_FALSE(dec(bad)) << '"' << bad << '"';
        EXPECT_FALSE(dec1(bad)) << '"' << bad << '"';
    }
    for (const char *bad : {"", "FFFFF", "00000g", "abcdef", "12 456"})
        EXPECT_FALSE(dec2(bad)) << '"' << bad << '"';
    EXPECT_TRUE(dec("zz").error().contains(QLatin1String("\"zz\"")))
        << qPrintable(dec("zz").error());
}

// The scan splits colours into bytes directly; that must be the same as going through text.
TEST(HexCodec, ByteSplitEqualsTextSplitForEveryColour)
{
    for (std::int32_t c = -1; c <= 0xFFFFFF; ++c) {
        const std::string t = formatHex(c);
        const auto u = static_cast<std::uint32_t>(c);
        const unsigned r = u & 0xFF, g = (u >> 8) & 0xFF, b = (u >> 16) & 0xFF;
        if (dec1(std::string_view(t).substr(0, 2)) != b ||
            dec1(std::string_view(t).substr(2, 2)) != g ||
            dec1(std::string_view(t).substr(4, 2)) != r) {
            FAIL() << "colour " << c << " splits differently";
        }
    }
}

TEST(HexCodec, ComposedPlaneColoursEqualDec2)
{
    for (int v = 0; v < 256; ++v) {
        char h[3];
        std::snprintf(h, sizeof h, "%02X", v);
        const std::string hex(h);
        EXPECT_EQ(dec2("0000" + hex), v);
        EXPECT_EQ(dec2("00" + hex + "00"), v << 8);
        EXPECT_EQ(dec2(hex + "0000"), v << 16);
    }
}
