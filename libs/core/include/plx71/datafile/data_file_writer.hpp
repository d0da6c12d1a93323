#pragma once
// Intel HEX and S-record writers, as Data Save runs them.
#include "plx71/datafile/block_list.hpp"
#include "plx71/datafile/file_type.hpp"
#include "plx71/messages/ui.hpp"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace plx71 {

class ProgressCounters;

struct SaveRequest {
    std::span<const std::uint8_t> data; // index = address - areaStart
    std::uint32_t areaStart = 0;
    std::uint32_t areaEnd = 0;     // inclusive
    int family = 0;                // deviceFamily(): 2 writes extended linear records
    std::vector<AreaRange> ranges; // empty = the whole area
};

// The file text; the counters (when given) advance by 16 per data record.
std::string formatIntelHex(const SaveRequest& request, ProgressCounters* counters = nullptr);
std::string formatSRecords(const SaveRequest& request, ProgressCounters* counters = nullptr);
// The text saveDataFile writes to `path`: Intel HEX for a ".hex" name, else S-records.
std::string formatDataFile(const std::filesystem::path& path, const SaveRequest& request,
                           ProgressCounters* counters = nullptr);

// Data Save's worker: the format from the path's type character, the whole
// file written; a file that cannot be created or written is reported (stop
// icon, naming the file) and false returned. Never looks at the abort mark.
bool saveDataFile(Ui& ui, const std::filesystem::path& path, const SaveRequest& request,
                  ProgressCounters* counters = nullptr);

} // namespace plx71
