// The frame layer and the reply parsers on raw bytes. Input: a mode byte,
// then either a settings record or the byte stream the box sends: before
// each answer a length byte n, then n bytes queued as they are.
//  - a failed exchange leaves the request frame as it was, a good one holds
//    a whole reply with a good checksum that fits the receive buffer;
//  - a command with reply data hands over nothing on failure, and reports
//    every failure once;
//  - a settings record applied or refused leaves state and job usable or
//    unchanged.
#include "fake_serial_port.hpp"
#include "fuzz_support.hpp"

#include "link/writer_commands.hpp"
#include "ops/upload.hpp"
#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"

#include <algorithm>
#include <chrono>

using namespace plx71;
using namespace plx71::fuzz;

namespace {

void settingsRecord(FuzzInput& in)
{
    const auto payload = in.rest();
    const auto settings = parseWriterSettings(payload);
    if (!settings)
        return;
    FUZZ_CHECK(settings->deviceName.size() <= 255 && settings->userRomFileName.size() <= 255);

    PcJobState state;
    state.deviceTable = shippedTable();
    JobSettings job;
    selectDevice(state, job, 0);
    const PcJobState before = state;
    const JobSettings jobBefore = job;
    if (!applyWriterSettings(*settings, state, job)) {
        FUZZ_CHECK(job == jobBefore && state.currentDevice == before.currentDevice);
        FUZZ_CHECK(state.deviceIndex == before.deviceIndex);
        return;
    }
    FUZZ_CHECK(settings->holdsSettings());
    FUZZ_CHECK(fitsImages(state.currentDevice) && state.areaTables == areaTablesFor(state.currentDevice));
    FUZZ_CHECK(state.currentDevice.name == settings->deviceName);
    FUZZ_CHECK(job.userRomFileName == settings->userRomFileName && job.bootRomFileName == settings->bootRomFileName);
    FUZZ_CHECK(job.checkIdText == formatIdCode(job.idCode));
    for (const std::string* list : {&job.operationBlockList, &job.lockBlockList}) {
        std::uint32_t mask = 0;
        FUZZ_CHECK(list->empty() || parseBlockList(*list, 0, 6, mask));
    }
}

// The box's side: every request gets the next chunk of the stream.
void streamAnswers(test::FakeSerialPort& port, FuzzInput& in)
{
    port.onWrite = [&port, &in](const test::Bytes& written) {
        if (written.size() == 1)
            return;
        const auto chunk = in.take(in.byte());
        port.reply(test::Bytes(chunk.begin(), chunk.end()));
    };
}

void exchange(BoxLink& link, FuzzInput& in)
{
    const std::size_t expected = in.byte() % 40;
    const bool exact = (in.byte() & 1) != 0;
    link.recovering = (in.byte() & 1) != 0;
    auto& frame = link.frame;
    std::fill(frame.begin(), frame.end(), std::uint8_t{0xEE});
    setFrameBodyLength(frame, 1);
    frame[2] = CMD_READ_STATUS;
    putChecksum(frame);
    const auto before = frame;
    if (!exchangeFrame(link, frame, {expected, exact})) {
        FUZZ_CHECK(frame == before);
        return;
    }
    const std::size_t n = frameBodyLength(frame);
    // A body of N bytes is the reply code and N - 1 payload bytes.
    FUZZ_CHECK(n <= kMaxReplyBodyLength && (n >= 1 ? n - 1 : 0) >= expected);
    FUZZ_CHECK(!exact || !link.recovering || n == expected + 1);
    FUZZ_CHECK(checkChecksum(std::span(frame).first(n + 3)));
    // Bytes past the reply are the request's.
    FUZZ_CHECK(std::equal(frame.begin() + std::ptrdiff_t(n + 3), frame.end(), before.begin() + std::ptrdiff_t(n + 3)));
}

// Runs one command; its failure is recorded exactly once, its success never.
void command(BoxLink& link, std::uint8_t which)
{
    const int failuresBefore = link.failuresRecorded;
    bool ok = false;
    switch (which % 5) {
    case 0: {
        link.firmwareVersion = "keep";
        ok = cmdReadVersions(link);
        FUZZ_CHECK(ok || link.firmwareVersion == "keep");
        FUZZ_CHECK(link.firmwareVersion.size() <= kVersionTextLength && link.bootVersion.size() <= kVersionTextLength);
        break;
    }
    case 1: {
        std::array<std::uint8_t, kPageSize> page;
        page.fill(0xA5);
        ok = cmdReadPage(link, 0x0C00, page);
        FUZZ_CHECK(ok || std::all_of(page.begin(), page.end(), [](auto b) { return b == 0xA5; }));
        break;
    }
    case 2: {
        std::uint8_t status = 0x42;
        ok = cmdReadStatus(link, status);
        FUZZ_CHECK(ok || status == 0x42);
        break;
    }
    case 3:
        ok = cmdReadSettings(link).has_value();
        break;
    default:
        ok = cmdEraseBlocks(link, 0x7F);
        break;
    }
    FUZZ_CHECK(link.failuresRecorded - failuresBefore == (ok ? 0 : 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t mode = in.byte();
    if (mode % 8 == 7) {
        settingsRecord(in);
        return 0;
    }

    auto fake = std::make_unique<test::FakeSerialPort>();
    test::FakeSerialPort& port = *fake;
    BoxLink link(std::move(fake));
    link.sleeper = [](std::chrono::milliseconds) {};
    streamAnswers(port, in);

    FUZZ_CHECK(openLink(link, bitRate(kRestingLinkRate)));
    if (mode % 8 == 6)
        exchange(link, in);
    else
        command(link, mode % 8);
    closeLink(link);
    FUZZ_CHECK(!link.isOpen());
    return 0;
}
