#include "plx71/datafile/firmware_file_reader.hpp"

#include "file_io.hpp"
#include "plx71/datafile/file_type.hpp"
#include "plx71/text/utf8_path.hpp"
#include "record_scanner.hpp"

#include <cstring>
#include <string>

namespace plx71 {
namespace {

// Places records straight into the firmware image and notes the lowest and
// highest address of the data. Records before a bad one stay in the image.
class FirmwareSink : public RecordSink {
public:
    explicit FirmwareSink(FirmwareImage& image) : image_(image) {}

    bool data(std::uint64_t address, std::span<const std::uint8_t> bytes) override
    {
        // Only data that would land beyond the image is refused above the
        // area; a record without data has none to place.
        if (address < kFirmwareBase
            || (!bytes.empty() && address - kFirmwareBase + bytes.size() > image_.bytes.size())) {
            outside_ = true;
            return false;
        }
        // A record without data (an empty S2/S3) counts with last = first - 1.
        const std::uint64_t last = address + bytes.size() - 1;
        if (address < image_.firstAddress)
            image_.firstAddress = static_cast<std::uint32_t>(address);
        if (last > image_.lastAddress && last <= kFirmwareAreaLast)
            image_.lastAddress = static_cast<std::uint32_t>(last);
        if (!bytes.empty())
            std::memcpy(image_.bytes.data() + (address - kFirmwareBase), bytes.data(), bytes.size());
        return true;
    }

    bool outside() const { return outside_; }

private:
    FirmwareImage& image_;
    bool outside_ = false;
};

} // namespace

std::optional<DataFileProblem> readFirmwareText(std::string_view text, std::optional<DataFormat> format,
                                                FirmwareImage& image)
{
    // The range starts reversed so that the first record sets both ends.
    image.firstAddress = kFirmwareAreaLast;
    image.lastAddress = kFirmwareBase;

    if (format) {
        FirmwareSink sink(image);
        ScanRules rules;
        rules.emptySRecordsEnd = false;
        const ScanOutcome outcome = scanRecords(text, *format, rules, sink);
        if (outcome.result == ScanResult::FormatError)
            return formatProblem(outcome);
        if (sink.outside()) {
            DataFileProblem p;
            p.rule = DataFileRule::BelowFirmwareArea;
            return p;
        }
    }

    // Whole 256-byte pages are sent.
    image.firstAddress &= 0xFFF00;
    image.lastAddress |= 0xFF;
    return std::nullopt;
}

std::optional<DataFileProblem> readFirmwareFile(const std::filesystem::path& path, FirmwareImage& image)
{
    std::string text;
    if (auto p = readDataFileText(path, text))
        return p;
    const char type = fileTypeCharacter(path);
    std::optional<DataFormat> format;
    if (type == 'H')
        format = DataFormat::IntelHex;
    else if (type == 'M' || type == 0)
        format = DataFormat::SRecord;
    auto p = readFirmwareText(text, format, image);
    if (p)
        p->file = utf8FromPath(path);
    return p;
}

bool firmwareHeaderValid(const FirmwareImage& image)
{
    const auto& b = image.bytes;
    return b.size() >= 16 && b[0] == 'V' && b[2] == '.' && b[5] == ' ' && b[10] == '/' && b[13] == '/';
}

std::string firmwareVersionText(const FirmwareImage& image)
{
    std::string text;
    for (std::size_t i = 0; i < 16 && i < image.bytes.size() && image.bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(image.bytes[i]));
    return text;
}

} // namespace plx71
