#include "datafile/data_file_reader.hpp"

#include "file_io.hpp"
#include "plx71/messages/message_texts.hpp"
#include "record_scanner.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plx71 {
namespace {

// Keeps the records of a file until the whole file has been read: only an
// accepted file reaches the image. The records are kept rather than a copy
// of the area, so reading a small file costs what the file holds, not the
// area's size. A record reaching outside the area ends the reading.
class AreaSink : public RecordSink {
public:
    // A record line holds at least two characters per data byte and eleven
    // around them, so `textSize` bounds what the file can carry.
    AreaSink(std::uint32_t start, std::size_t length, std::size_t textSize) : start_(start), length_(length)
    {
        bytes_.reserve(std::min(textSize / 2, length));
        writes_.reserve(std::min(textSize / 11, length));
    }

    bool data(std::uint64_t address, std::span<const std::uint8_t> bytes) override
    {
        if (address < start_ || address - start_ + bytes.size() > length_) {
            outside_ = true;
            return false;
        }
        writes_.push_back({static_cast<std::size_t>(address - start_), bytes_.size(), bytes.size()});
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        if (!bytes.empty())
            ++placed_;
        return true;
    }

    bool outside() const { return outside_; }
    // Records that put at least one byte into the area.
    std::size_t placed() const { return placed_; }

    // The byte at `offset` once the records are placed; `below` where no
    // record gives it.
    std::uint8_t byteAt(std::size_t offset, std::uint8_t below) const
    {
        for (auto w = writes_.rbegin(); w != writes_.rend(); ++w) {
            if (offset >= w->offset && offset < w->offset + w->size)
                return bytes_[w->from + (offset - w->offset)];
        }
        return below;
    }

    // Places the records in file order, so a later one wins where they overlap.
    void placeInto(std::span<std::uint8_t> image) const
    {
        for (const Write& w : writes_)
            std::memcpy(image.data() + w.offset, bytes_.data() + w.from, w.size);
    }

private:
    struct Write {
        std::size_t offset; // into the area
        std::size_t from;   // into bytes_
        std::size_t size;
    };
    std::uint64_t start_;
    std::size_t length_;
    std::vector<Write> writes_;
    std::vector<std::uint8_t> bytes_;
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
                  DataFormat format, int* protectLevelSeen, ReadOnto onto)
{
    // An area longer than its buffer is clipped to it: nothing is ever placed
    // outside the image.
    const AreaRange range = areaRange(device, area);
    const std::size_t length = std::min<std::size_t>(range.length(), image.size());

    AreaSink sink(range.start, length, text.size());
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
        const std::uint8_t below = onto == ReadOnto::BlankImage ? kBlankByte : image[length - 1];
        const int level = protectLevel(sink.byteAt(length - 1, below));
        if (protectLevelSeen)
            *protectLevelSeen = level;
        if (level == 1 && !ui.question(Icon::Exclamation, std::string(msg::kLevel1Question)))
            return false;
        if (level == 2 && !ui.question(Icon::Exclamation, std::string(msg::kLevel2Question)))
            return false;
    }
    if (onto == ReadOnto::BlankImage)
        std::fill(image.begin(), image.end(), kBlankByte);
    sink.placeInto(image);
    return true;
}

bool readDataFile(Ui& ui, const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                  const std::filesystem::path& path, int* protectLevelSeen, ReadOnto onto)
{
    std::string text;
    if (!readDataFileText(ui, path, text))
        return false;
    return readDataText(ui, device, area, image, text, dataFormatFor(path), protectLevelSeen, onto);
}

} // namespace plx71
