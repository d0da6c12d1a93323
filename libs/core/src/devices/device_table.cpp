#include "plx71/devices/device_table.hpp"

#include "device_line.hpp"
#include "plx71/files/regular_file.hpp"

namespace plx71 {

namespace {

// A record line must fit in 99 characters including its line end.
constexpr std::size_t kMaxLineWithEnd = 99;

// Far more than any table needs, however many comment lines it holds.
constexpr std::size_t kMaxTableBytes = std::size_t{4} << 20;

bool endsTable(unsigned char first)
{
    return first < 0x20 || first == 0x7F || first >= 0x80;
}

} // namespace

int DeviceTable::find(std::string_view name) const
{
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].name == name)
            return int(i);
    return -1;
}

void DeviceTable::skip(int lineNumber, std::string reason)
{
    if (skipped.size() < kMaxListedSkippedLines)
        skipped.push_back({lineNumber, std::move(reason)});
    ++skippedCount;
}

DeviceTable parseDeviceTable(std::string_view text)
{
    DeviceTable table;
    std::size_t pos = 0;
    int lineNumber = 0;
    while (pos < text.size()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n', pos);
        const bool hasLineEnd = newline != std::string_view::npos;
        std::string_view line = text.substr(pos, hasLineEnd ? newline - pos : std::string_view::npos);
        pos = hasLineEnd ? newline + 1 : text.size();
        if (hasLineEnd && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        // An empty line, a control character, DEL or an 8-bit byte first:
        // the rest of the file is not read.
        if (line.empty() || endsTable(static_cast<unsigned char>(line.front())))
            break;
        if (line.starts_with("//"))
            continue;
        if (line.size() + (hasLineEnd ? 1 : 0) > kMaxLineWithEnd) {
            table.skip(lineNumber, "line longer than 98 characters");
            continue;
        }
        auto parsed = detail::parseDeviceLine(line);
        if (auto* reason = std::get_if<std::string>(&parsed)) {
            table.skip(lineNumber, std::move(*reason));
            continue;
        }
        if (table.records.size() >= kMaxDeviceRecords) {
            table.skip(lineNumber, "more than 256 device types");
            continue;
        }
        table.records.push_back(std::move(std::get<DeviceRecord>(parsed)));
    }
    return table;
}

std::optional<DeviceTable> loadDeviceTable(const std::filesystem::path& file)
{
    // 256 records of 99 characters fill 25 KB; only so much of the file is
    // read, so a huge or endless file cannot exhaust the memory, and only
    // what the file holds is allocated. A line cut at that limit is dropped
    // rather than read as a shorter record.
    FileRead read = readRegularFile(file, kMaxTableBytes);
    if (read.status != FileStatus::Ok)
        return std::nullopt;
    std::string& text = read.bytes;
    if (read.truncated) {
        const std::size_t lastLineEnd = text.rfind('\n');
        text.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
    }
    DeviceTable table = parseDeviceTable(text);
    // A table without a single device type is as good as none.
    if (table.records.empty())
        return std::nullopt;
    return table;
}

} // namespace plx71
