// The data file readers on any text, for every device of the table and both
// areas. Input: device byte, area/format/answer byte, then the file text.
//  - refused: the image is untouched and exactly one message was shown;
//  - accepted: only the protect question may have been asked, and writing
//    the changed bytes and reading that file back gives the same image.
#include "fuzz_support.hpp"

#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/data_file_writer.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

// Not blank, so that "untouched" also covers bytes a file would leave alone.
const std::vector<std::uint8_t>& patternedImage(Area area)
{
    static const auto make = [](Area a) {
        std::vector<std::uint8_t> image(imageSize(a));
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
        return image;
    };
    static const std::vector<std::uint8_t> user = make(Area::UserRom);
    static const std::vector<std::uint8_t> boot = make(Area::BootRom);
    return area == Area::UserRom ? user : boot;
}

// The first index from `from` below `length` where the images differ, or
// `length`. Equal 256-byte pieces are skipped with memcmp: a byte loop over
// a 256 KiB area under coverage instrumentation cost more than the read.
std::size_t firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::size_t from,
                            std::size_t length)
{
    constexpr std::size_t kPiece = 256;
    while (from + kPiece <= length && std::memcmp(a.data() + from, b.data() + from, kPiece) == 0)
        from += kPiece;
    while (from < length && a[from] == b[from])
        ++from;
    return from;
}

// The address ranges where `after` differs from `before` (runs closer than
// 64 bytes joined), so the written file holds what the read changed.
std::vector<AreaRange> changedRanges(std::uint32_t start, const std::vector<std::uint8_t>& before,
                                     const std::vector<std::uint8_t>& after, std::size_t length)
{
    std::vector<AreaRange> ranges;
    std::size_t from = 0;
    while (true) {
        const std::size_t first = firstDifference(after, before, from, length);
        if (first >= length)
            break;
        std::size_t last = first;
        for (std::size_t i = first; i < length && i <= last + 64; ++i)
            if (after[i] != before[i])
                last = i;
        if (!ranges.empty() && ranges.back().end + 1 >= start + first)
            ranges.back().end = static_cast<std::uint32_t>(start + last);
        else
            ranges.push_back({static_cast<std::uint32_t>(start + first), static_cast<std::uint32_t>(start + last)});
        from = last + 1;
    }
    return ranges;
}

// One buffer per use and area, kept between runs: a fresh 256 KiB vector is
// a fresh mapping under ASan, and its page faults cost more than the read.
std::vector<std::uint8_t>& scratch(int use, Area area, const std::vector<std::uint8_t>& contents)
{
    static std::vector<std::uint8_t> buffers[2][2];
    auto& buffer = buffers[use][area == Area::UserRom ? 0 : 1];
    buffer.assign(contents.begin(), contents.end());
    return buffer;
}

// Writes the changed ranges in `format` and reads the file back onto
// `before`; the result must be `after`.
void checkWriteThenRead(const DeviceRecord& device, Area area, const std::vector<std::uint8_t>& before,
                        const std::vector<std::uint8_t>& after, const std::vector<AreaRange>& ranges, DataFormat format)
{
    const AreaRange range = areaRange(device, area);
    SaveRequest request;
    request.data = after;
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.family = deviceFamily(device);
    request.ranges = ranges;
    const std::string text = format == DataFormat::IntelHex ? formatIntelHex(request) : formatSRecords(request);

    std::vector<std::uint8_t>& reread = scratch(1, area, before); // a protected program is taken
    const auto problem = readDataText(device, area, reread, text, format);
    if (!problem) {
        FUZZ_CHECK(reread == after);
        return;
    }
    // Only a file that holds no data record is refused (ranges of blank
    // bytes are written as nothing), and it changes nothing.
    FUZZ_CHECK(problem->rule == DataFileRule::NoData);
    FUZZ_CHECK(reread == before);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const DeviceTable& table = shippedTable();
    FuzzInput in(data, size);
    const DeviceRecord& device = table.records[in.byte() % table.records.size()];
    const std::uint8_t choice = in.byte();
    const Area area = (choice & 1) ? Area::BootRom : Area::UserRom;
    const DataFormat format = (choice & 2) ? DataFormat::SRecord : DataFormat::IntelHex;
    const bool answerOk = (choice & 4) != 0;
    const std::string_view text = in.restText();

    const std::vector<std::uint8_t>& before = patternedImage(area);
    std::vector<std::uint8_t>& image = scratch(0, area, before);
    int protectLevelSeen = -1;
    int asked = 0;
    DataFileReadOptions options;
    options.protectLevelSeen = &protectLevelSeen;
    options.protect = [&asked, answerOk](int) {
        ++asked;
        return answerOk;
    };
    const auto problem = readDataText(device, area, image, text, format, options);

    FUZZ_CHECK(image.size() == before.size());
    FUZZ_CHECK(asked <= 1);
    if (problem) {
        FUZZ_CHECK(image == before);
        // A declined protected program is the only refusal the decision made.
        FUZZ_CHECK((problem->rule == DataFileRule::ProtectedDeclined) == (asked == 1 && !answerOk));
        FUZZ_CHECK(problem->rule == DataFileRule::ProtectedDeclined || !describeProblem(*problem).text.empty());
        return 0;
    }
    if (area == Area::UserRom)
        FUZZ_CHECK(protectLevelSeen >= 0 && protectLevelSeen <= 2);
    else
        FUZZ_CHECK(protectLevelSeen == -1);

    // Nothing beyond the area's part of the buffer is ever touched.
    const std::size_t length = std::min<std::size_t>(areaRange(device, area).length(), image.size());
    FUZZ_CHECK(std::equal(image.begin() + static_cast<std::ptrdiff_t>(length), image.end(),
                          before.begin() + static_cast<std::ptrdiff_t>(length)));

    const auto ranges = changedRanges(areaRange(device, area).start, before, image, length);
    if (!ranges.empty()) {
        checkWriteThenRead(device, area, before, image, ranges, DataFormat::IntelHex);
        checkWriteThenRead(device, area, before, image, ranges, DataFormat::SRecord);
    }
    return 0;
}
