#pragma once
// Walks the lines of an Intel HEX or S-record text and hands every data
// record to a sink. Each line is decoded by its format's own file
// (intel_hex, s_record); both readers (data files and firmware files) drive
// this walk and differ only in what the sink does and in one end-of-reading
// rule.
#include "plx71/datafile/file_type.hpp"
#include "plx71/messages/file_problems.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace plx71 {

class RecordSink {
public:
    virtual ~RecordSink() = default;
    // One data record: its first address (64 bits, so A + n never wraps) and
    // its bytes. Return false to end the reading.
    virtual bool data(std::uint64_t address, std::span<const std::uint8_t> bytes) = 0;

    // The 1-based line of the record data() is handed, for messages.
    std::size_t lineNumber = 0;
};

struct ScanRules {
    // S2/S3 records without data end the reading (data files); otherwise
    // (firmware files) they reach the sink with no bytes.
    bool emptySRecordsEnd = true;
};

enum class ScanResult {
    Completed,   // end record, or the end of the text
    Stopped,     // the sink asked to stop
    FormatError, // a record of interest was malformed or its check sum wrong
};

// A record whose check sum field does not match its bytes.
struct ChecksumMismatch {
    std::size_t lineNumber = 0; // 1-based; CR LF, LF and a lone CR each end a line
    std::uint8_t found = 0;
    std::uint8_t expected = 0;
};

// A record's stored check sum against the one its bytes give; a mismatch
// keeps both for the message.
inline bool checksumAgrees(std::uint32_t found, std::uint8_t expected, ChecksumMismatch& mismatch)
{
    if (found == expected)
        return true;
    mismatch.found = static_cast<std::uint8_t>(found);
    mismatch.expected = expected;
    return false;
}

struct ScanOutcome {
    ScanResult result = ScanResult::Completed;
    std::optional<ChecksumMismatch> checksum; // why a FormatError, when it was the check sum
    // The reading ended at an end record (":00000001FF", S7, S8), or an S9
    // was seen. Without one the file may have been cut short.
    bool endRecord = false;
};

ScanOutcome scanRecords(std::string_view text, DataFormat format, const ScanRules& rules, RecordSink& sink);

// The problem of a FormatError: Malformed, or ChecksumMismatch with its line
// and both sums.
DataFileProblem formatProblem(const ScanOutcome& outcome);

// What a format's line decoder made of one line. On ChecksumError the
// decoder has filled found and expected of the mismatch.
enum class LineResult { Next, End, Stopped, FormatError, ChecksumError };

// The decoded bytes of one record; 255 is the largest byte count.
using RecordBytes = std::array<std::uint8_t, 256>;

} // namespace plx71
