#include "dump_rows.hpp"

#include <cstdio>

namespace plx71 {

std::vector<DumpRow> dumpRows(const RomWorkCopy& copy, int count)
{
    std::vector<DumpRow> rows;
    for (const WorkCopyRow& source : copy.pageRows(count)) {
        DumpRow row;
        row.address = source.address;
        for (std::size_t j = 0; j < source.bytes.size(); ++j) {
            const std::uint8_t b = source.bytes[j];
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", unsigned(b));
            row.bytes[j] = hex;
            row.ascii += (b >= 0x20 && b <= 0x7E) ? char(b) : '.';
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace plx71
