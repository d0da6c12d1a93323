#include "fake_serial_port.hpp"

#include "link/frame.hpp"

#include <gtest/gtest.h>

#include <array>

using namespace plx71;
using plx71::test::hex;

TEST(Frame, ChecksumCoversTheBodyOnlyAndWraps)
{
    // N = 1: the command code alone, 4 bytes on the wire, checksum = code.
    std::array<std::uint8_t, 8> f{0x01, 0x00, 0x1B};
    ASSERT_TRUE(putChecksum(f));
    EXPECT_EQ(f[3], 0x1B);
    EXPECT_EQ(frameWireSize(f), 4u);
    EXPECT_TRUE(checkChecksum(f));

    // A body summing to 0x1FE keeps its low 8 bits; the length field is not
    // part of the sum.
    std::array<std::uint8_t, 8> w{0x02, 0x00, 0xFF, 0xFF};
    ASSERT_TRUE(putChecksum(w));
    EXPECT_EQ(w[4], 0xFE);
    EXPECT_TRUE(checkChecksum(w));
    w[3] = 0xFE;
    EXPECT_FALSE(checkChecksum(w));

    // N = 0 stores 0 at offset 2.
    std::array<std::uint8_t, 4> z{0x00, 0x00, 0x55};
    ASSERT_TRUE(putChecksum(z));
    EXPECT_EQ(z[2], 0x00);
    EXPECT_TRUE(checkChecksum(z));
}

TEST(Frame, LengthFieldIsLittleEndianAndNeverReachesPastTheBuffer)
{
    std::array<std::uint8_t, 300> f{};
    setFrameBodyLength(f, 0x0103);
    EXPECT_EQ(f[0], 0x03);
    EXPECT_EQ(f[1], 0x01);
    EXPECT_EQ(frameBodyLength(f), 259);
    EXPECT_EQ(frameWireSize(f), 262u);

    // A length the buffer cannot hold: nothing computed, nothing written.
    std::array<std::uint8_t, 6> small{0x05, 0x00, 1, 2, 3, 4};
    auto before = small;
    EXPECT_FALSE(putChecksum(small));
    EXPECT_EQ(small, before);
    EXPECT_FALSE(checkChecksum(small));
    std::array<std::uint8_t, 1> tiny{0x09};
    EXPECT_EQ(frameBodyLength(tiny), 0);

    auto frame = hex("05 00 14 7F 00 00 00 93");
    EXPECT_TRUE(checkChecksum(frame));
}
