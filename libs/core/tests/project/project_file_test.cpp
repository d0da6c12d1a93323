#include "plx71/project/project_file.hpp"

#include <gtest/gtest.h>

#include <cstring>

using namespace plx71;

namespace {

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::uint32_t getU32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16
        | std::uint32_t(b[at + 3]) << 24;
}

ProjectFile richProject()
{
    ProjectFile p;
    p.deviceIndex = 2;
    p.device.name = "M30803FGFP";
    p.device.userRomStart = 0xFC0000;
    p.device.userRomEnd = 0xFFFFFF;
    p.device.userRomSize = 0x40000;
    p.device.bootRomStart = 0xFFE000;
    p.device.bootRomEnd = 0xFFFFFF;
    p.device.bootRomSize = 0x2000;
    p.device.vcc = 50;
    p.device.vpp = 120;
    p.serialModeIndex = 1;
    p.targetBaudIndex = 3;
    p.updateEnable = 1;
    p.bootRomFileName = "/data/boot.btp";
    p.userRomFileName = std::string(255, 'u');
    p.lockBitMode = 3;
    p.lockBlockList = "0-2,4";
    p.operationBlockMode = 1;
    p.operationBlockList = "0,2-4";
    p.idCode = {1, 2, 3, 4, 5, 6, 0xFF};
    p.portSelection = 2;
    p.hostBaudSelection = 1;
    return p;
}

} // namespace

TEST(ProjectFile, StartupStateIs231KnownBytes)
{
    const auto bytes = encodeProject(ProjectFile{});
    ASSERT_EQ(bytes.size(), 231u);

    std::vector<std::uint8_t> expected(231, 0);
    std::memcpy(expected.data(), "PLX-71RD project file Ver.A     ", 32);
    putU32(expected, 32, 0xFFFFFFFF);
    std::memcpy(expected.data() + 36, "M30624FGFP", 10);
    putU32(expected, 36 + 104, 0xC0000);
    putU32(expected, 36 + 108, 0xFFFFF);
    putU32(expected, 36 + 116, 6);
    expected[36 + 120] = 0x7F;
    putU32(expected, 36 + 124, 0xFE000);
    putU32(expected, 36 + 128, 0xFFFFF);
    putU32(expected, 184, 9); // target baud rate "1M"
    putU32(expected, 227, 4); // RS-232C "115.2K"
    EXPECT_EQ(bytes, expected);
}

TEST(ProjectFile, RoundTripKeepsEveryByte)
{
    const ProjectFile p = richProject();
    const auto bytes = encodeProject(p);
    ASSERT_EQ(bytes.size(), 231u + 14 + 255 + 5 + 5);
    EXPECT_EQ(getU32(bytes, 192), 14u);
    EXPECT_EQ(std::string(bytes.begin() + 196, bytes.begin() + 210), "/data/boot.btp");
    EXPECT_EQ(getU32(bytes, 210), 255u);
    auto back = decodeProject(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, p);
    EXPECT_EQ(encodeProject(*back), bytes);

    // The three pad bytes are ignored when read and written as zero.
    auto padded = bytes;
    padded[36 + 121] = 0xAA;
    padded[36 + 123] = 0x55;
    auto fromPadded = decodeProject(padded);
    ASSERT_TRUE(fromPadded.has_value());
    EXPECT_EQ(*fromPadded, p);

    // Bytes after the name's terminator are ignored too.
    auto tail = bytes;
    tail[36 + 50] = 'Z';
    ASSERT_TRUE(decodeProject(tail).has_value());
    EXPECT_EQ(decodeProject(tail)->device.name, "M30803FGFP");

    // A text ends at a zero byte inside its length, as its C string does.
    ProjectFile zero;
    zero.userRomFileName = std::string("/data/user.hex\0.mot", 19);
    zero.lockBlockList = std::string("\0"
                                     "0-2",
                                     4);
    const auto decodedZero = decodeProject(encodeProject(zero));
    ASSERT_TRUE(decodedZero);
    EXPECT_EQ(decodedZero->userRomFileName, "/data/user.hex");
    EXPECT_EQ(decodedZero->lockBlockList, "");
    EXPECT_EQ(decodedZero->bootRomFileName, "");
    // A file name field that starts with its zero would read as no file
    // (a job without its Boot ROM): refused.
    for (std::string* name : {&zero.bootRomFileName, &zero.userRomFileName}) {
        ProjectFile leading = zero;
        *(name == &zero.bootRomFileName ? &leading.bootRomFileName : &leading.userRomFileName) =
            std::string("\0boot.btp", 9);
        EXPECT_FALSE(decodeProject(encodeProject(leading)));
    }

    // Empty texts are a zero length and nothing else.
    ProjectFile empty;
    empty.lockBlockList = "";
    EXPECT_EQ(decodeProject(encodeProject(empty)), empty);
}

TEST(ProjectFile, HostileFilesAreRefused)
{
    const auto good = encodeProject(richProject());
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(decodeProject(std::span(good.data(), n))) << "truncated to " << n;
    auto longer = good;
    longer.push_back(0);
    EXPECT_FALSE(decodeProject(longer)) << "bytes behind the last field";

    for (std::size_t i = 0; i < 32; ++i) {
        auto bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(decodeProject(bad)) << "header byte " << i;
    }

    // Text lengths above 255, up to absurd ones, in each of the four places.
    const auto startup = encodeProject(ProjectFile{});
    for (std::size_t at : {192u, 196u, 204u, 212u}) {
        for (std::uint32_t length : {256u, 0x10000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            auto bad = startup;
            putU32(bad, at, length);
            bad.resize(bad.size() + 256, 'x');
            EXPECT_FALSE(decodeProject(bad)) << "length " << length << " at " << at;
        }
    }

    // A name that fills its 104 bytes without a terminator, or is longer than 100.
    auto unterminated = startup;
    std::memset(unterminated.data() + 36, 'N', 104);
    EXPECT_FALSE(decodeProject(unterminated));
    auto tooLong = startup;
    std::memset(tooLong.data() + 36, 'N', 101);
    EXPECT_FALSE(decodeProject(tooLong));
    auto longest = startup;
    std::memset(longest.data() + 36, 'N', 100);
    ASSERT_TRUE(decodeProject(longest));
    EXPECT_EQ(decodeProject(longest)->device.name, std::string(100, 'N'));
}
