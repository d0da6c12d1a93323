// The device table parser on any text.
//  - every accepted record fits the image buffers and the block tables, with
//    its derived fields computed from the ones read;
//  - at most 256 records; names of 1..100 characters, found by find();
//  - selecting each record gives Target Board texts and ranges inside the
//    images, and a blank area loads (a trivial file) without complaint.
#include "fuzz_support.hpp"

#include "datafile/data_file_reader.hpp"
#include "plx71/job/job_actions.hpp"

#include <cstdio>
#include <cstdlib>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

// Tenths of a volt as the table writes them: "5.0", "-0.5", "12.0".
std::string voltageField(std::int32_t tenths)
{
    const long long magnitude = std::llabs(static_cast<long long>(tenths));
    return (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

// A record written back as a table line reads as the same record.
void checkWrittenLine(const DeviceRecord& d)
{
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, ",%X,%X,%X,%X,%d,", unsigned(d.bootRomStart), unsigned(d.bootRomSize),
                  unsigned(d.userRomStart), unsigned(d.userRomSize), int(d.lastBlock));
    const std::string line = d.name + numbers + voltageField(d.vcc) + "V," + voltageField(d.vpp) + "V";
    if (line.size() > 97)
        return; // a record line must fit in 99 characters with its line end
    const DeviceTable again = parseDeviceTable(line + "\r\n");
    FUZZ_CHECK(again.records.size() == 1 && again.records[0] == d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DeviceTable table = parseDeviceTable(text);

    FUZZ_CHECK(table.records.size() <= kMaxDeviceRecords);
    int previousLine = 0;
    for (const auto& skipped : table.skipped) {
        FUZZ_CHECK(skipped.lineNumber > previousLine && !skipped.reason.empty());
        previousLine = skipped.lineNumber;
    }

    // Kept between runs: a fresh PcJobState maps 264 KiB of images under
    // ASan, whose page faults cost more than the parse. Its images are never
    // changed here (the file read below holds no data), so the rest is reset.
    static PcJobState state;
    state.deviceTable = table;
    state.deviceIndex = -1;
    state.setCurrentDevice(startupDefaultDevice());
    // One record, chosen by the input, also reads a file onto its areas.
    const std::size_t readOnto = table.records.empty() ? 0 : size % table.records.size();
    JobSettings job;
    for (std::size_t i = 0; i < table.records.size(); ++i) {
        const DeviceRecord& d = table.records[i];
        FUZZ_CHECK(fitsImages(d));
        FUZZ_CHECK(!d.name.empty() && d.name.size() <= kMaxDeviceNameLength);
        FUZZ_CHECK(text.find(d.name) != std::string_view::npos);
        FUZZ_CHECK(d.userRomSize >= 1 && d.userRomSize <= kUserRomImageSize);
        FUZZ_CHECK(d.bootRomSize >= 1 && d.bootRomSize <= kBootRomImageSize);
        FUZZ_CHECK(d.userRomEnd == d.userRomStart + d.userRomSize - 1 && d.userRomEnd >= d.userRomStart);
        FUZZ_CHECK(d.bootRomEnd == d.bootRomStart + d.bootRomSize - 1 && d.bootRomEnd >= d.bootRomStart);
        FUZZ_CHECK(d.lastBlock >= 0 && d.lastBlock < kBlockCount);
        FUZZ_CHECK(d.allBlocksMask == allBlocksMaskFor(d.lastBlock));
        const int found = table.find(d.name);
        FUZZ_CHECK(found >= 0 && std::size_t(found) <= i);
        checkWrittenLine(d);

        selectDevice(state, job, int(i));
        FUZZ_CHECK(state.currentDevice == d && state.deviceIndex == int(i));
        FUZZ_CHECK(state.range(Area::UserRom).length() <= kUserRomImageSize);
        FUZZ_CHECK(state.range(Area::BootRom).length() <= kBootRomImageSize);
        FUZZ_CHECK(job.targetBoard && job.targetBoard->userRom == state.range(Area::UserRom));

        if (i != readOnto)
            continue;
        // A file without data is refused in both areas of this device.
        for (Area area : {Area::UserRom, Area::BootRom}) {
            const auto problem = readDataText(d, area, state.images.of(area), ":00000001FF\n", DataFormat::IntelHex);
            FUZZ_CHECK(problem && problem->rule == DataFileRule::NoData);
        }
    }
    return 0;
}
