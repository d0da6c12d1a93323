// The settings form: defaults and enable rules, device selection, data file
// loading, typing in block lists, the checks when a field is left, and the
// job settings the commands take.
#include "writer_test_support.hpp"

#include "plx_view.hpp"

#include "plx71/messages/message_texts.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace plx71;

namespace {

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

void chooseDevice(CPlxView& view, int index)
{
    auto* combo = child<QComboBox>(&view, "deviceCombo");
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Moves the focus out of `edit` the way a Tab does and lets the check run.
void leave(QLineEdit* edit, QWidget* next)
{
    edit->setFocus(Qt::TabFocusReason);
    next->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
}

std::vector<std::uint8_t> userImageWithIds(WriterSession& s)
{
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    const DeviceRecord& d = s.state.currentDevice;
    const std::uint8_t ids[7] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};
    for (int i = 0; i < 7; ++i)
        image[s.state.areaTables.idCodeAddress[std::size_t(i)] - d.userRomStart] = ids[i];
    image[0] = 0x41;
    return image;
}

} // namespace

class FormTest : public QObject {
    Q_OBJECT
private slots:
    void startsEmptyWithDefaultsAndDisabledCommands();
    void choosingADeviceShowsItsAreasBlocksAndVoltages();
    void loadingDataFilesFillsTheFormAndEnablesDownload();
    void rejectedOrCancelledFilesChangeNothing();
    void typingInABlockListChoosesBlock();
    void leavingAFieldChecksIt();
    void commandsTakeTheTypedCheckId();
    void portListSetsTheLinkPort();
    void changingTheDeviceReloadsOrForgetsTheDataFiles();
};

void FormTest::startsEmptyWithDefaultsAndDisabledCommands()
{
    test::TestSession t;
    CPlxView view(t.session);
    for (const char* name :
         {"userRomAreaText", "blockRangeText", "bootRomAreaText", "vccEdit", "vppEdit", "userRomFileName", "idCodeText",
          "romProtectText", "userRomChecksumText", "bootRomFileName", "bootVersionText", "bootRomChecksumText",
          "operationBlockList", "lockBlockList"})
        QVERIFY2(child<QLineEdit>(&view, name)->text().isEmpty(), name);
    QCOMPARE(child<QLineEdit>(&view, "checkIdText")->text(), QStringLiteral("00,00,00,00,00,00,00"));
    QCOMPARE(child<QComboBox>(&view, "targetBaudIndex")->currentText(), QStringLiteral("1M"));
    QCOMPARE(child<QComboBox>(&view, "hostBaudSelection")->currentText(), QStringLiteral("115.2K"));
    QCOMPARE(child<QComboBox>(&view, "portSelection")->currentText(), QStringLiteral("COM1"));
    QCOMPARE(child<QComboBox>(&view, "serialModeIndex")->currentText(), QStringLiteral("Clock synchronous"));
    QVERIFY(!child<QComboBox>(&view, "serialModeIndex")->isEnabled());
    QVERIFY(child<QRadioButton>(&view, "operationBlockAll")->isChecked());
    QVERIFY(child<QRadioButton>(&view, "lockBitNoChange")->isChecked());
    QVERIFY(!child<QCheckBox>(&view, "updateEnable")->isChecked());
    QVERIFY(!child<QPushButton>(&view, "downloadButton")->isEnabled());
    QVERIFY(!child<QPushButton>(&view, "userRomSelectButton")->isEnabled());
    QVERIFY(!child<QPushButton>(&view, "bootRomSelectButton")->isEnabled());
    QVERIFY(child<QPushButton>(&view, "uploadButton")->isEnabled());
    QCOMPARE(child<QPushButton>(&view, "downloadButton")->text(), QStringLiteral("Download\nPLX <- PC"));
    QCOMPARE(child<QPushButton>(&view, "uploadButton")->text(), QStringLiteral("Upload\nPLX -> PC"));
    QCOMPARE(child<QCheckBox>(&view, "updateEnable")->text(), QStringLiteral("&Update Enable"));
    // Labels name their controls for assistive tools.
    QCOMPARE(child<QLineEdit>(&view, "romProtectText")->accessibleName(), QStringLiteral("Rom Protect :"));
    QCOMPARE(child<QLineEdit>(&view, "checkIdText")->accessibleName(), QStringLiteral("Check ID 1-7 :"));
    QCOMPARE(child<QComboBox>(&view, "deviceCombo")->accessibleName(), QStringLiteral("Device Type :"));
    QCOMPARE(t.session.state.deviceIndex, -1);
}

void FormTest::choosingADeviceShowsItsAreasBlocksAndVoltages()
{
    test::TestSession t;
    CPlxView view(t.session);
    chooseDevice(view, 0);
    QCOMPARE(t.session.state.deviceIndex, 0);
    QCOMPARE(child<QLineEdit>(&view, "userRomAreaText")->text(), QStringLiteral("0C0000-0FFFFF"));
    QCOMPARE(child<QLineEdit>(&view, "bootRomAreaText")->text(), QStringLiteral("0FE000-0FFFFF"));
    QCOMPARE(child<QLineEdit>(&view, "blockRangeText")->text(), QStringLiteral("0-6"));
    QCOMPARE(child<QLineEdit>(&view, "vccEdit")->text(), QStringLiteral("5.0V"));
    QVERIFY(child<QPushButton>(&view, "userRomSelectButton")->isEnabled());
    QVERIFY(child<QPushButton>(&view, "bootRomSelectButton")->isEnabled());
    QVERIFY(!child<QPushButton>(&view, "downloadButton")->isEnabled()); // no data yet

    const QFont big = child<QLineEdit>(&view, "vccEdit")->font();
    const QFont normal = child<QLineEdit>(&view, "userRomAreaText")->font();
    QVERIFY(big.bold());
    QCOMPARE(big, child<QLineEdit>(&view, "vppEdit")->font());
    QVERIFY(QFontInfo(big).pixelSize() > QFontInfo(normal).pixelSize());

    chooseDevice(view, 1);
    QCOMPARE(child<QLineEdit>(&view, "blockRangeText")->text(), QStringLiteral("0-4"));
    QCOMPARE(child<QLineEdit>(&view, "vccEdit")->text(), QStringLiteral("3.3V"));
    QCOMPARE(child<QLineEdit>(&view, "vppEdit")->text(), QStringLiteral("12.0V"));
    chooseDevice(view, 2);
    QCOMPARE(child<QLineEdit>(&view, "blockRangeText")->text(), QStringLiteral("0"));
    chooseDevice(view, 3);
    QCOMPARE(child<QLineEdit>(&view, "blockRangeText")->text(), QStringLiteral("0-1"));
    QCOMPARE(child<QLineEdit>(&view, "userRomAreaText")->text(), QStringLiteral("0F8000-0FFFFF"));
}

void FormTest::loadingDataFilesFillsTheFormAndEnablesDownload()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    chooseDevice(view, 0);
    const QString user = test::writeAreaFile(dir.filePath(QStringLiteral("user.hex")), t.session.state.currentDevice,
                                             Area::UserRom, userImageWithIds(t.session));
    t.fileAnswers = {user};
    child<QPushButton>(&view, "userRomSelectButton")->click();
    QCOMPARE(t.fileRequests.back().title, QStringLiteral("User Rom Data Select"));
    QCOMPARE(t.fileRequests.back().filter, QStringLiteral("Data file (*.hex *.mot)"));
    QCOMPARE(t.fileRequests.back().mode, FileDialogRequest::Mode::Open);
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(child<QLineEdit>(&view, "userRomFileName")->text(), user);
    QCOMPARE(child<QLineEdit>(&view, "idCodeText")->text(), QStringLiteral("12,34,56,78,9A,BC,DE"));
    QCOMPARE(child<QLineEdit>(&view, "checkIdText")->text(), QStringLiteral("12,34,56,78,9A,BC,DE"));
    QVERIFY(!child<QLineEdit>(&view, "userRomChecksumText")->text().isEmpty());
    QVERIFY(!child<QLineEdit>(&view, "romProtectText")->text().isEmpty());
    QVERIFY(child<QPushButton>(&view, "downloadButton")->isEnabled());
    QCOMPARE(t.session.state.images.user[0], std::uint8_t(0x41));

    std::vector<std::uint8_t> boot = blankImage(Area::BootRom);
    boot[0] = 0x00;
    const QString bootFile = test::writeAreaFile(dir.filePath(QStringLiteral("boot.btp")),
                                                 t.session.state.currentDevice, Area::BootRom, boot);
    t.fileAnswers = {bootFile};
    child<QPushButton>(&view, "bootRomSelectButton")->click();
    QCOMPARE(t.fileRequests.back().title, QStringLiteral("Boot Rom Data Select"));
    QCOMPARE(t.fileRequests.back().filter, QStringLiteral("Update file (*.btp)"));
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(child<QLineEdit>(&view, "bootRomFileName")->text(), bootFile);
    QVERIFY(child<QCheckBox>(&view, "updateEnable")->isChecked());
    QVERIFY(!child<QLineEdit>(&view, "bootRomChecksumText")->text().isEmpty());
}

void FormTest::rejectedOrCancelledFilesChangeNothing()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    chooseDevice(view, 0);
    const QString good = test::writeAreaFile(dir.filePath(QStringLiteral("user.hex")), t.session.state.currentDevice,
                                             Area::UserRom, userImageWithIds(t.session));
    t.fileAnswers = {good};
    child<QPushButton>(&view, "userRomSelectButton")->click();
    const JobSettings before = t.session.job;
    const std::vector<std::uint8_t> image = t.session.state.images.user;

    t.fileAnswers = {QString()}; // Cancel
    child<QPushButton>(&view, "userRomSelectButton")->click();
    QFile bad(dir.filePath(QStringLiteral("bad.hex")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(":0100000000FF\r\n:00000001FF\r\n"); // address 0: outside the User ROM
    bad.close();
    t.fileAnswers = {bad.fileName()};
    child<QPushButton>(&view, "userRomSelectButton")->click();
    QCOMPARE(t.ui.texts(), std::vector<std::string>{std::string(msg::kInvalidAddressContained)});
    QVERIFY(t.session.job == before);
    QVERIFY(t.session.state.images.user == image);
    QCOMPARE(child<QLineEdit>(&view, "userRomFileName")->text(), good);
    QVERIFY(child<QPushButton>(&view, "downloadButton")->isEnabled());
}

void FormTest::typingInABlockListChoosesBlock()
{
    test::TestSession t;
    CPlxView view(t.session);
    view.QWidget::show();
    chooseDevice(view, 0);
    auto* ops = child<QLineEdit>(&view, "operationBlockList");
    ops->setFocus();
    QTest::keyClicks(ops, "0,2");
    QVERIFY(child<QRadioButton>(&view, "operationBlockBlock")->isChecked());
    QCOMPARE(t.session.job.operationBlockMode, OperationBlockMode::Block);
    QCOMPARE(ops->text(), QStringLiteral("0,2")); // typing goes on where it was
    auto* lock = child<QLineEdit>(&view, "lockBlockList");
    lock->setFocus();
    QTest::keyClicks(lock, "1");
    QVERIFY(child<QRadioButton>(&view, "lockBitBlock")->isChecked());
    QCOMPARE(t.session.job.lockBitMode, LockBitMode::Block);

    // Text the program puts there leaves the choice alone.
    child<QRadioButton>(&view, "operationBlockAll")->setChecked(true);
    view.takeJob();
    t.session.job.operationBlockList = "4-5";
    view.showJob();
    QVERIFY(child<QRadioButton>(&view, "operationBlockAll")->isChecked());
    QCOMPARE(t.session.job.operationBlockMode, OperationBlockMode::All);
}

void FormTest::leavingAFieldChecksIt()
{
    test::TestSession t;
    CPlxView view(t.session);
    view.QWidget::show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    chooseDevice(view, 0);
    auto* ops = child<QLineEdit>(&view, "operationBlockList");
    auto* lock = child<QLineEdit>(&view, "lockBlockList");
    auto* checkId = child<QLineEdit>(&view, "checkIdText");
    auto* elsewhere = child<QComboBox>(&view, "targetBaudIndex");

    ops->setText(QStringLiteral("0,2-4"));
    leave(ops, elsewhere);
    ops->clear();
    leave(ops, elsewhere);
    QVERIFY(t.ui.messages().empty());

    ops->setText(QStringLiteral("9"));
    leave(ops, elsewhere);
    QTRY_COMPARE(t.ui.messages().size(), std::size_t(1));
    QCOMPARE(t.ui.messages()[0], (RecordedMessage{Icon::Exclamation, std::string(msg::kInvalidBlockNumber), false}));
    QVERIFY(ops->hasFocus());
    QCOMPARE(ops->selectedText(), QStringLiteral("9"));
    QCOMPARE(ops->text(), QStringLiteral("9"));

    // Two refused fields never pass the focus back and forth: the user is
    // sent back to the first one only.
    lock->setText(QStringLiteral("0-2,"));
    lock->setFocus(Qt::TabFocusReason);
    elsewhere->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(t.ui.messages().size(), std::size_t(2));
    QVERIFY(ops->hasFocus());
    QTest::qWait(30);
    QCOMPARE(t.ui.messages().size(), std::size_t(2));
    ops->clear();
    leave(lock, elsewhere);
    QTRY_COMPARE(t.ui.messages().size(), std::size_t(3));
    QCOMPARE(t.ui.texts()[2], std::string(msg::kInvalidBlockNumber));
    QVERIFY(lock->hasFocus());
    lock->clear();
    leave(lock, elsewhere);

    // Check ID: seven groups are taken at once; six are refused and the
    // bytes stay; an empty field keeps them as well.
    t.ui.clear();
    checkId->setText(QStringLiteral("1 2 3 4 5 6 7"));
    leave(checkId, elsewhere);
    QCOMPARE(t.session.job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 7}));
    checkId->setText(QStringLiteral("11,22,33,44,55,66"));
    leave(checkId, elsewhere);
    QTRY_COMPARE(t.ui.messages().size(), std::size_t(1));
    QCOMPARE(t.ui.messages()[0], (RecordedMessage{Icon::Exclamation, std::string(msg::kInvalidIdNumber), false}));
    QVERIFY(checkId->hasFocus());
    QCOMPARE(checkId->selectedText(), QStringLiteral("11,22,33,44,55,66"));
    QCOMPARE(t.session.job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 7}));
    checkId->clear();
    leave(checkId, elsewhere);
    QCOMPARE(t.ui.messages().size(), std::size_t(1));
    QCOMPARE(t.session.job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 7}));
}

void FormTest::commandsTakeTheTypedCheckId()
{
    test::TestSession t;
    QTemporaryDir dir;
    // No box: each Download that starts reports the port, and nothing else.
    const std::string nowhere = "/nonexistent/plx71-form-test";
    t.session.boxDevicePath = nowhere;
    const std::string portMessage = msg::portCannotBeUsed(nowhere);
    const auto downloads = [&] {
        const auto texts = t.ui.texts();
        return int(std::count(texts.begin(), texts.end(), portMessage));
    };
    CPlxView view(t.session);
    chooseDevice(view, 0);
    t.fileAnswers = {test::writeAreaFile(dir.filePath(QStringLiteral("u.hex")), t.session.state.currentDevice,
                                         Area::UserRom, test::oneByteImage(Area::UserRom))};
    child<QPushButton>(&view, "userRomSelectButton")->click();
    auto* checkId = child<QLineEdit>(&view, "checkIdText");
    auto* download = child<QPushButton>(&view, "downloadButton");

    // Typed and never checked by leaving the field: Download takes it.
    checkId->setText(QStringLiteral("0102030405060A"));
    download->click();
    QCOMPARE(downloads(), 1);
    QCOMPARE(t.session.job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 0x0A}));

    checkId->setText(QStringLiteral("01,02"));
    download->click();
    QCOMPARE(downloads(), 1);
    QCOMPARE(t.ui.texts().back(), std::string(msg::kInvalidIdNumber));
    QCOMPARE(t.session.job.idCode, (IdCode{1, 2, 3, 4, 5, 6, 0x0A}));

    // Save As stops the same way, before any file dialog.
    const std::size_t requests = t.fileRequests.size();
    view.onProjectSaveAs();
    QCOMPARE(t.fileRequests.size(), requests);
    QCOMPARE(t.ui.messages().size(), std::size_t(3));
}

void FormTest::portListSetsTheLinkPort()
{
    qputenv("PLX71_COM2", "/tmp/plx71-line-box2");
    test::TestSession t;
    CPlxView view(t.session);
    auto* port = child<QComboBox>(&view, "portSelection");
    // Each entry's tooltip names the device it opens.
    QCOMPARE(port->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/tmp/plx71-line-box2"));
    qunsetenv("PLX71_COM2");
    port->setCurrentIndex(3);
    emit port->activated(3);
    QCOMPARE(t.session.boxTarget().port.comPortIndex, 3);
    QCOMPARE(t.session.job.portSelection, 3);
}

void FormTest::changingTheDeviceReloadsOrForgetsTheDataFiles()
{
    // The shipped table and sample files: the sample program fills
    // M30624FGFP's User ROM from C0000 and does not fit M30622F8FP (F0000-);
    // M30624FGLFP has the same areas at 3.3 V.
    test::TestSession t;
    t.session.state.deviceTable = *loadDeviceTable(PLX71_BINARY_DIR "/bin/plx71typ.tbl");
    const DeviceTable& table = t.session.state.deviceTable;
    CPlxView view(t.session);
    chooseDevice(view, table.find("M30624FGFP"));
    const QString user = QStringLiteral(PLX71_SOURCE_DIR "/examples/user_program.hex");
    const QString boot = QStringLiteral(PLX71_SOURCE_DIR "/examples/boot_update.btp");
    t.fileAnswers = {user, boot};
    child<QPushButton>(&view, "userRomSelectButton")->click();
    child<QPushButton>(&view, "bootRomSelectButton")->click();
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(child<QLineEdit>(&view, "userRomChecksumText")->text(), QStringLiteral("28D9"));
    const QString idText = child<QLineEdit>(&view, "idCodeText")->text();
    const QString bootChecksum = child<QLineEdit>(&view, "bootRomChecksumText")->text();
    QVERIFY(child<QPushButton>(&view, "downloadButton")->isEnabled());

    // Same areas: the files load again as they were.
    chooseDevice(view, table.find("M30624FGLFP"));
    QVERIFY(t.ui.messages().empty());
    QCOMPARE(child<QLineEdit>(&view, "userRomFileName")->text(), user);
    QCOMPARE(child<QLineEdit>(&view, "userRomChecksumText")->text(), QStringLiteral("28D9"));
    QCOMPARE(child<QLineEdit>(&view, "idCodeText")->text(), idText);
    QVERIFY(child<QPushButton>(&view, "downloadButton")->isEnabled());

    // A User ROM the program does not fit: refused, forgotten, no Download.
    // The Boot ROM file fits the new device and stays.
    chooseDevice(view, table.find("M30622F8FP"));
    QCOMPARE(t.ui.texts(), std::vector<std::string>{std::string(msg::kInvalidAddressContained)});
    QCOMPARE(child<QLineEdit>(&view, "userRomAreaText")->text(), QStringLiteral("0F0000-0FFFFF"));
    for (const char* name : {"userRomFileName", "idCodeText", "romProtectText", "userRomChecksumText"})
        QVERIFY2(child<QLineEdit>(&view, name)->text().isEmpty(), name);
    QVERIFY(!child<QPushButton>(&view, "downloadButton")->isEnabled());
    QCOMPARE(child<QLineEdit>(&view, "bootRomFileName")->text(), boot);
    QCOMPARE(child<QLineEdit>(&view, "bootRomChecksumText")->text(), bootChecksum);
    QVERIFY(child<QCheckBox>(&view, "updateEnable")->isChecked());
}

QTEST_MAIN(FormTest)
#include "form_test.moc"
