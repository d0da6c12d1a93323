// The firmware reader on any text. Input: format byte, then the file text.
//  - refused: exactly one message;
//  - accepted: no message, the recorded range lies on whole pages of the
//    firmware area, and writing the area and reading it back gives the same
//    bytes; the header check and version text never read past the image.
#include "fuzz_support.hpp"

#include "ops/load_worker.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/datafile/firmware_file_reader.hpp"
#include "plx71/ops/select_firmware.hpp"

#include <algorithm>
#include <cstring>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

std::optional<DataFormat> formatOf(std::uint8_t choice)
{
    switch (choice % 3) {
    case 0:
        return DataFormat::IntelHex;
    case 1:
        return DataFormat::SRecord;
    default:
        return std::nullopt; // a type character the loader does not read
    }
}

// Images kept between runs and blanked for each: a fresh 256 KiB vector is
// a fresh mapping under ASan, and its page faults cost more than the read.
FirmwareImage& blankImage(int use)
{
    static FirmwareImage images[2];
    FirmwareImage& image = images[use];
    std::memset(image.bytes.data(), 0xFF, image.bytes.size()); // a byte loop under coverage is slow
    image.firstAddress = kFirmwareBase;
    image.lastAddress = kFirmwareAreaLast;
    return image;
}

void checkWriteThenRead(const FirmwareImage& image, DataFormat format)
{
    SaveRequest request;
    request.data = image.bytes;
    request.areaStart = kFirmwareBase;
    request.areaEnd = kFirmwareAreaLast;
    const std::string text = format == DataFormat::IntelHex ? formatIntelHex(request) : formatSRecords(request);

    FirmwareImage& reread = blankImage(1);
    FUZZ_CHECK(!readFirmwareText(text, format, reread));
    const auto areaLength = static_cast<std::ptrdiff_t>(kFirmwareAreaLast - kFirmwareBase + 1);
    FUZZ_CHECK(std::equal(reread.bytes.begin(), reread.bytes.begin() + areaLength, image.bytes.begin()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::optional<DataFormat> format = formatOf(in.byte());
    const std::string_view text = in.restText();

    FirmwareImage& image = blankImage(0);
    const auto problem = readFirmwareText(text, format, image);
    FUZZ_CHECK(image.bytes.size() == kFirmwareImageSize);
    if (problem) {
        // Each refusal has its words.
        FUZZ_CHECK(!describeProblem(*problem).text.empty());
        return 0;
    }
    FUZZ_CHECK(image.firstAddress % 0x100 == 0 && image.lastAddress % 0x100 == 0xFF);
    FUZZ_CHECK(image.firstAddress >= kFirmwareBase && image.firstAddress <= kFirmwareAreaLast);
    FUZZ_CHECK(image.lastAddress >= kFirmwareBase && image.lastAddress <= kFirmwareAreaLast);
    FUZZ_CHECK(loadProgressTotal(image) >= 0 && loadProgressTotal(image) <= 0x3000);
    FUZZ_CHECK(firmwareVersionText(image).size() <= 16);
    (void)firmwareHeaderValid(image);

    static const std::vector<std::uint8_t> blankArea(0x3000, 0xFF);
    if (format && std::memcmp(image.bytes.data(), blankArea.data(), blankArea.size()) != 0) {
        checkWriteThenRead(image, DataFormat::IntelHex);
        checkWriteThenRead(image, DataFormat::SRecord);
    }
    return 0;
}
