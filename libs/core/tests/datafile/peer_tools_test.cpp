// Files written by other tools must load into the same bytes, and files we
// write must load in them. The tools are installed by the test command, so a
// missing tool is a failure, not a skip.
#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/data_file_writer.hpp"

#include "datafile_test_support.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

using test::run;
using test::shellQuote;

const char* const kPython = "/usr/bin/python3";

class PeerTools : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(run("srec_cat -version > /dev/null 2>&1"), 0) << "srec_cat (Debian package srecord) is missing";
        ASSERT_EQ(run(std::string(kPython) + " -c 'import intelhex' > /dev/null 2>&1"), 0)
            << "python3-intelhex is missing";
    }

    void SetUp() override
    {
        data_ = test::randomBytes(0x40000, 42);
        data_.back() = 0xFF;
        test::writeText(dir_ / "data.bin", std::string(data_.begin(), data_.end()));
    }

    // Reads one of the peers' files with our reader into a blank image.
    std::vector<std::uint8_t> ourRead(const DeviceRecord& device, const std::filesystem::path& file)
    {
        std::vector<std::uint8_t> image = blankImage(Area::UserRom);
        EXPECT_EQ(readDataFile(device, Area::UserRom, image, file), std::nullopt) << file;
        return image;
    }

    // srec_cat turns one of our files into the area as a binary (0xFF where
    // the file has no data).
    std::vector<std::uint8_t> srecCatRead(const std::filesystem::path& file, const char* format, std::uint32_t base)
    {
        const auto out = dir_ / "peer.bin";
        char range[64];
        std::snprintf(range, sizeof range, "0x%X 0x%X -offset -0x%X", base, base + 0x40000, base);
        const std::string cmd = "srec_cat " + shellQuote(file) + " " + format + " -fill 0xFF " + range + " -o "
            + shellQuote(out) + " -Binary";
        EXPECT_EQ(run(cmd), 0) << cmd;
        return test::readBytes(out);
    }

    std::vector<std::uint8_t> intelhexRead(const std::filesystem::path& file, std::uint32_t base)
    {
        const auto out = dir_ / "peer.bin";
        const std::string cmd = std::string(kPython)
            + " -c 'import sys, intelhex; ih = intelhex.IntelHex(sys.argv[1]); "
              "open(sys.argv[2], \"wb\").write(bytes(ih.tobinarray(start=int(sys.argv[3]), "
              "size=0x40000)))' "
            + shellQuote(file) + " " + shellQuote(out) + " " + std::to_string(base);
        EXPECT_EQ(run(cmd), 0) << cmd;
        return test::readBytes(out);
    }

    SaveRequest request(const DeviceRecord& device, std::vector<AreaRange> ranges = {}) const
    {
        SaveRequest r;
        r.data = data_;
        r.areaStart = device.userRomStart;
        r.areaEnd = device.userRomEnd;
        r.family = deviceFamily(device);
        r.ranges = std::move(ranges);
        return r;
    }

    // Only the bytes of the ranges, 0xFF elsewhere.
    std::vector<std::uint8_t> expectedFor(std::uint32_t base, const std::vector<AreaRange>& ranges) const
    {
        std::vector<std::uint8_t> v(0x40000, 0xFF);
        for (const auto& r : ranges)
            for (std::uint32_t a = r.start; a <= r.end; ++a)
                v[a - base] = data_[a - base];
        return v;
    }

    test::ScratchDir dir_;
    std::vector<std::uint8_t> data_;
};

TEST_F(PeerTools, SrecCatFilesLoadIntoTheSameBytes)
{
    const char* const variants[] = {
        "-Intel",                   // linear ("04") records
        "-Intel -address-length=3", // segment ("02") records
        "-Intel -Output_Block_Size 32",
        "-Intel -Output_Block_Size 64 -address-length=3",
        "-Intel -Output_Block_Size 255",
        "-Intel -CRLF",
        "-Motorola",                   // S2 for 20-bit addresses
        "-Motorola -address-length=4", // S3
        "-Motorola -Output_Block_Size 16",
        "-Motorola -Output_Block_Size 64 -address-length=4",
        "-Motorola -Output_Block_Size 250 -CRLF",
    };
    for (const DeviceRecord& device : {test::defaultDevice(), test::m30803()}) {
        for (const char* variant : variants) {
            const bool intel = std::string(variant).rfind("-Intel", 0) == 0;
            // Segment records reach only 1 MiB: not for the 24-bit layout.
            if (intel && device.userRomStart > 0xFFFFF && std::string(variant).find("length=3") != std::string::npos)
                continue;
            const auto file = dir_ / (intel ? "peer.hex" : "peer.mot");
            const std::string cmd = "srec_cat " + shellQuote(dir_ / "data.bin") + " -Binary -offset "
                + std::to_string(device.userRomStart) + " -o " + shellQuote(file) + " " + variant;
            ASSERT_EQ(run(cmd), 0) << cmd;
            EXPECT_EQ(ourRead(device, file), data_) << device.name << " " << variant;
        }
    }
}

TEST_F(PeerTools, IntelhexFilesLoadIntoTheSameBytes)
{
    for (const DeviceRecord& device : {test::defaultDevice(), test::m30803()}) {
        for (int count : {16, 32, 255}) {
            const auto file = dir_ / "ih.hex";
            const std::string cmd = std::string(kPython)
                + " -c 'import sys, intelhex; ih = intelhex.IntelHex(); "
                  "ih.frombytes(open(sys.argv[1], \"rb\").read(), offset=int(sys.argv[2])); "
                  "ih.write_hex_file(sys.argv[3], byte_count=int(sys.argv[4]))' "
                + shellQuote(dir_ / "data.bin") + " " + std::to_string(device.userRomStart) + " " + shellQuote(file)
                + " " + std::to_string(count);
            ASSERT_EQ(run(cmd), 0) << cmd;
            EXPECT_EQ(ourRead(device, file), data_) << device.name << " byte count " << count;
        }
    }
}

TEST_F(PeerTools, OurFilesLoadInThePeers)
{
    RecordingUi ui;
    for (const DeviceRecord& device : {test::defaultDevice(), test::m30803()}) {
        const std::uint32_t b = device.userRomStart;
        const std::vector<AreaRange> odd = {
            {b + 0xFFF3, b + 0x10108}, {b + 0x2FFFF, b + 0x30000}, {b + 0x3FFF5, b + 0x3FFFF}};
        for (const auto& ranges : {std::vector<AreaRange>{}, odd}) {
            const auto expected = ranges.empty() ? data_ : expectedFor(b, ranges);
            const auto hex = dir_ / "ours.hex";
            const auto mot = dir_ / "ours.mot";
            ASSERT_TRUE(saveDataFile(ui, hex, request(device, ranges)));
            ASSERT_TRUE(saveDataFile(ui, mot, request(device, ranges)));
            EXPECT_EQ(srecCatRead(hex, "-Intel", b), expected) << device.name << " " << ranges.size();
            EXPECT_EQ(srecCatRead(mot, "-Motorola", b), expected) << device.name << " " << ranges.size();
            EXPECT_EQ(intelhexRead(hex, b), expected) << device.name << " " << ranges.size();
        }
    }
    EXPECT_TRUE(ui.texts().empty());
}

TEST_F(PeerTools, SparseIntelhexFileKeepsTheBlankBytes)
{
    // A few scattered bytes and runs, written in one go by intelhex.
    const auto file = dir_ / "sparse.hex";
    const std::string cmd = std::string(kPython)
        + " -c 'import sys, intelhex; ih = intelhex.IntelHex(); "
          "ih[0xC0005] = 1; ih[0xCFFFF] = 2; ih[0xD0000] = 3; ih[0xFFFF0] = 0x3F; "
          "ih.puts(0xE1234, b\"hello\"); ih.write_hex_file(sys.argv[1])' "
        + shellQuote(file);
    ASSERT_EQ(run(cmd), 0) << cmd;
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    ASSERT_EQ(readDataFile(test::defaultDevice(), Area::UserRom, image, file), std::nullopt);
    std::vector<std::uint8_t> expected = blankImage(Area::UserRom);
    expected[0x5] = 1;
    expected[0xFFFF] = 2;
    expected[0x10000] = 3;
    expected[0x3FFF0] = 0x3F;
    for (int i = 0; i < 5; ++i)
        expected[0x21234 + i] = static_cast<std::uint8_t>("hello"[i]);
    EXPECT_EQ(image, expected);
}

} // namespace
} // namespace plx71
