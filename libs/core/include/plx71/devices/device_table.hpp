#pragma once
// The device definition table "plx71typ.tbl", read once at start-up from the
// directory of the running executable.
#include "plx71/devices/device_record.hpp"
// Where the table is looked for; included here so that a program needs one
// include to find and read it.
#include "plx71/devices/table_lookup.hpp"
#include "plx71/files/executable_path.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plx71 {

inline constexpr std::size_t kMaxDeviceRecords = 256;
inline constexpr const char* kDeviceTableFileName = "plx71typ.tbl";

// A line that held no usable record. Comment lines are not listed.
struct SkippedTableLine {
    int lineNumber = 0; // 1-based
    std::string reason;
};

// Only so many skipped lines are listed; a file of junk lines must not
// cost memory for each of them.
inline constexpr std::size_t kMaxListedSkippedLines = 100;

struct DeviceTable {
    std::vector<DeviceRecord> records;     // file order, at most kMaxDeviceRecords
    std::vector<SkippedTableLine> skipped; // the first kMaxListedSkippedLines
    std::size_t skippedCount = 0;          // all skipped lines, listed or not

    void skip(int lineNumber, std::string reason);

    // Index of the first record whose name is exactly `name`, else -1.
    int find(std::string_view name) const;
};

// Parses the whole text of a table. Reading stops at the first line that
// begins with a control character, 0x7F or a byte of 0x80 and above (an
// empty line included). Records that break the invariants are skipped.
DeviceTable parseDeviceTable(std::string_view text);

// Reads a table file (a regular file only, at most 4 MiB of it); nullopt
// when it cannot be read or holds no usable record.
std::optional<DeviceTable> loadDeviceTable(const std::filesystem::path& file);

} // namespace plx71
