#include "record_scanner.hpp"

#include "hex_digits.hpp"

#include <array>

namespace plx71 {
namespace {

enum class LineResult { Next, End, Stopped, FormatError };

// Holds the decoded bytes of one record; 255 is the largest byte count.
using RecordBytes = std::array<std::uint8_t, 256>;

bool decodeBytes(const char* p, std::size_t n, RecordBytes& out)
{
    int bad = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int hi = hex::digitValue(p[2 * i]);
        const int lo = hex::digitValue(p[2 * i + 1]);
        bad |= hi | lo;
        out[i] = static_cast<std::uint8_t>((hi << 4) | (lo & 0xF));
    }
    return bad >= 0;
}

class IntelHexLines {
public:
    IntelHexLines(RecordSink& sink) : sink_(sink) {}

    LineResult line(std::string_view s)
    {
        // ":" count(2) address(4) type(2); shorter lines carry no record.
        if (s.size() < 9 || s[7] != '0')
            return LineResult::Next;
        const char type = s[8];
        if (type == '0' || type == '1')
            return dataRecord(s, type == '1');
        if (type == '2' || type == '4')
            return baseRecord(s, type == '4');
        return LineResult::Next; // 03, 05 and anything else carry nothing for us
    }

private:
    LineResult dataRecord(std::string_view s, bool endOfFile)
    {
        std::uint32_t n = 0;
        if (!hex::readField(s.data() + 1, 2, n))
            return LineResult::FormatError;
        if (n == 0)
            return LineResult::End;
        // The count promises n data bytes and the check sum.
        if (s.size() < 11 + 2 * static_cast<std::size_t>(n))
            return LineResult::FormatError;
        std::uint32_t offset = 0;
        if (!hex::readField(s.data() + 3, 4, offset) || !decodeBytes(s.data() + 9, n, bytes_))
            return LineResult::FormatError;
        if (!sink_.data(std::uint64_t{base_} + offset, std::span<const std::uint8_t>(bytes_.data(), n)))
            return LineResult::Stopped;
        return endOfFile ? LineResult::End : LineResult::Next;
    }

    LineResult baseRecord(std::string_view s, bool linear)
    {
        // The byte count is not examined; the value field must be there.
        std::uint32_t value = 0;
        if (s.size() < 13 || !hex::readField(s.data() + 9, 4, value))
            return LineResult::FormatError;
        base_ = linear ? value << 16 : value << 4;
        return LineResult::Next;
    }

    RecordSink& sink_;
    std::uint32_t base_ = 0;
    RecordBytes bytes_{};
};

class SRecordLines {
public:
    SRecordLines(RecordSink& sink, const ScanRules& rules) : sink_(sink), rules_(rules) {}

    LineResult line(std::string_view s)
    {
        if (s.size() < 2 || s[0] != 'S')
            return LineResult::Next;
        switch (s[1]) {
        case '2': return record(s, 3, false);
        case '3': return record(s, 4, false);
        case '8': return record(s, 3, true);
        case '7': return record(s, 4, true);
        default: return LineResult::Next; // S0, S1, S9, S5 ... carry nothing for us
        }
    }

private:
    LineResult record(std::string_view s, std::size_t addressBytes, bool endRecord)
    {
        std::uint32_t count = 0;
        if (s.size() < 4 || !hex::readField(s.data() + 2, 2, count))
            return LineResult::FormatError;
        // The count covers address, data and check sum.
        if (count < addressBytes + 1 || s.size() < 4 + 2 * static_cast<std::size_t>(count))
            return LineResult::FormatError;
        const std::size_t n = count - addressBytes - 1;
        if (n == 0 && (endRecord || rules_.emptySRecordsEnd))
            return LineResult::End;
        std::uint32_t address = 0;
        if (!hex::readField(s.data() + 4, static_cast<int>(2 * addressBytes), address)
            || !decodeBytes(s.data() + 4 + 2 * addressBytes, n, bytes_))
            return LineResult::FormatError;
        if (!sink_.data(address, std::span<const std::uint8_t>(bytes_.data(), n)))
            return LineResult::Stopped;
        return endRecord ? LineResult::End : LineResult::Next;
    }

    RecordSink& sink_;
    const ScanRules& rules_;
    RecordBytes bytes_{};
};

template <typename Lines>
ScanResult walkLines(std::string_view text, Lines& lines)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Lines of any length are taken whole; LF, CR LF or a lone CR ends
        // them. A file with CR line ends would otherwise be one long line
        // whose first record alone is read, and the rest lost unnoticed.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view s = text.substr(pos, end - pos);
        pos = end + 1;
        if (s.empty())
            continue; // the LF of a CR LF, or an empty line
        switch (lines.line(s)) {
        case LineResult::Next: break;
        case LineResult::End: return ScanResult::Completed;
        case LineResult::Stopped: return ScanResult::Stopped;
        case LineResult::FormatError: return ScanResult::FormatError;
        }
    }
    return ScanResult::Completed;
}

} // namespace

ScanResult scanRecords(std::string_view text, DataFormat format, const ScanRules& rules, RecordSink& sink)
{
    if (format == DataFormat::IntelHex) {
        IntelHexLines lines(sink);
        return walkLines(text, lines);
    }
    SRecordLines lines(sink, rules);
    return walkLines(text, lines);
}

} // namespace plx71
