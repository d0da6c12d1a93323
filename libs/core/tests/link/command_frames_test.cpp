#include "link_fixture.hpp"

#include "link/writer_commands.hpp"
#include "plx71/messages/message_texts.hpp"

#include <numeric>

using namespace plx71;
using namespace plx71::test;

namespace {

class CommandFrames : public LinkFixture {
protected:
    void SetUp() override
    {
        answerLikeABox();
        ASSERT_TRUE(openLink(link, 9600));
    }
    // The request the last command put on the line.
    Bytes lastRequest() const
    {
        auto r = port->requests();
        return r.empty() ? Bytes{} : r.back();
    }
    Bytes page(std::uint8_t fill) const { return Bytes(256, fill); }
};

} // namespace

TEST_F(CommandFrames, AcknowledgedCommandsPutTheirExactBytesOnTheLine)
{
    EXPECT_TRUE(cmdSetLinkRate(link, 4));
    EXPECT_EQ(lastRequest(), hex("02 00 01 05 06"));
    EXPECT_TRUE(cmdLoadEnter(link));
    EXPECT_EQ(lastRequest(), hex("01 00 02 02"));
    EXPECT_TRUE(cmdLoadPrepare(link));
    EXPECT_EQ(lastRequest(), hex("01 00 05 05"));

    DeviceParameters dev{"M30624FGFP", 0xFE000, 0x2000, 0xC0000, 0x40000, 6, 50, 50};
    EXPECT_TRUE(cmdSetDevice(link, dev));
    EXPECT_EQ(lastRequest(),
              hex("16 00 10 E0 0F 08 00 00 0C 00 01 07 22 0A "
                  "4D 33 30 36 32 34 46 47 46 50 B6"));

    EXPECT_TRUE(cmdSetUserFileName(link, "a.hex"));
    EXPECT_EQ(lastRequest(), hex("07 00 11 05 61 2E 68 65 78 EA"));
    EXPECT_TRUE(cmdSetBootFileName(link, ""));
    EXPECT_EQ(lastRequest(), hex("02 00 12 00 12"));
    EXPECT_TRUE(cmdSetUpdateEnable(link, 1));
    EXPECT_EQ(lastRequest(), hex("02 00 13 01 14"));
    EXPECT_TRUE(cmdEraseBlocks(link, 0x7F));
    EXPECT_EQ(lastRequest(), hex("05 00 14 7F 00 00 00 93"));
    std::array<std::uint8_t, 7> id{1, 2, 3, 4, 5, 6, 7};
    EXPECT_TRUE(cmdSetCheckId(link, id));
    EXPECT_EQ(lastRequest(), hex("08 00 17 01 02 03 04 05 06 07 33"));
    EXPECT_TRUE(cmdSetTargetRate(link, 9));
    EXPECT_EQ(lastRequest(), hex("02 00 18 0A 22"));
    EXPECT_TRUE(cmdSetLockBits(link, kLockBitsNoChange));
    EXPECT_EQ(lastRequest(), hex("02 00 19 80 99"));
    EXPECT_TRUE(cmdSetOperationBlocks(link, 0x7F));
    EXPECT_EQ(lastRequest(), hex("02 00 1A 7F 99"));
    EXPECT_TRUE(cmdDownloadCommit(link));
    EXPECT_EQ(lastRequest(), hex("01 00 1D 1D"));
    EXPECT_TRUE(cmdDownloadEnd(link));
    EXPECT_EQ(lastRequest(), hex("01 00 1F 1F"));

    // Page commands: 259-byte bodies, the page number little-endian.
    Bytes counting(256);
    std::iota(counting.begin(), counting.end(), std::uint8_t{0});
    EXPECT_TRUE(cmdLoadWritePage(link, 0x0C10, std::span<const std::uint8_t, 256>(counting.data(), 256)));
    EXPECT_EQ(lastRequest(), concat(concat(hex("03 01 03 10 0C"), counting), hex("9F")));
    Bytes blank = page(0xFF);
    EXPECT_TRUE(cmdWritePage(link, userRomPage(0xFFFF00), std::span<const std::uint8_t, 256>(blank.data(), 256)));
    EXPECT_EQ(lastRequest(), concat(concat(hex("03 01 15 FF 0F"), blank), hex("23")));

    EXPECT_EQ(failures(), 0);
    // Every request went out once, and nothing but requests was written.
    EXPECT_EQ(port->requests().size(), 16u);
    EXPECT_TRUE(port->acknowledges().empty());
}

TEST_F(CommandFrames, ReplyCommandsSendTheirRequestAndHandOverTheReply)
{
    Bytes versions(32, 0);
    const std::string boot = "BOOT V1.00";
    const std::string firm = "V1.30 2001/12/25"; // all 16 bytes, no zero
    std::copy(boot.begin(), boot.end(), versions.begin());
    std::copy(firm.begin(), firm.end(), versions.begin() + 16);
    replies[CMD_READ_VERSIONS] = makeFrame(0x84, versions);
    EXPECT_TRUE(cmdReadVersions(link));
    EXPECT_EQ(lastRequest(), hex("01 00 04 04"));
    EXPECT_EQ(link.bootVersion, boot);
    EXPECT_EQ(link.firmwareVersion, firm);

    Bytes data(256);
    std::iota(data.begin(), data.end(), std::uint8_t{3});
    replies[CMD_READ_PAGE] = makeFrame(0x96, data);
    std::array<std::uint8_t, 256> dest{};
    EXPECT_TRUE(cmdReadPage(link, bootRomPage(0xFE000), dest));
    EXPECT_EQ(lastRequest(), hex("03 00 16 E0 1F 15"));
    EXPECT_TRUE(std::equal(dest.begin(), dest.end(), data.begin()));

    replies[CMD_READ_STATUS] = makeFrame(0x9B, {0x81});
    std::uint8_t status = 0;
    EXPECT_TRUE(cmdReadStatus(link, status));
    EXPECT_EQ(lastRequest(), hex("01 00 1B 1B"));
    EXPECT_EQ(status, 0x81);

    Bytes record = hex("E0 0F 08 00 00 0C 00 01 07 22 0A");
    for (char c : std::string("M30624FGFP"))
        record.push_back(static_cast<std::uint8_t>(c));
    Bytes rest = hex("01 05 61 2E 68 65 78 00 11 22 33 44 55 66 77 0A 80 7F");
    record.insert(record.end(), rest.begin(), rest.end());
    replies[CMD_READ_SETTINGS] = makeFrame(0x9E, record);
    auto settings = cmdReadSettings(link);
    EXPECT_EQ(lastRequest(), hex("01 00 1E 1E"));
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->deviceName, "M30624FGFP");
    EXPECT_EQ(settings->bootRomStartPage, 0x0FE0);
    EXPECT_EQ(settings->userRomSizeKiB, 0x0100);
    EXPECT_EQ(settings->blockCount, 7);
    EXPECT_EQ(settings->voltageCodes, 0x22);
    EXPECT_EQ(settings->updateEnable, 1);
    EXPECT_EQ(settings->userRomFileName, "a.hex");
    EXPECT_EQ(settings->bootRomFileName, "");
    EXPECT_EQ(settings->checkId, (std::array<std::uint8_t, 7>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
    EXPECT_EQ(settings->targetRateCode, 0x0A);
    EXPECT_EQ(settings->lockBitMask, 0x80);
    EXPECT_EQ(settings->operationBlockMask, 0x7F);

    // Each good reply was acknowledged once, and nothing went wrong.
    EXPECT_EQ(port->acknowledges(), hex("06 06 06 06"));
    EXPECT_EQ(failures(), 0);
}

TEST_F(CommandFrames, DeviceFieldsVoltagesAndPageNumbers)
{
    EXPECT_EQ(voltageCode(33), 1);
    EXPECT_EQ(voltageCode(50), 2);
    EXPECT_EQ(voltageCode(120), 3);
    EXPECT_EQ(voltageCode(40), 0);
    EXPECT_EQ(voltageCode(0), 0);

    DeviceParameters dev{"X", 0xFE000, 0x2000, 0xC0000, 0x40000, 6, 33, 120};
    EXPECT_TRUE(cmdSetDevice(link, dev));
    EXPECT_EQ(lastRequest()[12], 0x31);
    dev.vcc = 40;
    EXPECT_TRUE(cmdSetDevice(link, dev));
    EXPECT_EQ(lastRequest()[12], 0x30);

    EXPECT_EQ(userRomPage(0xC0000), 0x0C00);
    EXPECT_EQ(userRomPage(0xFFFFFF), 0x0FFF);
    EXPECT_EQ(userRomPage(0xFC0100), 0x0C01); // 24-bit address reduced to 20 bits
    EXPECT_EQ(bootRomPage(0xFE000), 0x1FE0);
    EXPECT_EQ(bootRomPage(0xFFF000), 0x1FF0);
    EXPECT_EQ(bootRomPage(0x0FF000) & 0x1000, 0x1000);
}

TEST_F(CommandFrames, OverlongNamesAreRefusedBeforeAnythingIsSent)
{
    std::string longName(256, 'n');
    EXPECT_TRUE(fileNameFits(std::string(255, 'n')));
    EXPECT_FALSE(fileNameFits(longName));

    EXPECT_FALSE(cmdSetUserFileName(link, longName));
    EXPECT_FALSE(cmdSetBootFileName(link, longName));
    EXPECT_TRUE(port->requests().empty());
    EXPECT_EQ(failures(), 2);
    EXPECT_EQ(link.failureCause, LinkFault::NameTooLong);

    // A 255-character name is the longest that goes out, with length byte FF.
    EXPECT_TRUE(cmdSetUserFileName(link, std::string(255, 'n')));
    EXPECT_EQ(lastRequest().size(), 255u + 5);
    EXPECT_EQ(lastRequest()[3], 0xFF);
}
