// The form's Download and Upload, and Help > About, against the software
// writer box: what the box receives and stores, what the progress dialogs
// show, Cancel and failing pages, the firmware version check, and a worker
// whose message box goes through the real Qt bridge.
#include "writer_sim_support.hpp"

#include "plx71/messages/message_texts.hpp"

#include "about_dlg.hpp"

#include <QMessageBox>

#include <atomic>

using namespace plx71;
using namespace plx71::test;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBigDevice = 0;   // M30624FGFP: C0000-FFFFF, blocks 0-6
constexpr int kSmallDevice = 2; // M30600ONE: FC000-FFFFF, block 0 only

const QString kDownloadTitleText = QStringLiteral("Downloading...   PC -> PLX-71RD");
const QString kUploadTitleText = QStringLiteral("Uploading...  PLX-71RD -> PC");

bool isDownloadDialog(qtui::TransferProgressDialog* d)
{
    return qobject_cast<CDownloadDlg*>(d) != nullptr;
}
bool isUploadDialog(qtui::TransferProgressDialog* d)
{
    return qobject_cast<CUploadDlg*>(d) != nullptr;
}

// The data files and settings of one job, loaded into the form.
struct Job {
    std::vector<std::uint8_t> user;
    std::vector<std::uint8_t> boot;
    QString userPath;
    QString bootPath;
};

// The big device with data in blocks 4, 3, 2 and 0 (the blocks downloaded),
// ID bytes, a Boot ROM file with a version text in its first 2 KiB (the part
// that goes to the box), "Block" lists for both groups, a typed Check ID,
// and rates other than the defaults.
Job loadBigJob(WriterSimWorld& w)
{
    Job job;
    w.chooseDevice(kBigDevice);
    const DeviceRecord& d = w.device(kBigDevice);
    job.user = blankImage(Area::UserRom);
    for (const std::uint32_t block : {4u, 3u, 2u, 0u}) {
        const std::uint32_t start = w.session().state.areaTables.blockStart[block] - d.userRomStart;
        fillPattern(job.user, start, start + kBlockSizes[block], std::uint8_t(block + 1));
    }
    const std::uint8_t ids[7] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};
    for (std::size_t i = 0; i < 7; ++i)
        job.user[w.session().state.areaTables.idCodeAddress[i] - d.userRomStart] = ids[i];
    job.user[d.userRomSize - 1] = 0xFF; // protect removed
    job.boot = blankImage(Area::BootRom);
    fillPattern(job.boot, 0, 0x800, 9);
    const char version[] = "BOOTV123";
    std::copy(version, version + 8, job.boot.begin());

    job.userPath = w.writeData(QStringLiteral("user.hex"), kBigDevice, Area::UserRom, job.user);
    job.bootPath = w.writeData(QStringLiteral("boot.btp"), kBigDevice, Area::BootRom, job.boot);
    w.selectUserRom(job.userPath);
    w.selectBootRom(job.bootPath);

    w.frame()->activateWindow();
    QLineEdit* ops = w.edit("operationBlockList");
    ops->setFocus();
    QTest::keyClicks(ops, "0,2-4");
    QLineEdit* lock = w.edit("lockBlockList");
    lock->setFocus();
    QTest::keyClicks(lock, "1,5");
    w.edit("checkIdText")->setText(QStringLiteral("01,02,03,04,05,06,07"));
    w.chooseInList("targetBaudIndex", 4);   // 38.4K
    w.chooseInList("hostBaudSelection", 3); // 57.6K
    return job;
}

// The small device with a User ROM file only.
Job loadSmallJob(WriterSimWorld& w)
{
    Job job;
    w.chooseDevice(kSmallDevice);
    const DeviceRecord& d = w.device(kSmallDevice);
    job.user = blankImage(Area::UserRom);
    fillPattern(job.user, 0, d.userRomSize, 5);
    job.user[d.userRomSize - 1] = 0xFF;
    job.userPath = w.writeData(QStringLiteral("small.hex"), kSmallDevice, Area::UserRom, job.user);
    w.selectUserRom(job.userPath);
    return job;
}

std::vector<std::uint16_t> range(std::uint16_t first, std::uint16_t last)
{
    std::vector<std::uint16_t> out;
    for (std::uint32_t p = first; p <= last; ++p)
        out.push_back(std::uint16_t(p));
    return out;
}

std::vector<std::uint16_t> concat(std::initializer_list<std::vector<std::uint16_t>> parts)
{
    std::vector<std::uint16_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

class TransferSimTest : public QObject {
    Q_OBJECT
private slots:
    void downloadSendsTheSettingsAndTheSelectedPages();
    void uploadIntoAFreshFormReproducesTheJob();
    void cancelDuringDownloadSendsNoEndCommands();
    void cancelDuringUploadKeepsTheSettingsAndTheOldTexts();
    void failingPageIsReportedOnceAndEndsTheDialog();
    void workerWaitsForTheMessageBoxOfTheRealBridge();
    void aboutShowsWhatTheBoxReports();
    void differentFirmwareStopsTheDownload();
};

void TransferSimTest::downloadSendsTheSettingsAndTheSelectedPages()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    QVERIFY(w.programStarted);
    const Job job = loadBigJob(w);
    QVERIFY(w.recording.messages().empty());
    QVERIFY(w.button("downloadButton")->isEnabled());
    const auto before = formSnapshot(w.view());

    ProgressWatch watch;
    WindowWatch<qtui::TransferProgressDialog> progress(recordProgress(watch), isDownloadDialog);
    w.button("downloadButton")->click(); // returns after the dialog closed
    QVERIFY2(w.recording.messages().empty(), qPrintable(w.allTexts()));
    QVERIFY(w.resting());

    QCOMPARE(progress.timesSeen(), 1);
    QCOMPARE(watch.objectName, QStringLiteral("CDownloadDlg"));
    QCOMPARE(watch.title, kDownloadTitleText);
    QCOMPARE(watch.text, job.userPath);
    // Blocks 0, 2, 3, 4 and eight Boot ROM pages of 2560 each.
    QCOMPARE(watch.maximum, 0x4000 + 0x2000 + 0x8000 + 0x10000 + 0x5000);
    QVERIFY(watch.closed);
    QCOMPARE(watch.lastValue, watch.maximum);
    QVERIFY(!qtui::visibleTopLevel<qtui::TransferProgressDialog>());

    const auto cmds = accepted(w.sim);
    const std::vector<std::uint8_t> settings{CMD_SET_LINK_RATE,        CMD_READ_VERSIONS,      CMD_SET_DEVICE,
                                             CMD_SET_TARGET_RATE,      CMD_SET_BOOT_FILE_NAME, CMD_SET_USER_FILE_NAME,
                                             CMD_SET_OPERATION_BLOCKS, CMD_SET_LOCK_BITS,      CMD_SET_CHECK_ID,
                                             CMD_SET_UPDATE_ENABLE,    CMD_ERASE_BLOCKS};
    const auto sequence = codesWithoutPolls(cmds);
    QVERIFY(sequence.size() > settings.size() + 3);
    QCOMPARE(std::vector<std::uint8_t>(sequence.begin(), sequence.begin() + long(settings.size())), settings);
    QCOMPARE(std::vector<std::uint8_t>(sequence.end() - 3, sequence.end()),
             (std::vector<std::uint8_t>{CMD_DOWNLOAD_END, CMD_DOWNLOAD_COMMIT, CMD_SET_LINK_RATE}));
    QCOMPARE(cmds.front().payload, (plx71sim::Bytes{4})); // 57600 bit/s
    QCOMPARE(cmds.front().rate, 9600);
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1})); // back to 9600
    for (std::size_t i = 1; i + 1 < cmds.size(); ++i)
        QCOMPARE(cmds[i].rate, 57600);

    // The User ROM pages of blocks 4, 3, 2 and 0 in ascending addresses, then
    // the first eight Boot ROM pages.
    const auto pages = pagesOf(cmds, CMD_WRITE_PAGE);
    QCOMPARE(pages, concat({range(0xE00, 0xF9F), range(0xFC0, 0xFFF), range(0x1FE0, 0x1FE7)}));
    for (std::uint16_t p : pages) {
        const plx71sim::Page stored = w.sim.state()->box.job().page(p);
        const bool boot = (p & 0x1000) != 0;
        const std::size_t offset = boot ? std::size_t(p - 0x1FE0) * 256 : std::size_t(p - 0xC00) * 256;
        const auto& image = boot ? job.boot : job.user;
        QVERIFY2(std::equal(stored.begin(), stored.end(), image.begin() + long(offset)),
                 qPrintable(QString::number(p, 16)));
    }

    const plx71sim::WriterSettings s = w.sim.state()->box.job().settings;
    QCOMPARE(s.deviceName, std::string("M30624FGFP"));
    QCOMPARE(s.userFileName, job.userPath.toStdString());
    QCOMPARE(s.bootFileName, job.bootPath.toStdString());
    QCOMPARE(s.targetRateCode, std::uint8_t(5));
    QCOMPARE(s.operationBlocks, std::uint8_t(0x1D));
    QCOMPARE(s.lockBits, std::uint8_t(0x22));
    QCOMPARE(s.checkId, (std::array<std::uint8_t, 7>{1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(s.updateEnable, std::uint8_t(1));

    // A download changes nothing in the form.
    const auto after = formSnapshot(w.view());
    QVERIFY2(after == before, qPrintable(describeDifferences(before, after)));
}

void TransferSimTest::uploadIntoAFreshFormReproducesTheJob()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    loadBigJob(w);
    w.button("downloadButton")->click();
    QVERIFY(w.recording.messages().empty());
    QVERIFY(w.resting());
    const auto downloaded = formSnapshot(w.view());
    const RomImages images = w.session().state.images;

    // The program again, started afresh; only the link rate is the user's.
    w.startProgram(&w.recording);
    QVERIFY(w.programStarted);
    w.chooseInList("hostBaudSelection", 3);
    QVERIFY(!w.button("downloadButton")->isEnabled());
    QCOMPARE(w.combo("deviceCombo")->currentIndex(), -1);
    w.sim.clearReceivedCommands();

    ProgressWatch watch;
    WindowWatch<qtui::TransferProgressDialog> progress(recordProgress(watch), isUploadDialog);
    w.button("uploadButton")->click();
    QVERIFY2(w.recording.messages().empty(), qPrintable(w.allTexts()));
    QVERIFY(w.resting());
    QCOMPARE(progress.timesSeen(), 1);
    QCOMPARE(watch.objectName, QStringLiteral("CUploadDlg"));
    QCOMPARE(watch.title, kUploadTitleText);
    QVERIFY(watch.text.isEmpty());
    QCOMPARE(watch.maximum, 0x40000 + 0x800);
    QCOMPARE(watch.lastValue, watch.maximum);

    const auto uploaded = formSnapshot(w.view());
    QVERIFY2(uploaded == downloaded, qPrintable(describeDifferences(downloaded, uploaded)));
    QCOMPARE(w.combo("deviceCombo")->currentText(), QStringLiteral("M30624FGFP"));
    QVERIFY(!w.text("userRomChecksumText").isEmpty());
    QCOMPARE(w.text("bootVersionText"), QStringLiteral("BOOTV123"));
    QVERIFY(w.button("downloadButton")->isEnabled());
    QVERIFY(w.session().state.images.user == images.user);
    QVERIFY(w.session().state.images.boot == images.boot);

    const auto cmds = accepted(w.sim);
    QCOMPARE(pagesOf(cmds, CMD_READ_PAGE), concat({range(0xC00, 0xFFF), range(0x1FE0, 0x1FE7)}));
    QCOMPARE(codesWithoutPolls(cmds).front(), CMD_SET_LINK_RATE);
    QCOMPARE(codesWithoutPolls(cmds)[2], CMD_READ_SETTINGS);
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));
}

void TransferSimTest::cancelDuringDownloadSendsNoEndCommands()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    loadSmallJob(w);
    const auto before = formSnapshot(w.view());

    // The fifth page waits on its way out until Cancel has been pressed.
    Gate gate;
    std::atomic<int> pagesOut{0};
    w.setFrameHook([&](std::uint8_t code, std::span<const std::uint8_t>) {
        if (code == CMD_WRITE_PAGE && ++pagesOut == 5)
            gate.arriveAndWait();
    });
    bool cancelledWhileWaiting = false;
    bool openAfterCancel = false;
    ProgressWatch watch;
    WindowWatch<qtui::TransferProgressDialog> progress(
        recordProgress(watch,
                       [&](qtui::TransferProgressDialog* dialog) {
                           static_cast<void>(QTest::qWaitFor([&] { return gate.arrived(); }, 10000));
                           cancelledWhileWaiting = gate.arrived();
                           dialog->cancelButton()->click();
                           QCoreApplication::processEvents();
                           // Cancel only marks: the dialog waits for the worker.
                           openAfterCancel = dialog->isVisible();
                           gate.open();
                       }),
        isDownloadDialog);
    w.button("downloadButton")->click();

    QCOMPARE(progress.timesSeen(), 1);
    QVERIFY(cancelledWhileWaiting);
    QVERIFY(openAfterCancel);
    QVERIFY(watch.closed);
    QVERIFY(w.recording.messages().empty());
    QVERIFY(w.resting());
    const auto cmds = accepted(w.sim);
    // The page in flight went out; no other followed it.
    QCOMPARE(pagesOf(cmds, CMD_WRITE_PAGE), range(0xFC0, 0xFC4));
    QCOMPARE(countCode(cmds, CMD_DOWNLOAD_END), std::size_t(0));
    QCOMPARE(countCode(cmds, CMD_DOWNLOAD_COMMIT), std::size_t(0));
    QCOMPARE(cmds.back().code, CMD_SET_LINK_RATE);
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));
    const auto after = formSnapshot(w.view());
    QVERIFY2(after == before, qPrintable(describeDifferences(before, after)));
}

namespace {

// A job for the big device, as a box holds it: settings and eight pages.
plx71sim::StoredJob withBigDeviceJob(plx71sim::StoredJob stored)
{
    stored.settings.deviceName = "M30624FGFP";
    stored.settings.userFileName = "C:\\jobs\\stored.hex";
    stored.settings.bootFileName = "C:\\jobs\\stored.btp";
    stored.settings.checkId = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7};
    stored.settings.targetRateCode = 3;
    stored.settings.lockBits = 0x05;
    stored.settings.operationBlocks = 0x7F;
    stored.settings.updateEnable = 1;
    for (std::uint16_t p = 0xC00; p < 0xC08; ++p) {
        plx71sim::Page page;
        page.fill(std::uint8_t(p & 0xFF));
        stored.pages[p] = page;
    }
    return stored;
}

} // namespace

void TransferSimTest::cancelDuringUploadKeepsTheSettingsAndTheOldTexts()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    w.sim.state()->replaceJob(withBigDeviceJob(w.sim.state()->box.job()));

    // A form with data of another device loaded.
    loadSmallJob(w);
    const QString idText = w.text("idCodeText");
    const QString checksum = w.text("userRomChecksumText");
    const QString protect = w.text("romProtectText");
    QVERIFY(!checksum.isEmpty());

    auto cancelAtFifthPage = [&](Gate& gate) {
        auto pagesIn = std::make_shared<std::atomic<int>>(0);
        w.setFrameHook([&gate, pagesIn](std::uint8_t code, std::span<const std::uint8_t>) {
            if (code == CMD_READ_PAGE && ++*pagesIn == 5)
                gate.arriveAndWait();
        });
        return [&gate](qtui::TransferProgressDialog* dialog) {
            static_cast<void>(QTest::qWaitFor([&] { return gate.arrived(); }, 10000));
            dialog->cancelButton()->click();
            gate.open();
        };
    };

    {
        Gate gate;
        ProgressWatch watch;
        WindowWatch<qtui::TransferProgressDialog> progress(recordProgress(watch, cancelAtFifthPage(gate)),
                                                           isUploadDialog);
        w.button("uploadButton")->click();
        QCOMPARE(progress.timesSeen(), 1);
        QVERIFY(watch.closed);
    }
    QVERIFY(w.recording.messages().empty());
    QVERIFY(w.resting());
    QCOMPARE(pagesOf(accepted(w.sim), CMD_READ_PAGE), range(0xC00, 0xC04));

    // The settings of the box are shown...
    QCOMPARE(w.combo("deviceCombo")->currentIndex(), kBigDevice);
    QCOMPARE(w.text("userRomAreaText"), QStringLiteral("0C0000-0FFFFF"));
    QCOMPARE(w.text("userRomFileName"), QStringLiteral("C:\\jobs\\stored.hex"));
    QCOMPARE(w.text("bootRomFileName"), QStringLiteral("C:\\jobs\\stored.btp"));
    QCOMPARE(w.text("checkIdText"), QStringLiteral("A1,A2,A3,A4,A5,A6,A7"));
    QCOMPARE(w.combo("targetBaudIndex")->currentText(), QStringLiteral("9600"));
    QVERIFY(w.child<QRadioButton>("lockBitBlock")->isChecked());
    QCOMPARE(w.text("lockBlockList"), QStringLiteral("0,2"));
    QVERIFY(w.child<QRadioButton>("operationBlockAll")->isChecked());
    QVERIFY(w.child<QCheckBox>("updateEnable")->isChecked());
    // ...the texts computed from the data are those of the old data, and the
    // pages read before the stop are in the image.
    QCOMPARE(w.text("idCodeText"), idText);
    QCOMPARE(w.text("userRomChecksumText"), checksum);
    QCOMPARE(w.text("romProtectText"), protect);
    for (std::size_t p = 0; p < 5; ++p)
        QCOMPARE(w.session().state.images.user[p * 256 + 7], std::uint8_t(p));

    // A fresh form: the cancelled upload does not enable Download.
    w.startProgram(&w.recording);
    w.sim.clearReceivedCommands();
    {
        Gate gate;
        ProgressWatch watch;
        WindowWatch<qtui::TransferProgressDialog> progress(recordProgress(watch, cancelAtFifthPage(gate)),
                                                           isUploadDialog);
        w.button("uploadButton")->click();
        QCOMPARE(progress.timesSeen(), 1);
    }
    QVERIFY(w.resting());
    QCOMPARE(w.combo("deviceCombo")->currentIndex(), kBigDevice);
    QCOMPARE(w.text("userRomFileName"), QStringLiteral("C:\\jobs\\stored.hex"));
    QVERIFY(w.text("userRomChecksumText").isEmpty());
    QVERIFY(!w.button("downloadButton")->isEnabled());
    w.setFrameHook({});
}

void TransferSimTest::failingPageIsReportedOnceAndEndsTheDialog()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    loadBigJob(w);
    w.sim.state()->box.faults().failPages.insert(0xE10);

    ProgressWatch watch;
    WindowWatch<qtui::TransferProgressDialog> progress(recordProgress(watch), isDownloadDialog);
    w.button("downloadButton")->click();
    QCOMPARE(w.recording.messages(),
             (std::vector<RecordedMessage>{{Icon::Stop, std::string(msg::kCommunicationError), false}}));
    QCOMPARE(progress.timesSeen(), 1);
    QVERIFY(watch.closed);
    QVERIFY(!qtui::visibleTopLevel<qtui::TransferProgressDialog>());
    QVERIFY(w.resting());

    const auto cmds = accepted(w.sim);
    QCOMPARE(pagesOf(cmds, CMD_WRITE_PAGE), range(0xE00, 0xE0F));
    QCOMPARE(countCode(cmds, CMD_DOWNLOAD_END), std::size_t(0));
    QCOMPARE(countCode(cmds, CMD_DOWNLOAD_COMMIT), std::size_t(0));
    QCOMPARE(cmds.back().code, CMD_SET_LINK_RATE);
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));
    // The refused page was tried three times and nothing after it.
    std::size_t refused = 0;
    for (const auto& c : w.sim.receivedCommands())
        refused += c.code == CMD_WRITE_PAGE && pageOf(c) == 0xE10;
    QCOMPARE(refused, std::size_t(3));
}

void TransferSimTest::workerWaitsForTheMessageBoxOfTheRealBridge()
{
    WriterSimWorld w(true);
    QVERIFY2(w.started, w.sim.lastError().c_str());
    QVERIFY(w.programStarted);
    loadSmallJob(w);
    constexpr std::uint16_t kBadPage = 0xFC5;
    w.sim.state()->box.faults().failPages.insert(kBadPage);

    bool progressOpen = false;
    bool boxOverProgress = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::size_t commandsWhenShown = 0;
    std::size_t commandsBeforeClose = 0;
    Clock::time_point closedAt{};
    WindowWatch<QMessageBox> boxes([&](QMessageBox* box) {
        auto* download = qtui::visibleTopLevel<CDownloadDlg>();
        progressOpen = download != nullptr;
        boxOverProgress = download && box->parentWidget() == download;
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        commandsWhenShown = w.sim.receivedCommands().size();
        // Time in which a worker that did not wait would go on.
        QTest::qWait(60);
        commandsBeforeClose = w.sim.receivedCommands().size();
        closedAt = Clock::now();
        box->button(QMessageBox::Ok)->click();
    });
    w.button("downloadButton")->click();

    QCOMPARE(boxes.timesSeen(), 1);
    QVERIFY(progressOpen);
    QVERIFY(boxOverProgress);
    QCOMPARE(caption, QStringLiteral("plx"));
    QCOMPARE(text, QStringLiteral("Communication error between PLX-71RD"));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(commandsBeforeClose, commandsWhenShown);
    QVERIFY(!qtui::visibleTopLevel<qtui::TransferProgressDialog>());
    QVERIFY(w.resting());

    // Everything after the refused page came after the box was closed: the
    // switch back to 9600 (no status poll follows a failed page).
    const auto all = w.sim.receivedCommands();
    std::size_t lastRefused = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].code == CMD_WRITE_PAGE && pageOf(all[i]) == kBadPage)
            lastRefused = i;
    }
    QVERIFY(lastRefused > 0 && lastRefused + 1 < all.size());
    QCOMPARE(lastRefused + 1, commandsWhenShown);
    for (std::size_t i = lastRefused + 1; i < all.size(); ++i)
        QVERIFY2(all[i].when >= closedAt, qPrintable(QString::number(all[i].code, 16)));
    QCOMPARE(all[lastRefused + 1].code, CMD_SET_LINK_RATE);
    QCOMPARE(all.back().code, CMD_SET_LINK_RATE);
    QCOMPARE(countCode(all, CMD_DOWNLOAD_END), std::size_t(0));
}

void TransferSimTest::aboutShowsWhatTheBoxReports()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    w.sim.state()->box.job().firmwareVersion = plx71sim::versionField("V1.30 BOX 0077");

    auto about = [&w](QString* control = nullptr) {
        QString firmware = QStringLiteral("<not shown>");
        WindowWatch<CAboutDlg> watch([&](CAboutDlg* dialog) {
            firmware = dialog->firmwareEdit()->text();
            if (control)
                *control = dialog->controlProgramEdit()->text();
            dialog->accept();
        });
        w.frame()->aboutAction()->trigger(); // returns after the box closed
        return firmware;
    };

    QString control;
    QCOMPARE(about(&control), QStringLiteral("V1.30 BOX 0077"));
    QCOMPARE(control, QStringLiteral("V1.30 2001/12/25"));
    QVERIFY(w.recording.messages().empty());
    QVERIFY(w.resting());
    auto cmds = accepted(w.sim);
    QCOMPARE(codes(cmds), std::vector<std::uint8_t>{CMD_READ_VERSIONS});
    QCOMPARE(cmds[0].rate, 9600);

    // A port the machine does not have: its message, and the last text stays.
    w.sim.clearReceivedCommands();
    w.chooseInList("portSelection", 3);
    QCOMPARE(about(), QStringLiteral("V1.30 BOX 0077"));
    QCOMPARE(w.recording.messages(),
             (std::vector<RecordedMessage>{{Icon::Stop, std::string("COM4 cannot be used"), false}}));
    QVERIFY(w.sim.receivedCommands().empty());

    // A box that does not answer: one communication error, an empty text.
    w.recording.clear();
    w.chooseInList("portSelection", 0);
    w.sim.state()->box.faults().silent = true;
    QCOMPARE(about(), QString());
    QCOMPARE(w.recording.messages(),
             (std::vector<RecordedMessage>{{Icon::Stop, std::string(msg::kCommunicationError), false}}));
    QVERIFY(w.resting());
    QVERIFY(accepted(w.sim).empty());
}

void TransferSimTest::differentFirmwareStopsTheDownload()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    loadSmallJob(w);
    w.sim.state()->box.job().firmwareVersion = plx71sim::versionField("V1.20 2001/01/01");
    const auto before = formSnapshot(w.view());

    WindowWatch<qtui::TransferProgressDialog> progress;
    w.button("downloadButton")->click();
    QCOMPARE(w.recording.messages(),
             (std::vector<RecordedMessage>{{Icon::Stop, std::string(msg::kFirmwareVersionDifferent), false}}));
    QVERIFY(!progress.seen());
    QVERIFY(w.resting());
    const auto cmds = accepted(w.sim);
    QCOMPARE(codes(cmds), (std::vector<std::uint8_t>{CMD_SET_LINK_RATE, CMD_READ_VERSIONS, CMD_SET_LINK_RATE}));
    QCOMPARE(cmds.back().payload, (plx71sim::Bytes{1}));
    QCOMPARE(w.session().box.firmwareVersion(), std::string("V1.20 2001/01/01"));
    const auto after = formSnapshot(w.view());
    QVERIFY2(after == before, qPrintable(describeDifferences(before, after)));
}

QTEST_MAIN(TransferSimTest)
#include "transfer_sim_test.moc"
