#include "plx71sim/stored_job.hpp"

namespace plx71sim {

std::size_t WriterSettings::recordSize(std::size_t name, std::size_t user, std::size_t boot)
{
    // device bytes, name length + name, update, user length + name,
    // boot length + name, check ID, target rate, lock bits, operation blocks
    return 10 + 1 + name + 1 + 1 + user + 1 + boot + 7 + 1 + 1 + 1;
}

Bytes WriterSettings::record(bool withName) const
{
    Bytes r(device.begin(), device.end());
    const std::string name = withName ? deviceName : std::string();
    auto putText = [&r](const std::string& s) {
        r.push_back(static_cast<std::uint8_t>(s.size()));
        r.insert(r.end(), s.begin(), s.end());
    };
    putText(name);
    r.push_back(updateEnable);
    putText(userFileName);
    putText(bootFileName);
    r.insert(r.end(), checkId.begin(), checkId.end());
    r.push_back(targetRateCode);
    r.push_back(lockBits);
    r.push_back(operationBlocks);
    return r;
}

Page StoredJob::page(std::uint16_t number) const
{
    auto it = pages.find(number);
    return it == pages.end() ? blankPage() : it->second;
}

std::string versionField(const std::string& text)
{
    std::string v = text.substr(0, kVersionSize);
    v.resize(kVersionSize, '\0');
    return v;
}

} // namespace plx71sim
