#include "plx71/datafile/block_list.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

std::optional<std::uint32_t> parsed(std::string_view text, int highest = 6, std::uint32_t start = 0)
{
    std::uint32_t mask = start;
    if (!parseBlockList(text, 0, highest, mask))
        return std::nullopt;
    return mask;
}

TEST(BlockList, ValidListsGiveTheirMask)
{
    EXPECT_EQ(parsed("0,2-4"), 0x1Du);
    EXPECT_EQ(parsed("0-2,4"), 0x17u);
    EXPECT_EQ(parsed("6"), 0x40u);
    EXPECT_EQ(parsed("0-6"), 0x7Fu);
    EXPECT_EQ(parsed("000"), 0x01u);
    EXPECT_EQ(parsed("2-2"), 0x04u);
    EXPECT_EQ(parsed("1,1"), 0x02u);
    EXPECT_EQ(parsed("0003-00004"), 0x18u);
    EXPECT_EQ(parsed("4,0-1,1"), 0x13u);
}

TEST(BlockList, InvalidListsFailAndKeepTheMask)
{
    for (std::string_view bad : {"007", "1000", "", ",1", "1,", "1 ,2", " 1", "1-", "4-2", "1-2-3", "a", "0-7", "-1",
                                 "1,,2", "00000000000000000001000"}) {
        std::uint32_t mask = 0x05;
        EXPECT_FALSE(parseBlockList(bad, 0, 6, mask)) << bad;
        EXPECT_EQ(mask, 0x05u) << bad;
    }
    // A lowest allowed number above 0 is honoured.
    std::uint32_t mask = 0;
    EXPECT_FALSE(parseBlockList("1", 2, 6, mask));
    EXPECT_TRUE(parseBlockList("2-3", 2, 6, mask));
    EXPECT_EQ(mask, 0x0Cu);
}

TEST(BlockList, OnlyTheMaskBytesOfTheAllowedNumbersAreRewritten)
{
    // Highest 6: one byte is rewritten, the upper bytes keep what they held.
    EXPECT_EQ(parsed("1", 6, 0xAB00FFu), 0xAB0002u);
    // Highest 15: two bytes.
    EXPECT_EQ(parsed("9", 15, 0xAB00FFu), 0xAB0200u);
    EXPECT_EQ(parsed("31", 31, 0xFFFFFFFFu), 0x80000000u);
}

TEST(BlockList, FormatWritesRunsAndSingles)
{
    EXPECT_EQ(formatBlockList(0x1D, 0, 6), "0,2-4");
    EXPECT_EQ(formatBlockList(0x7F, 0, 6), "0-6");
    EXPECT_EQ(formatBlockList(0x00, 0, 6), "");
    EXPECT_EQ(formatBlockList(0x41, 0, 6), "0,6");
    EXPECT_EQ(formatBlockList(0x0C, 0, 6), "2-3");
    EXPECT_EQ(formatBlockList(0x01, 0, 6), "0");
    EXPECT_EQ(formatBlockList(0x55, 0, 6), "0,2,4,6");
    // Bits beyond the last number are not looked at; bit 0 stands for `first`.
    EXPECT_EQ(formatBlockList(0xFF, 0, 3), "0-3");
    EXPECT_EQ(formatBlockList(0x03, 2, 6), "2-3");
    // What format writes, parse reads back.
    for (std::uint32_t m = 0; m < 0x80; ++m) {
        const std::string text = formatBlockList(m, 0, 6);
        if (m == 0)
            continue;
        EXPECT_EQ(parsed(text), m) << text;
    }
}

TEST(AddressRanges, ValidTexts)
{
    using V = std::vector<AreaRange>;
    EXPECT_EQ(parseAddressRanges("C0000-C00FF", 0xC0000, 0xFFFFF, EqualEnds::OneAddress), (V{{0xC0000, 0xC00FF}}));
    EXPECT_EQ(parseAddressRanges("c0000 - c00ff , D0000", 0xC0000, 0xFFFFF, EqualEnds::OneAddress),
              (V{{0xC0000, 0xC00FF}, {0xD0000, 0xD0000}}));
    EXPECT_EQ(parseAddressRanges("  FC000-FC00F  ", 0xC0000, 0xFFFFF, EqualEnds::OneAddress), (V{{0xFC000, 0xFC00F}}));
    // A range of one address is that address, or invalid, as the caller says.
    EXPECT_EQ(parseAddressRanges("C0000-C0000", 0xC0000, 0xFFFFF, EqualEnds::OneAddress),
              parseAddressRanges("C0000", 0xC0000, 0xFFFFF, EqualEnds::OneAddress));
    for (const char* text : {"C0000-C0000", "D0000, C0000 - C0000"})
        EXPECT_FALSE(parseAddressRanges(text, 0xC0000, 0xFFFFF, EqualEnds::Invalid)) << text;
    EXPECT_EQ(parseAddressRanges("C0000-C0001, D0000", 0xC0000, 0xFFFFF, EqualEnds::Invalid),
              (V{{0xC0000, 0xC0001}, {0xD0000, 0xD0000}}));
    EXPECT_EQ(parseAddressRanges("C0000,C0001,C0002,C0003,C0004", 0xC0000, 0xFFFFF, EqualEnds::OneAddress)->size(), 5u);
    EXPECT_EQ(parseAddressRanges("000C0000-0FFFFF", 0xC0000, 0xFFFFF, EqualEnds::OneAddress), (V{{0xC0000, 0xFFFFF}}));
    // Out of order and overlapping ranges stay as typed.
    EXPECT_EQ(parseAddressRanges("D0000-D000F,C0000-D0008", 0xC0000, 0xFFFFF, EqualEnds::OneAddress),
              (V{{0xD0000, 0xD000F}, {0xC0000, 0xD0008}}));
    // An empty field (or blanks only) asks for the whole area.
    EXPECT_EQ(parseAddressRanges("", 0xC0000, 0xFFFFF, EqualEnds::OneAddress), V{});
    EXPECT_EQ(parseAddressRanges("   ", 0xC0000, 0xFFFFF, EqualEnds::OneAddress), V{});
}

TEST(AddressRanges, InvalidTexts)
{
    for (std::string_view bad :
         {"C00FF-C0000", "C0000,C0001,C0002,C0003,C0004,C0005", "BFFFF", "100000", "C0000,", "C0000-", "-C0000",
          "C0000-C0010-C0020", "C0000 C0010", "C0000;C0010", "0x C0000", "1000C0000", "C0000-FFFFFFFFF"}) {
        EXPECT_FALSE(parseAddressRanges(bad, 0xC0000, 0xFFFFF, EqualEnds::OneAddress).has_value()) << bad;
    }
}

TEST(HexField, ReadsLikeTheEditorFields)
{
    EXPECT_EQ(parseHexField(" 0ffff0"), 0xFFFF0u);
    EXPECT_EQ(parseHexField("e1234"), parseHexField("E1234"));
    EXPECT_EQ(parseHexField(""), 0u);
    EXPECT_EQ(parseHexField("   "), 0u);
    EXPECT_EQ(parseHexField("ff"), 0xFFu);
    EXPECT_EQ(parseHexField("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseHexField("00000000000000000001"), 1u);
    EXPECT_FALSE(parseHexField("0FFFF0 ").has_value());
    EXPECT_FALSE(parseHexField("0x10").has_value());
    EXPECT_FALSE(parseHexField("1 2").has_value());
    EXPECT_FALSE(parseHexField("\t1").has_value());
    EXPECT_FALSE(parseHexField("100000000").has_value());
}

} // namespace
} // namespace plx71
