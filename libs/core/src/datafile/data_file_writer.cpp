#include "plx71/datafile/data_file_writer.hpp"

#include "file_io.hpp"
#include "intel_hex.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/text/utf8_path.hpp"
#include "plx71/transfer/progress_counters.hpp"
#include "s_record.hpp"

#include <algorithm>

namespace plx71 {
namespace {

constexpr std::uint32_t kRecordBytes = 16;

// The ranges to write, clipped to the area and to the data actually handed
// over; entries whose first address is above the last are skipped.
std::vector<AreaRange> rangesToWrite(const SaveRequest& r)
{
    std::vector<AreaRange> out;
    if (r.data.empty() || r.areaEnd < r.areaStart)
        return out;
    const std::uint64_t dataLast = std::uint64_t{r.areaStart} + r.data.size() - 1;
    const auto last = static_cast<std::uint32_t>(std::min<std::uint64_t>(r.areaEnd, dataLast));
    if (r.ranges.empty()) {
        out.push_back({r.areaStart, last});
        return out;
    }
    for (const auto& range : r.ranges) {
        if (range.start > range.end)
            continue;
        const std::uint32_t a = std::max(range.start, r.areaStart);
        const std::uint32_t b = std::min(range.end, last);
        if (a <= b)
            out.push_back({a, b});
    }
    return out;
}

// Progress goes up by 16 for every data record, shorter ones included, but
// stops at the total: overlapping ranges can hold more records than the area.
void advanceProgress(ProgressCounters* counters)
{
    if (!counters)
        return;
    const std::int32_t room = counters->total() - counters->done();
    if (room > 0)
        counters->advance(std::min<std::int32_t>(static_cast<std::int32_t>(kRecordBytes), room));
}

std::size_t estimatedSize(const std::vector<AreaRange>& ranges, std::size_t perRecord)
{
    std::size_t bytes = 0;
    for (const auto& r : ranges)
        bytes += std::size_t{r.end} - r.start + 1;
    return (bytes / kRecordBytes + 2 * ranges.size() + 8) * perRecord;
}

} // namespace

std::string formatIntelHex(const SaveRequest& request, ProgressCounters* counters)
{
    const auto ranges = rangesToWrite(request);
    std::string out;
    out.reserve(estimatedSize(ranges, 45));
    for (const auto& range : ranges) {
        std::uint64_t c = range.start;
        bool haveSegment = false;
        std::uint32_t segment = 0; // upper 16 bits the last extended record gave
        while (c <= range.end) {
            const auto address = static_cast<std::uint32_t>(c);
            if (!haveSegment || (address >> 16) != segment) {
                segment = address >> 16;
                haveSegment = true;
                // Family 2 addresses need all 16 upper bits; a segment record
                // cannot reach beyond 1 MiB either.
                if (request.family == 2 || address > 0xFFFFF) {
                    const std::uint8_t value[2] = {static_cast<std::uint8_t>(segment >> 8),
                                                   static_cast<std::uint8_t>(segment)};
                    intel_hex::appendRecord(out, intel_hex::kExtendedLinear, 0, value);
                } else {
                    const std::uint32_t paragraph = (address >> 4) & 0xF000;
                    const std::uint8_t value[2] = {static_cast<std::uint8_t>(paragraph >> 8),
                                                   static_cast<std::uint8_t>(paragraph)};
                    intel_hex::appendRecord(out, intel_hex::kExtendedSegment, 0, value);
                }
            }
            // Records end at a 64 KiB boundary, so every byte keeps its address.
            const std::uint64_t toBoundary = 0x10000 - (address & 0xFFFF);
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>({kRecordBytes, range.end - c + 1, toBoundary}));
            intel_hex::appendRecord(out, intel_hex::kData, static_cast<std::uint16_t>(address),
                                    request.data.subspan(address - request.areaStart, n));
            advanceProgress(counters);
            c += n;
        }
    }
    intel_hex::appendRecord(out, intel_hex::kEndOfFile, 0, {});
    return out;
}

std::string formatSRecords(const SaveRequest& request, ProgressCounters* counters)
{
    const auto ranges = rangesToWrite(request);
    std::string out;
    out.reserve(estimatedSize(ranges, 46));
    s_record::appendRecord(out, '0', 0, 2, {});
    for (const auto& range : ranges) {
        for (std::uint64_t c = range.start; c <= range.end;) {
            const auto address = static_cast<std::uint32_t>(c);
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kRecordBytes, range.end - c + 1));
            // S2 holds 24 address bits, enough for every device family.
            const bool wide = c + n - 1 > 0xFFFFFF;
            s_record::appendRecord(out, wide ? '3' : '2', address, wide ? 4 : 3,
                                   request.data.subspan(address - request.areaStart, n));
            advanceProgress(counters);
            c += n;
        }
    }
    s_record::appendRecord(out, '8', 0, 3, {});
    return out;
}

std::string formatDataFile(const std::filesystem::path& path, const SaveRequest& request, ProgressCounters* counters)
{
    return dataFormatFor(path) == DataFormat::IntelHex ? formatIntelHex(request, counters)
                                                       : formatSRecords(request, counters);
}

bool saveDataFile(Ui& ui, const std::filesystem::path& path, const SaveRequest& request, ProgressCounters* counters)
{
    const std::string text = formatDataFile(path, request, counters);
    std::error_code why;
    if (!replaceFile(path, text, &why)) {
        ui.messageWithDetail(Icon::Stop, msg::cannotWriteFile(utf8FromPath(path)), writeFailureReason(why));
        return false;
    }
    return true;
}

} // namespace plx71
