#include "plx71/datafile/data_file_reader.hpp"

#include "file_io.hpp"
#include "plx71/ui/messages.hpp"
#include "record_scanner.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plx71 {
namespace {

// Places records into the working copy; a record reaching outside the area
// ends the reading.
class AreaSink : public RecordSink {
public:
    AreaSink(std::uint32_t start, std::span<std::uint8_t> working) : start_(start), working_(working) {}

    bool data(std::uint64_t address, std::span<const std::uint8_t> bytes) override
    {
        if (address < start_ || address - start_ + bytes.size() > working_.size()) {
            outside_ = true;
            return false;
        }
        std::memcpy(working_.data() + (address - start_), bytes.data(), bytes.size());
        if (!bytes.empty())
            ++placed_;
        return true;
    }

    bool outside() const { return outside_; }
    // Records that put at least one byte into the area.
    std::size_t placed() const { return placed_; }

private:
    std::uint64_t start_;
    std::span<std::uint8_t> working_;
    bool outside_ = false;
    std::size_t placed_ = 0;
};

// Why a file gave nothing: S1 records (16-bit addresses) are no data
// records of any area we write.
std::string noDataReason(DataFormat format)
{
    return format == DataFormat::IntelHex ? "no data records" : "no S2 or S3 data records (S1 records are not read)";
}

} // namespace

bool readDataText(Ui& ui, const DeviceRecord& device, Area area, std::span<std::uint8_t> image, std::string_view text,
                  DataFormat format, int* protectLevelSeen)
{
    // An area longer than its buffer is clipped to it: nothing is ever placed
    // outside the image.
    const AreaRange range = areaRange(device, area);
    const std::size_t length = std::min<std::size_t>(range.length(), image.size());

    std::vector<std::uint8_t> working(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
    AreaSink sink(range.start, working);
    const ScanOutcome outcome = scanRecords(text, format, ScanRules{}, sink);

    if (outcome.result == ScanResult::FormatError) {
        reportFormatError(ui, outcome);
        return false;
    }
    if (sink.outside()) {
        ui.message(Icon::Stop, std::string(msg::kInvalidAddressContained));
        return false;
    }
    // A file that gives the area no byte (empty, not a data file at all, or
    // records of another address width) would program a blank chip.
    if (sink.placed() == 0) {
        ui.messageWithDetail(Icon::Stop, std::string(msg::kFileFormatError), noDataReason(format));
        return false;
    }
    if (area == Area::UserRom && length > 0) {
        // The protect byte is the last byte of the area, as the file left it.
        const int level = protectLevel(working[length - 1]);
        if (protectLevelSeen)
            *protectLevelSeen = level;
        if (level == 1 && !ui.question(Icon::Exclamation, std::string(msg::kLevel1Question)))
            return false;
        if (level == 2 && !ui.question(Icon::Exclamation, std::string(msg::kLevel2Question)))
            return false;
    }
    std::copy(working.begin(), working.end(), image.begin());
    return true;
}

bool readDataFile(Ui& ui, const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                  const std::filesystem::path& path, int* protectLevelSeen)
{
    std::string text;
    if (!readDataFileText(ui, path, text))
        return false;
    return readDataText(ui, device, area, image, text, dataFormatFor(path), protectLevelSeen);
}

} // namespace plx71
