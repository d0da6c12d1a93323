// "Download" against the software writer box: the whole firmware area page
// by page under "Loading...", the versions the box reports afterwards, and
// the ways it ends in "Error" (Cancel, a refused page, a box that stays
// busy, a silent box) with the box back at 9600 bit/s and the port closed.
#include "loader_test_support.hpp"

#include "loading_dlg.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/modal_windows.hpp"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <atomic>
#include <set>

using namespace plx71;
using namespace plx71::test;

namespace {

constexpr std::uint16_t kFirstPage = 0x0C10;
constexpr std::uint16_t kLastPage = 0x0C3F;

std::vector<plx71sim::ReceivedCommand> pageWrites(const std::vector<plx71sim::ReceivedCommand>& cmds)
{
    std::vector<plx71sim::ReceivedCommand> out;
    for (auto& c : cmds) {
        if (c.code == CMD_LOAD_WRITE_PAGE)
            out.push_back(c);
    }
    return out;
}

// Commands after the last page write (or after the rate switch when no page went out).
std::vector<std::uint8_t> codesAfterPages(const std::vector<plx71sim::ReceivedCommand>& cmds)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < cmds.size(); ++i) {
        if (cmds[i].code == CMD_LOAD_WRITE_PAGE || cmds[i].code == CMD_READ_STATUS)
            from = i + 1;
    }
    std::vector<std::uint8_t> out;
    for (std::size_t i = from; i < cmds.size(); ++i)
        out.push_back(cmds[i].code);
    return out;
}

// Everything the progress dialog showed while it was open.
struct LoadingWatch {
    QString title;
    QString text;
    int maximum = -1;
    std::set<int> values;
    int lastValue = -1;
};

// Watches the next "Loading..." dialog, sampling its bar every few ms, and
// hands it to `whileOpen` once (to press Cancel).
void watchLoading(LoadingWatch& watch, std::function<void(CLoadingDlg*)> whileOpen = {})
{
    qtui::whenVisible<CLoadingDlg>([&watch, whileOpen](CLoadingDlg* dialog) {
        watch.title = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("transferText")))
            watch.text = label->text();
        watch.maximum = dialog->progressBar()->maximum();
        auto* sampler = new QTimer(dialog);
        sampler->setInterval(2);
        QObject::connect(sampler, &QTimer::timeout, dialog,
                         [&watch, dialog] { watch.values.insert(dialog->progressBar()->value()); });
        QObject::connect(dialog, &QDialog::finished, dialog, [&watch, dialog] {
            watch.lastValue = dialog->progressBar()->value();
            watch.values.insert(watch.lastValue);
        });
        sampler->start();
        if (whileOpen)
            whileOpen(dialog);
    });
}

} // namespace

class LoaderDownloadTest : public QObject {
    Q_OBJECT
private slots:
    void completeDownloadSendsEveryPageAndShowsTheBoxsVersion();
    void cancelStopsAfterThePageInFlight();
    void refusedPageEndsInError();
    void boxThatStaysBusyWaitsForCancel();
    void silentBoxEndsBeforeAnyRateSwitch();
};

namespace {

// Every firmware page the box holds is the image's, and it holds all 48.
bool holdsFirmware(const plx71sim::StoredJob& job, const std::vector<std::uint8_t>& image)
{
    if (job.firmware.size() != 48)
        return false;
    for (std::uint16_t p = kFirstPage; p <= kLastPage; ++p) {
        const auto& stored = job.firmware.at(p);
        const std::size_t offset = std::size_t(p - kFirstPage) * 256;
        if (!std::equal(stored.begin(), stored.end(), image.begin() + long(offset)))
            return false;
    }
    return true;
}

} // namespace

void LoaderDownloadTest::completeDownloadSendsEveryPageAndShowsTheBoxsVersion()
{
    LoaderWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    const QString path = w.goodFirmware();
    w.select(path);
    QVERIFY(w.button("downloadButton")->isEnabled());
    const std::vector<std::uint8_t> image = w.session.firmware->image.bytes;

    LoadingWatch watch;
    watchLoading(watch);
    w.button("downloadButton")->click(); // returns after the dialog closed
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("statusText"), QStringLiteral("Complete"));
    // What the box reports after the load: the new firmware's own header.
    QCOMPARE(w.text("firmVersionText"), QStringLiteral("V1.31 2002/03/15"));
    QCOMPARE(w.text("bootVersionText"), QStringLiteral("BOOT V1.00 2001 "));
    QVERIFY(w.resting());

    QCOMPARE(watch.title, QStringLiteral("Loading..."));
    QCOMPARE(watch.text, QDir::toNativeSeparators(path));
    QCOMPARE(watch.maximum, 0x3000);
    QCOMPARE(watch.lastValue, 0x3000);
    for (int v : watch.values)
        QVERIFY2(v % 256 == 0 && v >= 0 && v <= 0x3000, qPrintable(QString::number(v)));

    const auto cmds = accepted(w.sim);
    QVERIFY(cmds.size() > 6);
    QCOMPARE(cmds[0].code, CMD_LOAD_ENTER);
    QCOMPARE(cmds[1].code, CMD_LOAD_PREPARE);
    QCOMPARE(cmds[2].code, CMD_SET_LINK_RATE);
    QCOMPARE(cmds[2].payload, (plx71sim::Bytes{5}));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cmds[std::size_t(i)].rate, 9600);
    const auto pages = pageWrites(cmds);
    QCOMPARE(pages.size(), std::size_t(48));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        QCOMPARE(pageOf(pages[i]), std::uint16_t(kFirstPage + i));
        QCOMPARE(pages[i].rate, 115200);
        QCOMPARE(pages[i].payload.size(), std::size_t(258));
    }
    // Each page waits for at least one status poll.
    for (std::size_t i = 3; i < cmds.size(); ++i) {
        if (cmds[i].code == CMD_LOAD_WRITE_PAGE)
            QCOMPARE(cmds[i - 1].code, CMD_READ_STATUS);
    }
    QCOMPARE(codesAfterPages(cmds), (std::vector<std::uint8_t>{CMD_READ_VERSIONS, CMD_SET_LINK_RATE}));
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));

    // The box holds the file's bytes, the gap as 0xFF.
    QVERIFY(holdsFirmware(w.sim.state()->box.job(), image));
    QCOMPARE(w.sim.state()->box.job().firmware.at(0x0C18)[0], std::uint8_t(0xFF));

    // A second download of the same file; the box reports another text when
    // asked afterwards, and that is what the dialog shows (not the file's).
    w.setFrameHook([&](std::uint8_t code, std::span<const std::uint8_t>) {
        if (code == CMD_READ_VERSIONS)
            w.sim.state()->box.job().firmwareVersion = plx71sim::versionField("V1.32 BOX REPORT");
    });
    w.sim.clearReceivedCommands();
    w.button("downloadButton")->click();
    QCOMPARE(w.text("statusText"), QStringLiteral("Complete"));
    QCOMPARE(w.text("firmVersionText"), QStringLiteral("V1.32 BOX REPORT"));
    QCOMPARE(w.text("fileVersionText"), QStringLiteral("V1.31 2002/03/15"));
    QCOMPARE(pageWrites(accepted(w.sim)).size(), std::size_t(48));
    QVERIFY(w.resting());
    w.setFrameHook({});

    // The chosen rate carries the pages.
    w.sim.clearReceivedCommands();
    w.combo("baudIndex")->setCurrentIndex(1); // 19.2K
    w.button("downloadButton")->click();
    QCOMPARE(w.text("statusText"), QStringLiteral("Complete"));
    const auto slower = pageWrites(accepted(w.sim));
    QCOMPARE(slower.size(), std::size_t(48));
    QCOMPARE(slower.front().rate, 19200);
    QVERIFY(w.resting());
}

void LoaderDownloadTest::cancelStopsAfterThePageInFlight()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.select(w.goodFirmware());
    w.button("readVersionButton")->click();
    QVERIFY(!w.text("firmVersionText").isEmpty());
    w.sim.clearReceivedCommands();

    // The fifth page waits on its way out until Cancel has been pressed.
    Gate gate;
    std::atomic<int> pagesOut{0};
    w.setFrameHook([&](std::uint8_t code, std::span<const std::uint8_t>) {
        if (code == CMD_LOAD_WRITE_PAGE && ++pagesOut == 5)
            gate.arriveAndWait();
    });
    bool cancelled = false;
    LoadingWatch watch;
    watchLoading(watch, [&](CLoadingDlg* dialog) {
        static_cast<void>(QTest::qWaitFor([&] { return gate.arrived(); }, 10000));
        dialog->cancelButton()->click();
        cancelled = gate.arrived();
        gate.open();
    });
    w.button("downloadButton")->click();
    QVERIFY(cancelled);

    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(w.text("bootVersionText").isEmpty());
    QVERIFY(w.resting());
    const auto cmds = accepted(w.sim);
    const auto pages = pageWrites(cmds);
    QCOMPARE(pages.size(), std::size_t(5)); // the page in flight finished, no more
    QCOMPARE(pageOf(pages.back()), std::uint16_t(kFirstPage + 4));
    QCOMPARE(countCode(cmds, CMD_READ_VERSIONS), std::size_t(0));
    QCOMPARE(cmds.back().code, CMD_SET_LINK_RATE);
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));
    QVERIFY(watch.lastValue <= 5 * 256);
}

void LoaderDownloadTest::refusedPageEndsInError()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.select(w.goodFirmware());
    w.sim.state()->box.faults().failPages.insert(0x0C20);
    w.button("downloadButton")->click();

    const auto messages = w.ui.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, std::string(msg::kCommunicationError));
    QCOMPARE(messages[0].icon, Icon::Stop);
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(w.text("bootVersionText").isEmpty());
    QVERIFY(w.resting());

    const auto cmds = accepted(w.sim);
    const auto pages = pageWrites(cmds);
    QCOMPARE(pages.size(), std::size_t(0x10)); // 0x0C10..0x0C1F
    QCOMPARE(pageOf(pages.back()), std::uint16_t(0x0C1F));
    // Nothing was tried beyond the refused page.
    for (const auto& c : w.sim.receivedCommands()) {
        if (c.code == CMD_LOAD_WRITE_PAGE)
            QVERIFY(pageOf(c) <= 0x0C20);
    }
    QCOMPARE(codesAfterPages(cmds), (std::vector<std::uint8_t>{CMD_SET_LINK_RATE}));
}

void LoaderDownloadTest::boxThatStaysBusyWaitsForCancel()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.select(w.goodFirmware());
    w.sim.state()->box.faults().stayBusy = true;

    std::size_t pollsBeforeCancel = 0;
    bool stillOpen = false;
    LoadingWatch watch;
    watchLoading(watch, [&](CLoadingDlg* dialog) {
        // The worker keeps asking; only Cancel ends the wait.
        static_cast<void>(
            QTest::qWaitFor([&] { return countCode(w.sim.receivedCommands(), CMD_READ_STATUS) >= 20; }, 10000));
        pollsBeforeCancel = countCode(w.sim.receivedCommands(), CMD_READ_STATUS);
        stillOpen = dialog->isVisible();
        dialog->cancelButton()->click();
    });
    w.button("downloadButton")->click();

    QVERIFY(pollsBeforeCancel >= 20);
    QVERIFY(stillOpen);
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.resting());
    const auto cmds = accepted(w.sim);
    QCOMPARE(pageWrites(cmds).size(), std::size_t(0));
    QCOMPARE(countCode(cmds, CMD_READ_VERSIONS), std::size_t(0));
    QCOMPARE(watch.lastValue, 0);
}

void LoaderDownloadTest::silentBoxEndsBeforeAnyRateSwitch()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.select(w.goodFirmware());
    w.sim.state()->box.faults().silent = true;
    w.button("downloadButton")->click();

    const auto messages = w.ui.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, std::string(msg::kCommunicationError));
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(!w.session.writerConnected());
    QVERIFY(w.sim.waitFor([&] { return w.sim.state()->portOpenCount == 0; }, 5s));
    const auto all = w.sim.receivedCommands();
    QVERIFY(!all.empty());
    for (const auto& c : all)
        QCOMPARE(c.code, CMD_LOAD_ENTER); // its retries, nothing after
}

QTEST_MAIN(LoaderDownloadTest)
#include "loader_download_test.moc"
