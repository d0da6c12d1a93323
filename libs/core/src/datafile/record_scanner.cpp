#include "record_scanner.hpp"

#include "intel_hex.hpp"
#include "s_record.hpp"

namespace plx71 {
namespace {

template <typename Decoder>
ScanResult walkLines(std::string_view text, Decoder& decoder)
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
        switch (decoder.line(s)) {
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
        intel_hex::LineDecoder decoder(sink);
        return walkLines(text, decoder);
    }
    s_record::LineDecoder decoder(sink, rules);
    return walkLines(text, decoder);
}

} // namespace plx71
