#include "plx71/devices/table_lookup.hpp"

#include "plx71/devices/device_table.hpp"

#include <system_error>

namespace plx71 {

std::filesystem::path deviceTableBeside(const std::filesystem::path& executable)
{
    return executable.parent_path() / kDeviceTableFileName;
}

std::vector<std::filesystem::path> deviceTableCandidates(const std::filesystem::path& executable)
{
    const std::filesystem::path folder = executable.parent_path();
    return {deviceTableBeside(executable), (folder / kInstalledDataFolder / kDeviceTableFileName).lexically_normal()};
}

std::filesystem::path locateDeviceTable(const std::filesystem::path& executable)
{
    const auto candidates = deviceTableCandidates(executable);
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec))
            return candidate;
    }
    return candidates.front();
}

} // namespace plx71
