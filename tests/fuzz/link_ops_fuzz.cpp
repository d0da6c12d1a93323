// The box sessions against a box that answers from the input (see
// scripted_box.hpp): the About query, the loader's Read Version, Download
// (with or without its read-back), Verify, Upload and the firmware download.
// Input: an operation byte, a job byte, then the box's answers.
//  - the port is closed after every operation, and the box was sent back to
//    9600 bit/s whenever it took another rate;
//  - every request on the wire is a whole frame with a good checksum, and
//    every page written holds the image's bytes;
//  - an outcome other than success shows a message, unless the user
//    cancelled; only the user cancels;
//  - Download and Verify never change state or job; an Upload that applied
//    nothing left them as they were, a complete one holds every page the box
//    sent where it belongs.
#include "scripted_box.hpp"

#include "ops/download.hpp"
#include "ops/upload.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/select_firmware.hpp"
#include "plx71/testing/box_session_access.hpp"

#include <algorithm>
#include <chrono>
#include <optional>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

// Runs each transfer on this thread; Cancel comes when the input runs out.
class FuzzSink : public ProgressSink {
public:
    explicit FuzzSink(ScriptedBox& box) : box_(box) {}
    bool runTransfer(const TransferView&, ProgressCounters& counters, std::function<void()> body) override
    {
        box_.watch(&counters);
        body();
        box_.watch(nullptr);
        return !counters.aborted();
    }
    bool cancelRequested() const override { return box_.cancelled(); }

private:
    ScriptedBox& box_;
};

std::unique_ptr<test::FakeSerialPort> makePort(test::FakeSerialPort*& fake)
{
    auto port = std::make_unique<test::FakeSerialPort>();
    fake = port.get();
    return port;
}

struct Bench {
    Bench(FuzzInput& input, std::uint8_t choice)
        : session(ui, makePort(fake)), target{PortChoice::com(choice % 4), *linkRateAt(int(choice / 4 % 5))},
          box(*fake, input), sink(box)
    {
        test::linkOf(session).sleeper = [](std::chrono::milliseconds) {};
    }

    void checkOutcome(const BoxOutcome& outcome) const
    {
        FUZZ_CHECK(!session.connected());
        FUZZ_CHECK(box.leftAtRestingRate());
        if (outcome.kind == OutcomeClass::Cancelled)
            FUZZ_CHECK(box.cancelled());
        if (!outcome.ok() && !box.cancelled())
            FUZZ_CHECK(!ui.messages().empty());
        FUZZ_CHECK(outcome.firmwareVersion.size() <= kVersionTextLength);
        FUZZ_CHECK(outcome.bootVersion.size() <= kVersionTextLength);
    }
    // A box that answered everything soundly leaves nothing to fail.
    void checkSucceededWithSoundBox(const BoxOutcome& outcome) const
    {
        if (box.faultless())
            FUZZ_CHECK(outcome.ok() && ui.messages().empty());
    }

    RecordingUi ui;
    test::FakeSerialPort* fake = nullptr;
    BoxSession session;
    BoxTarget target;
    ScriptedBox box;
    FuzzSink sink;
};

// Where a page of CMD_WRITE_PAGE / CMD_READ_PAGE lies: its area (bit 12)
// and its index in that area's image (addresses reduced to 20 bits).
struct PagePlace {
    Area area;
    std::size_t index;
};
std::optional<PagePlace> placeOf(const DeviceRecord& device, std::uint16_t page)
{
    const Area area = (page & 0x1000) ? Area::BootRom : Area::UserRom;
    const std::uint32_t address = std::uint32_t(page & 0xFFF) << 8;
    const std::uint32_t start = (area == Area::BootRom ? device.bootRomStart : device.userRomStart) & 0xFFFFF;
    if (address < start)
        return std::nullopt;
    return PagePlace{area, address - start};
}

std::uint16_t pageNumber(const test::Bytes& request)
{
    return static_cast<std::uint16_t>(request[3] | (request[4] << 8));
}

// The 256 data bytes of a page request equal the image there.
void checkPageSent(const std::vector<std::uint8_t>& image, std::size_t index, const test::Bytes& request)
{
    FUZZ_CHECK(request.size() == 3 + 2 + kPageSize + 1);
    FUZZ_CHECK(index + kPageSize <= image.size());
    FUZZ_CHECK(std::equal(request.begin() + 5, request.end() - 1, image.begin() + std::ptrdiff_t(index)));
}

// A job ready for Download on a device of the shipped table.
void prepareJob(std::uint8_t choice, PcJobState& state, JobSettings& job)
{
    state.deviceTable = shippedTable();
    selectDevice(state, job, choice % int(state.deviceTable.records.size()));
    for (std::size_t i = 0; i < state.images.user.size(); ++i)
        state.images.user[i] = static_cast<std::uint8_t>(i * 3);
    job.userRomFileName = "user.hex";
    if (choice & 0x10)
        job.bootRomFileName = "boot.btp";
    job.operationBlockMode = static_cast<OperationBlockMode>((choice >> 5) & 1);
    job.operationBlockList = "0,2-3";
    job.lockBitMode = static_cast<LockBitMode>((choice >> 6) & 3);
    job.lockBlockList = "1";
    job.linkRate = *linkRateAt(int(choice % 5));
}

void checkUnchanged(const PcJobState& before, const PcJobState& state, const JobSettings& jobBefore,
                    const JobSettings& job)
{
    FUZZ_CHECK(job == jobBefore);
    FUZZ_CHECK(state.images.user == before.images.user && state.images.boot == before.images.boot);
    FUZZ_CHECK(state.currentDevice == before.currentDevice && state.deviceIndex == before.deviceIndex);
}

void download(Bench& bench, std::uint8_t choice, bool verifyOnly)
{
    PcJobState state;
    JobSettings job;
    prepareJob(choice, state, job);
    const PcJobState stateBefore = state;
    const JobSettings jobBefore = job;
    bench.box.onRequest = [&state](const test::Bytes& request) {
        if (request[2] != CMD_WRITE_PAGE)
            return;
        const auto place = placeOf(state.currentDevice, pageNumber(request));
        FUZZ_CHECK(place);
        checkPageSent(state.images.of(place->area), place->index, request);
    };
    DownloadOptions options;
    options.verify = (choice & 0x08) != 0;
    const BoxOutcome outcome = verifyOnly
        ? bench.session.verify(bench.target, boxJobOf(state, job), bench.sink)
        : bench.session.download(bench.target, boxJobOf(state, job), bench.sink, options);
    bench.checkOutcome(outcome);
    if (verifyOnly)
        FUZZ_CHECK(outcome.pagesWritten == 0);
    else
        bench.checkSucceededWithSoundBox(outcome);
    checkUnchanged(stateBefore, state, jobBefore, job);
}

void upload(Bench& bench, std::uint8_t choice)
{
    PcJobState state;
    JobSettings job;
    prepareJob(choice, state, job);
    const PcJobState stateBefore = state;
    const JobSettings jobBefore = job;
    const BoxOutcome outcome = bench.session.upload(bench.target, state, job, bench.sink);
    bench.checkOutcome(outcome);
    bench.checkSucceededWithSoundBox(outcome);
    if (!outcome.settingsApplied) {
        FUZZ_CHECK(!outcome.ok());
        checkUnchanged(stateBefore, state, jobBefore, job);
        return;
    }
    FUZZ_CHECK(fitsImages(state.currentDevice));
    FUZZ_CHECK(state.areaTables == areaTablesFor(state.currentDevice));
    FUZZ_CHECK(state.deviceIndex >= -1 && state.deviceIndex < int(state.deviceTable.records.size()));
    FUZZ_CHECK(state.images.user.size() == kUserRomImageSize && state.images.boot.size() == kBootRomImageSize);
    FUZZ_CHECK(job.checkIdText == formatIdCode(job.idCode));
    if (!outcome.ok())
        return;
    // Every page the box sent lies in its image where it belongs.
    for (const auto& [page, bytes] : bench.box.pagesRead()) {
        const auto place = placeOf(state.currentDevice, page);
        FUZZ_CHECK(place);
        const auto& image = state.images.of(place->area);
        FUZZ_CHECK(place->index + kPageSize <= image.size());
        FUZZ_CHECK(std::equal(bytes.begin(), bytes.end(), image.begin() + std::ptrdiff_t(place->index)));
    }
    if (!job.userRomFileName.empty())
        FUZZ_CHECK(job.userRomChecksum == areaChecksum(state.currentDevice, Area::UserRom, state.images.user));
}

void firmware(Bench& bench, std::uint8_t choice)
{
    FirmwareImage image;
    image.firstAddress = kFirmwareBase + 0x100 * std::uint32_t(choice % 0x30);
    image.lastAddress = kFirmwareAreaLast;
    for (std::size_t i = 0; i < 0x3000; ++i)
        image.bytes[i] = static_cast<std::uint8_t>(i % 251);
    bench.box.onRequest = [&image](const test::Bytes& request) {
        if (request[2] != CMD_LOAD_WRITE_PAGE)
            return;
        const std::uint32_t address = std::uint32_t(pageNumber(request)) << 8;
        FUZZ_CHECK(address >= kFirmwareBase);
        checkPageSent(image.bytes, address - kFirmwareBase, request);
    };
    const BoxOutcome outcome = bench.session.loadFirmware(bench.target, image, "firmware.hex", bench.sink);
    bench.checkOutcome(outcome);
    bench.checkSucceededWithSoundBox(outcome);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t operation = in.byte();
    const std::uint8_t choice = in.byte();
    Bench bench(in, choice);
    switch (operation % 6) {
    case 0: {
        test::linkOf(bench.session).firmwareVersion = "before";
        const BoxOutcome outcome = bench.session.queryFirmwareVersion(bench.target.port);
        bench.checkOutcome(outcome);
        bench.checkSucceededWithSoundBox(outcome);
        FUZZ_CHECK(test::linkOf(bench.session).firmwareVersion.size() <= kVersionTextLength);
        break;
    }
    case 1: {
        const BoxOutcome outcome = bench.session.readVersions(bench.target);
        bench.checkOutcome(outcome);
        bench.checkSucceededWithSoundBox(outcome);
        break;
    }
    case 2:
        download(bench, choice, false);
        break;
    case 3:
        upload(bench, choice);
        break;
    case 4:
        firmware(bench, choice);
        break;
    default:
        download(bench, choice, true);
        break;
    }
    return 0;
}
