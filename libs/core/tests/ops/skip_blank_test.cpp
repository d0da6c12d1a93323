// A download that leaves out blank pages: what goes on the wire with and
// without the option, and a box whose erase does not leave pages at FF.
#include "sim_world.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"

namespace plx71::test {
namespace {

class SkipBlank : public SimWorld {
protected:
    void SetUp() override
    {
        SimWorld::SetUp();
        prepareJob();
    }

    // Block 1 (pages 0FA0-0FBF) blank but for pages 0FA1 and 0FBF; eight
    // Boot ROM pages, page 1FE3 blank.
    void prepareJob()
    {
        job.operationBlockMode = OperationBlockMode::Block;
        job.operationBlockList = "1";
        job.bootRomFileName = "boot.btp";
        std::fill(state.images.user.begin(), state.images.user.end(), 0xFF);
        for (std::uint32_t page : {0x0FA1u, 0x0FBFu})
            state.images.user[(page << 8) - 0xC0000 + 0x20] = std::uint8_t(page);
        fillPattern(state.images.boot, 9);
        const std::size_t bootPage3 = 3 * 256;
        std::fill_n(state.images.boot.begin() + std::ptrdiff_t(bootPage3), 256, 0xFF);
    }

    BoxOutcome download(DownloadOptions options)
    {
        auto s = sink();
        return session->download(boxTarget, boxJobOf(state, job), s, options);
    }

    std::vector<std::uint16_t> writtenPages() const
    {
        std::vector<std::uint16_t> pages;
        for (const auto& c : test::accepted(*sim)) {
            if (c.code == CMD_WRITE_PAGE)
                pages.push_back(std::uint16_t(c.payload.at(0) | c.payload.at(1) << 8));
        }
        return pages;
    }
};

std::vector<std::uint16_t> pageRange(std::uint16_t first, std::uint16_t last)
{
    std::vector<std::uint16_t> pages;
    for (std::uint32_t p = first; p <= last; ++p)
        pages.push_back(std::uint16_t(p));
    return pages;
}

TEST_F(SkipBlank, OnlyPagesHoldingDataGoOutAndEveryPageIsReadBack)
{
    std::vector<std::uint16_t> everyPage = pageRange(0x0FA0, 0x0FBF);
    const auto boot = pageRange(0x1FE0, 0x1FE7);
    everyPage.insert(everyPage.end(), boot.begin(), boot.end());
    // Boot ROM pages always go out, blank or not: the erase leaves them.
    std::vector<std::uint16_t> dataPages{0x0FA1, 0x0FBF};
    dataPages.insert(dataPages.end(), boot.begin(), boot.end());
    struct Case {
        bool skip;
        std::vector<std::uint16_t> sent;
    };
    for (const Case& c : {Case{false, everyPage}, Case{true, dataPages}}) {
        SCOPED_TRACE(c.skip);
        for (bool verify : {false, true}) {
            sim->clearReceivedCommands();
            const BoxOutcome o = download(DownloadOptions{verify, c.skip});
            ASSERT_TRUE(o.ok()) << outcomeClassName(o.kind);
            EXPECT_EQ(writtenPages(), c.sent);
            EXPECT_EQ(o.pagesWritten, std::int32_t(c.sent.size()));
            EXPECT_EQ(o.pagesSkipped, std::int32_t(everyPage.size() - c.sent.size()));
            EXPECT_EQ(o.skipBlank, c.skip);
            // The erase and the closing commands stay; the read-back reads all.
            for (std::uint8_t code : {CMD_ERASE_BLOCKS, CMD_DOWNLOAD_END, CMD_DOWNLOAD_COMMIT})
                EXPECT_EQ(countCode(test::accepted(*sim), code), 1u) << int(code);
            EXPECT_EQ(countCode(test::accepted(*sim), CMD_READ_PAGE), verify ? everyPage.size() : 0u);
            EXPECT_EQ(o.verified, verify);
            // Skipped pages count as done: the bar of the last transfer is full.
            EXPECT_EQ(lastDone, lastTotal);
            expectResting();
        }
    }
}

TEST_F(SkipBlank, APageTheEraseLeftNonBlankIsAVerifyMismatchOnlyWhenSkipped)
{
    plx71sim::Options o = quickOpsBox();
    o.faults.unerasedPages = {0x0FA3};
    startBox(o);
    prepareJob();

    BoxOutcome skipped = download(DownloadOptions{true, true});
    EXPECT_EQ(skipped.kind, OutcomeClass::VerifyMismatch) << outcomeClassName(skipped.kind);
    EXPECT_EQ(skipped.difference.address, std::optional<std::uint32_t>(0x0FA300));
    EXPECT_EQ(skipped.difference.expected, 0xFF);
    EXPECT_EQ(skipped.difference.found, 0x00);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{msg::verifyMismatchAt("0FA300")});
    expectResting();

    // Sent in full, the blank page overwrites what the erase left.
    ui.clear();
    EXPECT_TRUE(download(DownloadOptions{true, false}).ok());
    plx71sim::Page blank;
    blank.fill(0xFF);
    EXPECT_EQ(sim->state()->box.job().page(0x0FA3), blank);
}

// A box holding an earlier job's Boot ROM: the blank page 1FE3 of this job
// still goes out, so the box holds this job even without the read-back.
TEST_F(SkipBlank, ABootRomPageOfAnEarlierJobIsOverwrittenEvenWhenBlank)
{
    plx71sim::StoredJob earlier = sim->state()->box.job();
    earlier.pages[0x1FE3].fill(0x5A);
    sim->state()->replaceJob(earlier);
    for (bool verify : {false, true}) {
        const BoxOutcome o = download(DownloadOptions{verify, true});
        EXPECT_TRUE(o.ok()) << outcomeClassName(o.kind);
        plx71sim::Page blank;
        blank.fill(0xFF);
        EXPECT_EQ(sim->state()->box.job().page(0x1FE3), blank);
        sim->state()->replaceJob(earlier);
    }
}

} // namespace
} // namespace plx71::test
