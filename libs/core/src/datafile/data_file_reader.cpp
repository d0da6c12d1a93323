#include "datafile/data_file_reader.hpp"

#include "file_io.hpp"
#include "plx71/text/utf8_path.hpp"
#include "record_scanner.hpp"

#include <algorithm>
#include <cstring>
#include <optional>
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
            outside_ = Outside{lineNumber, address};
            return false;
        }
        writes_.push_back({static_cast<std::size_t>(address - start_), bytes_.size(), bytes.size(), lineNumber});
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        if (!bytes.empty())
            ++placed_;
        return true;
    }

    // The record that reached outside the area: its line and first address.
    struct Outside {
        std::size_t line;
        std::uint64_t address;
    };
    const std::optional<Outside>& outside() const { return outside_; }

    // Two records that put different bytes at one address: the lowest such
    // address and the lines of both records (the earlier line first). The
    // same byte written twice is no conflict.
    struct Conflict {
        std::uint32_t address;
        std::size_t firstLine;
        std::size_t secondLine;
    };
    std::optional<Conflict> firstConflict() const
    {
        std::vector<const Write*> order;
        order.reserve(writes_.size());
        for (const Write& w : writes_)
            order.push_back(&w);
        std::stable_sort(order.begin(), order.end(),
                         [](const Write* a, const Write* b) { return a->offset < b->offset; });
        std::optional<Conflict> found;
        std::vector<const Write*> open; // earlier writes still reaching the current offset
        for (const Write* w : order) {
            std::erase_if(open, [w](const Write* o) { return o->offset + o->size <= w->offset; });
            for (const Write* o : open)
                compare(*o, *w, found);
            open.push_back(w);
        }
        return found;
    }
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

    // Places the records in file order (where two overlap they agree).
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
        std::size_t line;
    };

    // `a` starts at or before `b`.
    void compare(const Write& a, const Write& b, std::optional<Conflict>& found) const
    {
        const std::size_t end = std::min(a.offset + a.size, b.offset + b.size);
        for (std::size_t at = b.offset; at < end; ++at) {
            if (bytes_[a.from + (at - a.offset)] == bytes_[b.from + (at - b.offset)])
                continue;
            const auto address = static_cast<std::uint32_t>(start_ + at);
            if (!found || address < found->address)
                found = Conflict{address, std::min(a.line, b.line), std::max(a.line, b.line)};
            return;
        }
    }
    std::uint64_t start_;
    std::size_t length_;
    std::vector<Write> writes_;
    std::vector<std::uint8_t> bytes_;
    std::optional<Outside> outside_;
    std::size_t placed_ = 0;
};

// A protected program is loaded unless the decision refuses it.
bool protectedProgramTaken(int level, const ProtectDecision& protect)
{
    return level == 0 || !protect || protect(level);
}

DataFileProblem problem(DataFileRule rule)
{
    DataFileProblem p;
    p.rule = rule;
    return p;
}

// What is wrong with a file whose records were all read; none when it may
// be placed (but for the protect decision).
std::optional<DataFileProblem> recordsProblem(const AreaSink& sink, const ScanOutcome& outcome, DataFormat format,
                                              const AreaRange& range)
{
    if (outcome.result == ScanResult::FormatError)
        return formatProblem(outcome);
    if (const auto& out = sink.outside()) {
        DataFileProblem p = problem(DataFileRule::OutsideArea);
        p.line = out->line;
        p.address = out->address;
        p.areaStart = range.start;
        p.areaEnd = range.end;
        return p;
    }
    // A file that gives the area no byte (empty, not a data file at all, or
    // records of another address width) would program a blank chip.
    if (sink.placed() == 0) {
        DataFileProblem p = problem(DataFileRule::NoData);
        p.sRecords = format == DataFormat::SRecord;
        return p;
    }
    // A file that ends without its end record may have been cut short in a
    // copy or a transfer: what it lost would be programmed as blank.
    if (!outcome.endRecord)
        return problem(DataFileRule::NoEndRecord);
    if (const auto conflict = sink.firstConflict()) {
        DataFileProblem p = problem(DataFileRule::Conflict);
        p.line = conflict->firstLine;
        p.otherLine = conflict->secondLine;
        p.address = conflict->address;
        return p;
    }
    return std::nullopt;
}

} // namespace

std::optional<DataFileProblem> readDataText(const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                                            std::string_view text, DataFormat format,
                                            const DataFileReadOptions& options)
{
    // An area longer than its buffer is clipped to it: nothing is ever placed
    // outside the image.
    const AreaRange range = areaRange(device, area);
    const std::size_t length = std::min<std::size_t>(range.length(), image.size());

    AreaSink sink(range.start, length, text.size());
    const ScanOutcome outcome = scanRecords(text, format, ScanRules{}, sink);
    if (auto p = recordsProblem(sink, outcome, format, range))
        return p;
    if (area == Area::UserRom && length > 0) {
        // The protect byte is the last byte of the area, as the file left it.
        const std::uint8_t below = options.onto == ReadOnto::BlankImage ? kBlankByte : image[length - 1];
        const int level = protectLevel(sink.byteAt(length - 1, below));
        if (options.protectLevelSeen)
            *options.protectLevelSeen = level;
        if (!protectedProgramTaken(level, options.protect)) {
            DataFileProblem p = problem(DataFileRule::ProtectedDeclined);
            p.protectLevel = level;
            return p;
        }
    }
    if (options.onto == ReadOnto::BlankImage)
        std::fill(image.begin(), image.end(), kBlankByte);
    sink.placeInto(image);
    return std::nullopt;
}

std::optional<DataFileProblem> readDataFile(const DeviceRecord& device, Area area, std::span<std::uint8_t> image,
                                            const std::filesystem::path& path, const DataFileReadOptions& options)
{
    std::string text;
    auto p = readDataFileText(path, text);
    if (!p)
        p = readDataText(device, area, image, text, dataFormatFor(path), options);
    if (p)
        p->file = utf8FromPath(path);
    return p;
}

} // namespace plx71
