// A recovering job on a bad line: a read goes on after a resync, a page that
// reads back different is read again, a failing download starts again (a
// rate lower from the second time), and the bounds end what cannot finish.
#include "sim_world.hpp"

#include "ops/download.hpp"
#include "ops/upload.hpp"
#include "plx71/messages/message_texts.hpp"

namespace plx71::test {
namespace {

class Recovering : public SimWorld {
protected:
    void SetUp() override
    {
        SimWorld::SetUp();
        prepare();
    }

    void prepare()
    {
        job.operationBlockMode = OperationBlockMode::Block;
        job.operationBlockList = "0"; // 64 pages at the top of the User ROM
        policy.frameAttempts = 2;     // failures need not wait out six
        policy.maxRestarts = 3;
        session->setRecovery(policy);
        std::lock_guard lock(hookMutex);
        onCommand = [this](std::uint8_t code, std::span<const std::uint8_t> p) {
            if (onRequest)
                onRequest(code, std::uint16_t(p.size() >= 2 ? p[0] | p[1] << 8 : 0));
        };
    }

    BoxOutcome download()
    {
        auto k = sink();
        return session->download(boxTarget, boxJobOf(state, job), k);
    }

    std::vector<int> ratesOf(std::uint8_t code) const
    {
        std::vector<int> rates;
        for (const auto& c : accepted(*sim))
            if (c.code == code)
                rates.push_back(c.rate);
        return rates;
    }

    RecoveryPolicy policy = RecoveryPolicy::enabled();
    std::function<void(std::uint8_t, std::uint16_t)> onRequest; // code, page (0 unless a page command)
};

TEST_F(Recovering, AReadThatFailsGoesOnFromItsPageAfterAResync)
{
    ASSERT_TRUE(download().ok());
    int reads = 0;
    bool switched = false;
    std::optional<std::uint16_t> failedPage, resumedAt;
    {
        std::lock_guard lock(hookMutex);
        onRequest = [&](std::uint8_t code, std::uint16_t page) {
            if (code == CMD_READ_PAGE && ++reads == 10) {
                failedPage = page;
                sim->state()->box.faults().dropAcks = 4; // both attempts of both cycles
            }
            switched = switched || (failedPage && code == CMD_SET_LINK_RATE);
            if (switched && !resumedAt && code == CMD_READ_PAGE)
                resumedAt = page;
        };
    }
    PcJobState back;
    back.deviceTable = testTable();
    JobSettings backJob;
    auto k = sink();
    const BoxOutcome o = session->upload(boxTarget, back, backJob, k);
    ASSERT_TRUE(o.ok()) << ui.texts().front();
    EXPECT_EQ(o.resyncs, 1);
    const auto& sent = state.images.user;
    ASSERT_EQ(back.images.user.size(), sent.size());
    EXPECT_TRUE(std::equal(sent.end() - 0x4000, sent.end(), back.images.user.end() - 0x4000)); // block 0
    EXPECT_TRUE(ui.messages().empty());
    ASSERT_TRUE(failedPage.has_value());
    EXPECT_EQ(resumedAt, failedPage); // not page C00 again
    expectResting();
}

// One flipped read is the line's fault; a flip every read, or a page the box
// refuses again after a resync, is the box's: the job ends at once, without
// restarts. An erase lost twice is the line's: the download starts again,
// the second time a rate lower, and says so.
TEST_F(Recovering, ReReadsTellTheLineFromTheBoxAndRestartsGoARateLower)
{
    struct Case {
        const char* name;
        int flipReads;    // reads of the first page that come back flipped (-1: all)
        bool refusePage;  // every write of the first page is NAKed
        int silentErases; // erase requests that get no answer
        OutcomeClass kind;
        int restarts;
        std::vector<int> eraseRates;
    };
    const Case cases[] = {
        {"one bad read", 1, false, 0, OutcomeClass::Success, 0, {115200}},
        {"box holds other data", -1, false, 0, OutcomeClass::VerifyMismatch, 0, {115200}},
        {"erase lost twice", 0, false, 2 * policy.frameAttempts, OutcomeClass::Success, 2, {57600}},
        {"page refused again after a resync", 0, true, 0, OutcomeClass::CommunicationError, 0, {115200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startBox(quickOpsBox());
        prepare();
        const std::uint16_t first = 0x0FC0;
        const std::uint16_t refused = 0x0FE0; // after 32 pages that came through
        int flips = 0, erasesSent = 0;
        sim->state()->box.faults().failPage(refused, c.refusePage);
        {
            std::lock_guard lock(hookMutex);
            notes.clear();
            onRequest = [&](std::uint8_t code, std::uint16_t page) {
                if (code == CMD_ERASE_BLOCKS && ++erasesSent <= c.silentErases)
                    sim->state()->box.faults().dropAcks = 1;
                if (code == CMD_READ_PAGE && page == first)
                    sim->state()->box.faults().flipRead(first, 0, c.flipReads < 0 || flips++ < c.flipReads);
            };
        }
        const BoxOutcome o = download();
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.restarts, c.restarts);
        EXPECT_EQ(ratesOf(CMD_ERASE_BLOCKS), c.eraseRates);
        EXPECT_EQ(o.linkRate, c.eraseRates.back());
        if (c.kind == OutcomeClass::CommunicationError) {
            EXPECT_EQ(o.failedCommand, "CMD_WRITE_PAGE");
            EXPECT_EQ(o.failedPage, refused);
        }
        if (c.restarts > 0) {
            std::lock_guard lock(hookMutex);
            EXPECT_EQ(notes, (std::vector<std::string>{"restart 1 of 3, 115200 bit/s", "restart 2 of 3, 57600 bit/s"}));
        }
        EXPECT_EQ(countText(msg::kCommunicationError), c.kind == OutcomeClass::CommunicationError ? 1u : 0u);
        expectResting();
    }
}

// A line that spoils nearly every page frame at 115200 and nothing below
// (seeded): the job finds a lower rate by itself.
TEST_F(Recovering, ALineBadOnlyAtTheJobsRateFinishesALowerOne)
{
    plx71sim::Options o = quickOpsBox();
    o.noiseAtRate[115200] = 2e-3;
    o.noise.seed = 5;
    startBox(o);
    prepare();
    const BoxOutcome out = download();
    ASSERT_TRUE(out.ok()) << (ui.texts().empty() ? "" : ui.texts().front());
    EXPECT_TRUE(out.verified);
    EXPECT_LT(out.linkRate, 115200);
    EXPECT_EQ(finishedLine(out).rfind("finished at " + std::to_string(out.linkRate) + " bit/s after ", 0), 0u)
        << finishedLine(out);
}

// A box that goes silent in the middle of a read: the resyncs run out and
// the job ends as a communication error naming the read, as without them.
TEST_F(Recovering, ResyncsAreBounded)
{
    policy.maxResyncs = 2;
    session->setRecovery(policy);
    ASSERT_TRUE(download().ok());
    {
        std::lock_guard lock(hookMutex);
        onRequest = [&](std::uint8_t code, std::uint16_t page) {
            if (code == CMD_READ_PAGE && page == 0x0C05)
                sim->state()->box.faults().silent = true;
        };
    }
    PcJobState back;
    back.deviceTable = testTable();
    JobSettings backJob;
    auto k = sink();
    const BoxOutcome o = session->upload(boxTarget, back, backJob, k);
    EXPECT_EQ(o.kind, OutcomeClass::CommunicationError);
    EXPECT_EQ(o.resyncs, 2);
    EXPECT_EQ(o.failedCommand, "CMD_READ_PAGE");
    EXPECT_EQ(o.failedPage, 0x0C05);
    EXPECT_EQ(countText(msg::kCommunicationError), 1u);

    // Cancel while the resyncs look for the box ends them: a cancelled job.
    startBox(quickOpsBox()); // the silent box never heard the way back to 9600
    policy.maxResyncs = 16;
    prepare();
    ASSERT_TRUE(download().ok());
    std::atomic<bool> silent = false;
    {
        std::lock_guard lock(hookMutex);
        onRequest = [&](std::uint8_t code, std::uint16_t page) {
            if (code == CMD_READ_PAGE && page == 0x0C05 && !silent.exchange(true))
                sim->state()->box.faults().silent = true;
        };
    }
    auto cancelling = sink([&] { return silent.load(); });
    const BoxOutcome c = session->upload(boxTarget, back, backJob, cancelling);
    EXPECT_EQ(c.kind, OutcomeClass::Cancelled);
    EXPECT_LE(c.resyncs, 1);
}

} // namespace
} // namespace plx71::test
