// The writer operations against a box that answers from the input (see
// scripted_box.hpp): the About query, the loader's Read Version, Download,
// Upload and the firmware download. Input: an operation byte, a job byte,
// then the box's answers.
//  - the port is closed after every operation, and the box was sent back to
//    9600 bit/s whenever it took another rate;
//  - every request on the wire is a whole frame with a good checksum;
//  - a failure the user did not cause by Cancel shows a message;
//  - Download never changes state or job; an Upload that changed nothing
//    left them as they were, one that applied settings left a usable device.
#include "scripted_box.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/download.hpp"
#include "plx71/ops/firmware_loader.hpp"
#include "plx71/ops/upload.hpp"

#include <algorithm>
#include <chrono>
#include <optional>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

struct Bench {
    explicit Bench(FuzzInput& input) : box(*port(), input)
    {
        link.ui = &ui;
        link.sleeper = [](std::chrono::milliseconds) {};
    }
    test::FakeSerialPort* port()
    {
        if (!link.port) {
            auto p = std::make_unique<test::FakeSerialPort>();
            fake = p.get();
            link.port = std::move(p);
        }
        return fake;
    }

    // Runs each transfer on this thread; Cancel comes from the box.
    struct InlineSink : ProgressSink {
        explicit InlineSink(ScriptedBox& b) : box(b) {}
        bool runTransfer(const TransferView&, ProgressCounters& counters, std::function<void()> body) override
        {
            box.watch(&counters);
            body();
            box.watch(nullptr);
            return !counters.aborted();
        }
        ScriptedBox& box;
    };
    InlineSink sink() { return InlineSink(box); }

    void checkLinkLeftClean() const
    {
        FUZZ_CHECK(!link.isOpen());
        FUZZ_CHECK(box.leftAtRestingRate());
    }
    void checkFailureShown(bool succeeded) const
    {
        if (!succeeded && !box.cancelled())
            FUZZ_CHECK(!ui.messages().empty());
    }

    RecordingUi ui;
    test::FakeSerialPort* fake = nullptr;
    BoxSession session{ui, PortChoice::com(0), 4, nullptr};
    WriterLink& link = session.link();
    ScriptedBox box;
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
void prepareJob(std::uint8_t choice, WriterState& state, JobSettings& job)
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
    job.hostBaudSelection = choice % 5;
}

void download(Bench& bench, std::uint8_t choice)
{
    WriterState state;
    JobSettings job;
    prepareJob(choice, state, job);
    const WriterState stateBefore = state;
    const JobSettings jobBefore = job;
    bench.box.onRequest = [&state](const test::Bytes& request) {
        if (request[2] != CMD_WRITE_PAGE)
            return;
        const auto place = placeOf(state.currentDevice, pageNumber(request));
        FUZZ_CHECK(place);
        checkPageSent(state.images.of(place->area), place->index, request);
    };
    auto sink = bench.sink();
    bench.session.setPort(PortChoice::com(job.portSelection));
    bench.session.setHostBaudIndex(job.hostBaudSelection);
    const bool complete = bench.session.download(state, job, sink).ok();
    bench.checkLinkLeftClean();
    bench.checkFailureShown(complete);
    FUZZ_CHECK(job == jobBefore);
    FUZZ_CHECK(state.images.user == stateBefore.images.user && state.images.boot == stateBefore.images.boot);
    FUZZ_CHECK(state.currentDevice == stateBefore.currentDevice && state.deviceIndex == stateBefore.deviceIndex);
}

void upload(Bench& bench, std::uint8_t choice)
{
    WriterState state;
    JobSettings job;
    prepareJob(choice, state, job);
    const WriterState stateBefore = state;
    const JobSettings jobBefore = job;
    auto sink = bench.sink();
    bench.session.setPort(PortChoice::com(job.portSelection));
    bench.session.setHostBaudIndex(job.hostBaudSelection);
    const UploadResult result = uploadResultOf(bench.session.upload(state, job, sink));
    bench.checkLinkLeftClean();
    if (result == UploadResult::NothingChanged) {
        bench.checkFailureShown(false);
        FUZZ_CHECK(job == jobBefore);
        FUZZ_CHECK(state.images.user == stateBefore.images.user && state.images.boot == stateBefore.images.boot);
        FUZZ_CHECK(state.currentDevice == stateBefore.currentDevice && state.deviceIndex == stateBefore.deviceIndex);
        return;
    }
    bench.checkFailureShown(result == UploadResult::Complete);
    FUZZ_CHECK(fitsImages(state.currentDevice));
    FUZZ_CHECK(state.areaTables == areaTablesFor(state.currentDevice));
    FUZZ_CHECK(state.deviceIndex >= -1 && state.deviceIndex < int(state.deviceTable.records.size()));
    FUZZ_CHECK(state.images.user.size() == kUserRomImageSize && state.images.boot.size() == kBootRomImageSize);
    FUZZ_CHECK(job.checkIdText == formatIdCode(job.idCode));
    if (result != UploadResult::Complete)
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
        FUZZ_CHECK(job.userRomChecksumText
                   == formatChecksum(areaChecksum(state.currentDevice, Area::UserRom, state.images.user)));
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
    auto sink = bench.sink();
    bench.session.setPort(PortChoice::com(choice % 4));
    bench.session.setHostBaudIndex(choice / 4 % 5);
    const auto result = firmwareDownloadResultOf(bench.session.loadFirmware(image, "firmware.hex", sink));
    bench.checkLinkLeftClean();
    bench.checkFailureShown(result.complete());
    FUZZ_CHECK(result.firmVersionText.size() <= kVersionTextLength && result.bootVersionText.size() <= kVersionTextLength);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t operation = in.byte();
    const std::uint8_t choice = in.byte();
    Bench bench(in);
    switch (operation % 5) {
    case 0: {
        bench.link.firmwareVersion = "before";
        bench.session.queryFirmwareVersion();
        bench.checkLinkLeftClean();
        FUZZ_CHECK(bench.link.firmwareVersion.size() <= kVersionTextLength);
        break;
    }
    case 1: {
        bench.session.setPort(PortChoice::com(choice % 4));
        bench.session.setHostBaudIndex(choice / 4 % 5);
        const LoaderVersions v = loaderVersionsOf(bench.session.readVersions());
        bench.checkLinkLeftClean();
        bench.checkFailureShown(v.ok);
        FUZZ_CHECK(v.ok || (v.firmVersionText.empty() && v.bootVersionText.empty()));
        break;
    }
    case 2:
        download(bench, choice);
        break;
    case 3:
        upload(bench, choice);
        break;
    default:
        firmware(bench, choice);
        break;
    }
    return 0;
}
