#include "record_scanner.hpp"

#include "intel_hex.hpp"
#include "s_record.hpp"

namespace plx71 {
namespace {

// The first CR or LF at or after `pos`, else the text's size. A plain loop:
// find_first_of looks each character up in the set with a call of its own.
std::size_t lineEnd(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r')
        ++pos;
    return pos;
}

template <typename Decoder>
ScanOutcome walkLines(std::string_view text, Decoder& decoder, RecordSink& sink)
{
    std::size_t pos = 0;
    std::size_t lineNumber = 0;
    while (pos < text.size()) {
        // Lines of any length are taken whole; LF, CR LF or a lone CR ends
        // them. A file with CR line ends would otherwise be one long line
        // whose first record alone is read, and the rest lost unnoticed.
        const std::size_t end = lineEnd(text, pos);
        const std::string_view s = text.substr(pos, end - pos);
        ++lineNumber;
        pos = end + 1;
        if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos; // CR LF is one line end
        if (s.empty())
            continue;
        ChecksumMismatch mismatch;
        sink.lineNumber = lineNumber;
        switch (decoder.line(s, mismatch)) {
        case LineResult::Next:
            break;
        case LineResult::End:
            return {ScanResult::Completed, {}, true};
        case LineResult::Stopped:
            return {ScanResult::Stopped, {}};
        case LineResult::FormatError:
            return {ScanResult::FormatError, {}};
        case LineResult::ChecksumError:
            mismatch.lineNumber = lineNumber;
            return {ScanResult::FormatError, mismatch};
        }
    }
    // An Intel HEX end record ends the reading above; S-records may close
    // without one.
    bool closed = false;
    if constexpr (requires { decoder.sawClosingRecord(); })
        closed = decoder.sawClosingRecord();
    return {ScanResult::Completed, {}, closed};
}

} // namespace

ScanOutcome scanRecords(std::string_view text, DataFormat format, const ScanRules& rules, RecordSink& sink)
{
    if (format == DataFormat::IntelHex) {
        intel_hex::LineDecoder decoder(sink);
        return walkLines(text, decoder, sink);
    }
    s_record::LineDecoder decoder(sink, rules);
    return walkLines(text, decoder, sink);
}

DataFileProblem formatProblem(const ScanOutcome& outcome)
{
    DataFileProblem p;
    p.rule = DataFileRule::Malformed;
    if (const auto& m = outcome.checksum) {
        p.rule = DataFileRule::ChecksumMismatch;
        p.line = m->lineNumber;
        p.found = m->found;
        p.expected = m->expected;
    }
    return p;
}

} // namespace plx71
