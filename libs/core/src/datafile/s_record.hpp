#pragma once
// S-records: "S" type(1) count(2), then the address (2, 3 or 4 bytes), the
// data bytes and a check sum, all as hexadecimal digit pairs, one record per
// line. The count covers address, data and check sum.
#include "record_scanner.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace plx71::s_record {

// The check sum of a record whose count, address and data bytes add up to
// `byteSum`: the ones' complement of the sum's low byte.
inline std::uint8_t checksum(std::uint32_t byteSum)
{
    return static_cast<std::uint8_t>(~byteSum);
}

// Appends one "S<type>" record line with `addressBytes` (2, 3 or 4) address
// bytes, ended by CR LF. At most 255 - addressBytes - 1 data bytes.
void appendRecord(std::string& out, char type, std::uint32_t address, int addressBytes,
                  std::span<const std::uint8_t> data);

// Decodes the lines of one file in order. S2 and S3 data and S7 and S8 end
// records go to the sink; S0, S1, S9 and other lines carry nothing for us
// and are not examined. A record we use must be whole and its check sum right.
class LineDecoder {
public:
    LineDecoder(RecordSink& sink, const ScanRules& rules) : sink_(sink), rules_(rules) {}

    LineResult line(std::string_view s, ChecksumMismatch& mismatch);
    // The file closed although no S7/S8 ended the reading: an S9 line was met
    // (it ends nothing: a file of S1 records ends so), or an S5/S6 record
    // count equal to the S1/S2/S3 records before it.
    bool sawClosingRecord() const { return sawEnd_; }

private:
    LineResult record(std::string_view s, std::size_t addressBytes, bool endRecord, ChecksumMismatch& mismatch);

    RecordSink& sink_;
    const ScanRules& rules_;
    RecordBytes bytes_{};
    bool sawEnd_ = false;
    std::uint32_t dataRecords_ = 0;
};

} // namespace plx71::s_record
