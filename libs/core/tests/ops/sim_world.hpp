#pragma once
// A software writer box on a pseudo-terminal and a PC side pointed at it:
// device table, job, images, a link with short time-outs, a recording Ui.
#include "link/writer_commands.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/devices/device_table.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/testing/box_session_access.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/sim_link.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace plx71::test {

// The box's pauses plus a resynchronising gap short enough for the tests
// that break frames on purpose.
inline plx71sim::Options quickOpsBox()
{
    plx71sim::Options o = quickBox();
    o.resyncGap = 30ms;
    return o;
}

inline DeviceTable testTable()
{
    auto table = loadDeviceTable(std::filesystem::path(PLX71_SOURCE_DIR) / "resources" / "plx71typ.tbl");
    return table ? *table : DeviceTable{};
}

inline void fillPattern(std::vector<std::uint8_t>& image, std::uint8_t seed)
{
    image = pattern(image.size(), seed);
}

class SimWorld : public ::testing::Test {
protected:
    void SetUp() override { startBox(quickOpsBox()); }
    void TearDown() override
    {
        if (sim)
            sim->stop();
    }

    void startBox(const plx71sim::Options& options)
    {
        if (sim)
            sim->stop();
        sim = std::make_unique<SimBox>(options);
        ASSERT_TRUE(sim->start()) << sim->lastError();
        session = makeSession(ui);
        boxTarget = {PortChoice::path(sim->slavePath()), job.linkRate};
        link = &test::linkOf(*session);
        state.deviceTable = testTable();
        ASSERT_FALSE(state.deviceTable.records.empty());
        selectDevice(state, job, 0);
        job.userRomFileName = "user.hex";
        fillPattern(state.images.user, 1);
    }

    // A session whose port shows the test every request, with short pauses,
    // reporting to `u`.
    std::unique_ptr<BoxSession> makeSession(Ui& u)
    {
        auto s = std::make_unique<BoxSession>(
            u, std::make_unique<HookedPort>([this](std::uint8_t code, std::span<const std::uint8_t> payload) {
                std::lock_guard lock(hookMutex);
                if (onCommand)
                    onCommand(code, payload);
            }));
        BoxLink* l = &test::linkOf(*s);
        l->timing = quickTiming();
        l->sleeper = [this](std::chrono::milliseconds d) {
            {
                std::lock_guard lock(hookMutex);
                sleeps.push_back(d);
            }
            std::this_thread::sleep_for(d);
        };
        return s;
    }

    // Points the operations at another port (a COM name or a path).
    void usePort(PortChoice port) { boxTarget.port = std::move(port); }

    // Runs `action` once, for the n-th (1-based) frame of `code`.
    void onNth(std::uint8_t code, int n, std::function<void()> action)
    {
        auto seen = std::make_shared<int>(0);
        std::lock_guard lock(hookMutex);
        onCommand = [=](std::uint8_t c, std::span<const std::uint8_t>) {
            if (c == code && ++*seen == n)
                action();
        };
    }

    // A sink that presses Cancel once `cancelWhen` holds, and keeps the
    // counters it was given for inspection.
    PollingProgressSink sink(std::function<bool()> cancelWhen = {})
    {
        PollingSinkOptions o;
        o.tick = 5ms;
        o.cancelRequested = std::move(cancelWhen);
        o.onTick = [this](const TransferView& v, const ProgressCounters& c) {
            std::lock_guard lock(hookMutex);
            lastView = v;
            lastTotal = c.total();
            lastDone = c.done();
        };
        o.onPhase = [this](ProgressPhase p) {
            std::lock_guard lock(hookMutex);
            phases.push_back(p);
        };
        o.onNote = [this](const std::string& note) {
            std::lock_guard lock(hookMutex);
            notes.push_back(note);
        };
        return PollingProgressSink(std::move(o));
    }

    std::size_t countSleeps(std::chrono::milliseconds d)
    {
        std::lock_guard lock(hookMutex);
        return std::size_t(std::count(sleeps.begin(), sleeps.end(), d));
    }

    // The port is closed and the box rests at 9600 bit/s.
    void expectResting()
    {
        EXPECT_FALSE(link->isOpen());
        EXPECT_TRUE(sim->resting(2s));
    }

    std::size_t countText(std::string_view text) const
    {
        auto t = ui.texts();
        return std::size_t(std::count(t.begin(), t.end(), std::string(text)));
    }

    RecordingUi ui;
    std::unique_ptr<SimBox> sim;
    std::unique_ptr<BoxSession> session;
    BoxTarget boxTarget;     // where the session's operations go
    BoxLink* link = nullptr; // the session's
    PcJobState state;
    JobSettings job;

    std::mutex hookMutex;
    std::function<void(std::uint8_t, std::span<const std::uint8_t>)> onCommand;
    std::vector<std::chrono::milliseconds> sleeps;
    TransferView lastView;
    std::vector<ProgressPhase> phases;
    std::vector<std::string> notes; // the sink's phase notes
    std::int32_t lastTotal = 0;
    std::int32_t lastDone = 0;
};

} // namespace plx71::test
