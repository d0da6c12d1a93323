#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/data_file_writer.hpp"

#include "datafile_test_support.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

DeviceRecord family1()
{
    DeviceRecord d = test::defaultDevice();
    d.name = "M306N4FGFP";
    return d;
}

SaveRequest requestFor(const DeviceRecord& device, Area area, std::span<const std::uint8_t> data,
                       std::vector<AreaRange> ranges = {})
{
    const AreaRange r = areaRange(device, area);
    SaveRequest req;
    req.data = data;
    req.areaStart = r.start;
    req.areaEnd = r.end;
    req.family = deviceFamily(device);
    req.ranges = std::move(ranges);
    return req;
}

// Writes, then reads back into a blank image of the same area.
std::vector<std::uint8_t> writeAndRead(const DeviceRecord& device, Area area, const SaveRequest& req, DataFormat format)
{
    const std::string text = format == DataFormat::IntelHex ? formatIntelHex(req) : formatSRecords(req);
    std::vector<std::uint8_t> image = blankImage(area);
    EXPECT_EQ(readDataText(device, area, image, text, format), std::nullopt) << device.name;
    return image;
}

TEST(RoundTrip, WholeAreasOfEveryFamily)
{
    for (const DeviceRecord& device : {test::defaultDevice(), family1(), test::m30803()}) {
        for (Area area : {Area::UserRom, Area::BootRom}) {
            auto data = test::randomBytes(imageSize(area), 7);
            data.back() = 0xFF; // no protect question
            const auto req = requestFor(device, area, data);
            EXPECT_EQ(writeAndRead(device, area, req, DataFormat::IntelHex), data) << device.name;
            EXPECT_EQ(writeAndRead(device, area, req, DataFormat::SRecord), data) << device.name;
        }
    }
    // Family 2 needs the linear records to come back at all.
    const auto data = test::randomBytes(0x40000, 8);
    const std::string hex = formatIntelHex(requestFor(test::m30803(), Area::UserRom, data));
    EXPECT_NE(hex.find(":0200000400FCFE"), std::string::npos);
    EXPECT_EQ(hex.find(":02000002"), std::string::npos);
}

TEST(RoundTrip, OddRangesAcrossSegmentBoundaries)
{
    for (const DeviceRecord& device : {test::defaultDevice(), test::m30803()}) {
        const std::uint32_t base = device.userRomStart;
        auto data = test::randomBytes(0x40000, 9);
        data.back() = 0xFF;
        const std::vector<AreaRange> ranges = {{base + 0xFFF3, base + 0x10108},
                                               {base + 0x2FFFF, base + 0x30000},
                                               {base + 0x1FFF1, base + 0x1FFF1},
                                               {base + 0x3FFF5, base + 0x3FFFF}};
        const auto req = requestFor(device, Area::UserRom, data, ranges);
        for (DataFormat format : {DataFormat::IntelHex, DataFormat::SRecord}) {
            const auto image = writeAndRead(device, Area::UserRom, req, format);
            for (std::uint32_t i = 0; i < 0x40000; ++i) {
                bool inside = false;
                for (const auto& r : ranges)
                    inside = inside || (base + i >= r.start && base + i <= r.end);
                ASSERT_EQ(image[i], inside ? data[i] : 0xFF) << device.name << " index " << std::hex << i;
            }
        }
    }
}

TEST(RoundTrip, SmallerAreaOfAnotherDevice)
{
    DeviceRecord d = test::defaultDevice();
    d.name = "M30622F8FP";
    d.userRomStart = 0xF0000; // 64 KiB
    auto data = test::randomBytes(0x40000, 10);
    data[0xFFFF] = 0xFF;
    const auto req = requestFor(d, Area::UserRom, data);
    const std::string hex = formatIntelHex(req);
    EXPECT_EQ(std::count(hex.begin(), hex.end(), '\n'), 0x1000 + 2);
    const auto image = writeAndRead(d, Area::UserRom, req, DataFormat::IntelHex);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 0x10000, data.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + 0x10000, image.end(), [](auto b) { return b == 0xFF; }));
}

} // namespace
} // namespace plx71
