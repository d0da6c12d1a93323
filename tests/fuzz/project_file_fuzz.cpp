// The project file: decoding any bytes, the round trip of every project,
// and Project > Open on bytes in memory. Input: a choice byte (the device
// selected before the open), then the file's bytes.
//  - a decoded project encodes and decodes to itself;
//  - a refused open leaves state and job unchanged with exactly one message;
//  - an accepted open leaves a usable device, choices inside their lists, and
//    a job that saves and decodes to what the form shows.
// Data files named inside are looked up in the examples folder, so that
// accepted projects also reload real files; names with a path are not tried.
#include "fuzz_support.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/project/project_actions.hpp"

#include <algorithm>
#include <filesystem>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

bool namesPlainFile(const std::string& name)
{
    return name.find_first_of("/\\") == std::string::npos;
}

void checkRoundTrip(const ProjectFile& project)
{
    const auto bytes = encodeProject(project);
    FUZZ_CHECK(bytes.size()
               == kProjectFixedSize + project.bootRomFileName.size() + project.userRomFileName.size()
                   + project.lockBlockList.size() + project.operationBlockList.size());
    const auto again = decodeProject(bytes);
    FUZZ_CHECK(again && *again == project);
}

bool inside(int value, int low, int high)
{
    return value >= low && value <= high;
}

void checkOpened(const PcJobState& state, const JobSettings& job)
{
    const DeviceTable& table = state.deviceTable;
    FUZZ_CHECK(state.deviceIndex >= -1 && state.deviceIndex < int(table.records.size()));
    if (state.deviceIndex >= 0)
        FUZZ_CHECK(state.currentDevice == table.records[std::size_t(state.deviceIndex)]);
    FUZZ_CHECK(fitsImages(state.currentDevice));
    FUZZ_CHECK(state.areaTables == areaTablesFor(state.currentDevice));
    FUZZ_CHECK(state.images.user.size() == kUserRomImageSize && state.images.boot.size() == kBootRomImageSize);
    FUZZ_CHECK(inside(job.serialModeIndex, 0, 1) && inside(job.targetBaudIndex, 0, 9));
    FUZZ_CHECK(inside(job.updateEnable, 0, 1) && inside(int(job.lockBitMode), 0, 3));
    FUZZ_CHECK(inside(int(job.operationBlockMode), 0, 1) && inside(job.portSelection, 0, 3));
    FUZZ_CHECK(isLinkRate(job.linkRate));
    FUZZ_CHECK(job.checkIdText == formatIdCode(job.idCode));
    // A name that stayed is a file that loaded: its checksum is shown.
    if (!job.userRomFileName.empty())
        FUZZ_CHECK(job.userRomChecksum.has_value());
    if (!job.bootRomFileName.empty())
        FUZZ_CHECK(job.bootRomChecksum.has_value());
    checkRoundTrip(projectFromJob(state, job));
}

void moveToExamples()
{
    static const bool moved = [] {
        std::filesystem::current_path(PLX71_FUZZ_EXAMPLES_DIR);
        return true;
    }();
    (void)moved;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    moveToExamples();
    FuzzInput in(data, size);
    const std::uint8_t choice = in.byte();
    const auto bytes = in.rest();

    const auto decoded = decodeProject(bytes);
    if (decoded) {
        checkRoundTrip(*decoded);
        if (!namesPlainFile(decoded->userRomFileName) || !namesPlainFile(decoded->bootRomFileName))
            return 0;
    }

    // States kept between runs and copied over, which reuses their images'
    // memory: a fresh PcJobState maps 264 KiB under ASan, and those page
    // faults cost more than the open.
    static const PcJobState fresh = [] {
        PcJobState s;
        s.deviceTable = shippedTable();
        return s;
    }();
    static PcJobState state, stateBefore, reopened;
    state = fresh;
    JobSettings job;
    if (choice % 2)
        selectDevice(state, job, choice / 2 % int(state.deviceTable.records.size()));
    stateBefore = state;
    const JobSettings jobBefore = job;

    const bool take = (choice & 0x80) == 0;
    const ProjectOpening opening = applyProjectBytes(state, job, bytes, {}, [take](int) { return take; });
    if (opening.refused) {
        FUZZ_CHECK(state.deviceIndex == stateBefore.deviceIndex);
        FUZZ_CHECK(state.currentDevice == stateBefore.currentDevice);
        FUZZ_CHECK(state.areaTables == stateBefore.areaTables);
        FUZZ_CHECK(state.images.user == stateBefore.images.user && state.images.boot == stateBefore.images.boot);
        FUZZ_CHECK(job == jobBefore);
        FUZZ_CHECK(opening.dataFileProblems.empty());
        return 0;
    }
    FUZZ_CHECK(decoded);
    // At most one problem for each of the two named files.
    FUZZ_CHECK(opening.dataFileProblems.size() <= 2);
    checkOpened(state, job);

    // Saved and opened again (as the form now stands), the project gives the
    // same device, job and images.
    reopened = stateBefore;
    JobSettings rejob = jobBefore;
    const ProjectOpening again =
        applyProjectBytes(reopened, rejob, encodeProject(projectFromJob(state, job)), {}, [take](int) { return take; });
    FUZZ_CHECK(!again.refused);
    FUZZ_CHECK(again.dataFileProblems.size() <= opening.dataFileProblems.size());
    FUZZ_CHECK(reopened.deviceIndex == state.deviceIndex && reopened.currentDevice == state.currentDevice);
    FUZZ_CHECK(rejob == job);
    FUZZ_CHECK(reopened.images.user == state.images.user && reopened.images.boot == state.images.boot);
    return 0;
}
