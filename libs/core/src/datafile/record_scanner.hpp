#pragma once
// Walks the lines of an Intel HEX or S-record text and hands every data
// record to a sink. Both readers (data files and firmware files) share it;
// they differ only in what the sink does and in one end-of-reading rule.
#include "plx71/datafile/file_type.hpp"

#include <cstdint>
#include <span>
#include <string_view>

namespace plx71 {

class RecordSink {
public:
    virtual ~RecordSink() = default;
    // One data record: its first address (64 bits, so A + n never wraps) and
    // its bytes. Return false to end the reading.
    virtual bool data(std::uint64_t address, std::span<const std::uint8_t> bytes) = 0;
};

struct ScanRules {
    // S2/S3 records without data end the reading (data files); otherwise
    // (firmware files) they reach the sink with no bytes.
    bool emptySRecordsEnd = true;
};

enum class ScanResult {
    Completed,   // end record, or the end of the text
    Stopped,     // the sink asked to stop
    FormatError, // a record of interest was malformed
};

ScanResult scanRecords(std::string_view text, DataFormat format, const ScanRules& rules, RecordSink& sink);

} // namespace plx71
