#include "plx71/datafile/data_file_writer.hpp"

#include "file_io.hpp"
#include "hex_digits.hpp"
#include "plx71/transfer/progress_counters.hpp"
#include "plx71/text/utf8_path.hpp"
#include "plx71/ui/messages.hpp"

#include <algorithm>

namespace plx71 {
namespace {

constexpr std::uint32_t kRecordBytes = 16;

// The ranges to write, clipped to the area and to the data actually handed
// over; entries whose first address is above the last are skipped.
std::vector<AddressRange> rangesToWrite(const SaveRequest& r)
{
    std::vector<AddressRange> out;
    if (r.data.empty() || r.areaEnd < r.areaStart)
        return out;
    const std::uint64_t dataLast = std::uint64_t{r.areaStart} + r.data.size() - 1;
    const auto last = static_cast<std::uint32_t>(std::min<std::uint64_t>(r.areaEnd, dataLast));
    if (r.ranges.empty()) {
        out.push_back({r.areaStart, last});
        return out;
    }
    for (const auto& range : r.ranges) {
        if (range.first > range.last)
            continue;
        const std::uint32_t a = std::max(range.first, r.areaStart);
        const std::uint32_t b = std::min(range.last, last);
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

class RecordText {
public:
    explicit RecordText(std::string& out) : out_(out) {}

    // Intel HEX: ':' + bytes + two's complement check sum.
    void intelRecord(std::uint8_t count, std::uint16_t offset, std::uint8_t type, const std::uint8_t* data)
    {
        char* p = begin(':');
        std::uint32_t sum = 0;
        p = put(p, count, sum);
        p = put(p, static_cast<std::uint8_t>(offset >> 8), sum);
        p = put(p, static_cast<std::uint8_t>(offset), sum);
        p = put(p, type, sum);
        for (std::uint8_t i = 0; i < count; ++i)
            p = put(p, data[i], sum);
        p = hex::putByte(p, static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
        finish(p);
    }

    // S2 (24-bit address) or S3 (32-bit) data record: ones' complement sum.
    void sRecord(std::uint32_t address, bool wide, std::uint8_t count, const std::uint8_t* data)
    {
        char* p = begin('S');
        *p++ = wide ? '3' : '2';
        std::uint32_t sum = 0;
        p = put(p, static_cast<std::uint8_t>(count + (wide ? 5 : 4)), sum);
        if (wide)
            p = put(p, static_cast<std::uint8_t>(address >> 24), sum);
        p = put(p, static_cast<std::uint8_t>(address >> 16), sum);
        p = put(p, static_cast<std::uint8_t>(address >> 8), sum);
        p = put(p, static_cast<std::uint8_t>(address), sum);
        for (std::uint8_t i = 0; i < count; ++i)
            p = put(p, data[i], sum);
        p = hex::putByte(p, static_cast<std::uint8_t>(~sum));
        finish(p);
    }

    void line(std::string_view text)
    {
        out_.append(text);
        out_.append("\r\n");
    }

private:
    char* begin(char first)
    {
        buffer_[0] = first;
        return buffer_ + 1;
    }
    static char* put(char* p, std::uint8_t b, std::uint32_t& sum)
    {
        sum += b;
        return hex::putByte(p, b);
    }
    void finish(char* p)
    {
        *p++ = '\r';
        *p++ = '\n';
        out_.append(buffer_, static_cast<std::size_t>(p - buffer_));
    }

    std::string& out_;
    char buffer_[96]; // longest: "S3" + 21 bytes + CR LF
};

std::size_t estimatedSize(const std::vector<AddressRange>& ranges, std::size_t perRecord)
{
    std::size_t bytes = 0;
    for (const auto& r : ranges)
        bytes += std::size_t{r.last} - r.first + 1;
    return (bytes / kRecordBytes + 2 * ranges.size() + 8) * perRecord;
}

} // namespace

std::string formatIntelHex(const SaveRequest& request, ProgressCounters* counters)
{
    const auto ranges = rangesToWrite(request);
    std::string out;
    out.reserve(estimatedSize(ranges, 45));
    RecordText text(out);
    for (const auto& range : ranges) {
        std::uint64_t c = range.first;
        bool haveSegment = false;
        std::uint32_t segment = 0; // upper 16 bits the last extended record gave
        while (c <= range.last) {
            const auto address = static_cast<std::uint32_t>(c);
            if (!haveSegment || (address >> 16) != segment) {
                segment = address >> 16;
                haveSegment = true;
                // Family 2 addresses need all 16 upper bits; a segment record
                // cannot reach beyond 1 MiB either.
                if (request.family == 2 || address > 0xFFFFF) {
                    const std::uint8_t value[2] = {static_cast<std::uint8_t>(segment >> 8),
                                                   static_cast<std::uint8_t>(segment)};
                    text.intelRecord(2, 0, 0x04, value);
                } else {
                    const std::uint32_t paragraph = (address >> 4) & 0xF000;
                    const std::uint8_t value[2] = {static_cast<std::uint8_t>(paragraph >> 8),
                                                   static_cast<std::uint8_t>(paragraph)};
                    text.intelRecord(2, 0, 0x02, value);
                }
            }
            // Records end at a 64 KiB boundary, so every byte keeps its address.
            const std::uint64_t toBoundary = 0x10000 - (address & 0xFFFF);
            const auto n = static_cast<std::uint8_t>(std::min<std::uint64_t>({kRecordBytes, range.last - c + 1, toBoundary}));
            text.intelRecord(n, static_cast<std::uint16_t>(address), 0x00,
                             request.data.data() + (address - request.areaStart));
            advanceProgress(counters);
            c += n;
        }
    }
    text.line(":00000001FF");
    return out;
}

std::string formatSRecords(const SaveRequest& request, ProgressCounters* counters)
{
    const auto ranges = rangesToWrite(request);
    std::string out;
    out.reserve(estimatedSize(ranges, 46));
    RecordText text(out);
    text.line("S0030000FC");
    for (const auto& range : ranges) {
        for (std::uint64_t c = range.first; c <= range.last;) {
            const auto address = static_cast<std::uint32_t>(c);
            const auto n = static_cast<std::uint8_t>(std::min<std::uint64_t>(kRecordBytes, range.last - c + 1));
            // S2 holds 24 address bits, enough for every device family.
            const bool wide = c + n - 1 > 0xFFFFFF;
            text.sRecord(address, wide, n, request.data.data() + (address - request.areaStart));
            advanceProgress(counters);
            c += n;
        }
    }
    text.line("S804000000FB");
    return out;
}

bool saveDataFile(Ui& ui, const std::filesystem::path& path, const SaveRequest& request,
                  ProgressCounters* counters)
{
    const std::string text = dataFormatFor(path) == DataFormat::IntelHex ? formatIntelHex(request, counters)
                                                                         : formatSRecords(request, counters);
    if (!writeWholeFile(path, text)) {
        ui.message(Icon::Stop, msg::cannotWriteFile(utf8FromPath(path)));
        return false;
    }
    return true;
}

} // namespace plx71
