// The editor's input dialogs and Data Save's dialogs: what they accept,
// what they refuse, and that a refusal keeps them open on the faulty field.
#include "writer_test_support.hpp"

#include "address_input_dlg.hpp"
#include "data_input_dlg.hpp"
#include "memory_clear_dlg.hpp"
#include "save_file_dlg.hpp"
#include "saving_dlg.hpp"

#include "plx71/messages/message_texts.hpp"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace plx71;

namespace {

const AreaRange kUser{0xC0000, 0xFFFFF};

// Presses OK; true when the dialog closed with Accepted.
bool pressOk(QDialog& d)
{
    d.show();
    d.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    return d.result() == QDialog::Accepted && !d.isVisible();
}

} // namespace

class InputDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void addressInputAcceptsHexInsideTheArea();
    void dataInputChecksAddressFirstThenData();
    void memoryClearChecksBlocksThenData();
    void saveAddressFieldReplacesTheRanges();
    void savingReportsAFileThatCannotBeWritten();
    void typingReplacesThePresetText();
};

void InputDialogsTest::addressInputAcceptsHexInsideTheArea()
{
    RecordingUi ui;
    struct Case {
        const char* text;
        bool accepted;
        std::uint32_t address;
    };
    const Case cases[] = {{" 0ffff0", true, 0xFFFF0}, {"e1234", true, 0xE1234}, {"E1234", true, 0xE1234},
                          {"C0000", true, 0xC0000},   {"", false, 0},           {"0FFFF0 ", false, 0},
                          {"0x10", false, 0},         {"BFFFF", false, 0},      {"100000", false, 0},
                          {"123456789", false, 0}};
    for (const Case& c : cases) {
        ui.clear();
        CAddressInputDlg d(ui, kUser);
        QCOMPARE(d.windowTitle(), QStringLiteral("Address Input"));
        d.addressEdit()->setText(QLatin1String(c.text));
        QCOMPARE(pressOk(d), c.accepted);
        if (c.accepted) {
            QCOMPARE(d.address, c.address);
            QVERIFY(ui.messages().empty());
        } else {
            QCOMPARE(ui.messages(),
                     (std::vector<RecordedMessage>{{Icon::Exclamation, std::string(msg::kInvalidAddress), false}}));
            QVERIFY(d.isVisible());
            QCOMPARE(d.addressEdit()->text(), QLatin1String(c.text)); // kept as typed
        }
    }
}

void InputDialogsTest::dataInputChecksAddressFirstThenData()
{
    RecordingUi ui;
    {
        CDataInputDlg d(ui, kUser);
        d.addressEdit()->setText(QStringLiteral("zz"));
        d.dataEdit()->setText(QStringLiteral("100"));
        QVERIFY(!pressOk(d));
        QCOMPARE(ui.texts(), std::vector<std::string>{std::string(msg::kInvalidAddress)});
        d.addressEdit()->setText(QStringLiteral("c0010"));
        QVERIFY(!pressOk(d));
        QCOMPARE(ui.texts().back(), std::string(msg::kInvalidData));
        d.dataEdit()->setText(QStringLiteral("ff"));
        QVERIFY(pressOk(d));
        QCOMPARE(d.address, 0xC0010u);
        QCOMPARE(d.data, std::uint8_t(0xFF));
    }
    ui.clear();
    CDataInputDlg empty(ui, kUser);
    empty.addressEdit()->setText(QStringLiteral("fffff"));
    QVERIFY(pressOk(empty));
    QCOMPARE(empty.data, std::uint8_t(0));
    QVERIFY(ui.messages().empty());
}

void InputDialogsTest::memoryClearChecksBlocksThenData()
{
    RecordingUi ui;
    for (const char* blocks : {"0-6", "0,2-4", "6"}) {
        CMemoryClearDlg d(ui, 6);
        QCOMPARE(d.blockEdit()->text(), QStringLiteral("0-6"));
        QCOMPARE(d.dataEdit()->text(), QStringLiteral("ff"));
        d.blockEdit()->setText(QLatin1String(blocks));
        d.dataEdit()->setText(QStringLiteral("FF"));
        QVERIFY2(pressOk(d), blocks);
        QCOMPARE(d.data, std::uint8_t(0xFF));
    }
    CMemoryClearDlg mask(ui, 6);
    mask.blockEdit()->setText(QStringLiteral("0,2-4"));
    QVERIFY(pressOk(mask));
    QCOMPARE(mask.blockMask, 0x1Du);
    QVERIFY(ui.messages().empty());

    for (const char* blocks : {"7", "a", ""}) {
        ui.clear();
        CMemoryClearDlg d(ui, 6);
        d.blockEdit()->setText(QLatin1String(blocks));
        d.dataEdit()->setText(QStringLiteral("zz"));
        QVERIFY2(!pressOk(d), blocks);
        QCOMPARE(ui.texts(), std::vector<std::string>{std::string(msg::kInvalidBlockNumber)});
    }
    for (const char* data : {"100", "g", "0000000000ff1"}) {
        ui.clear();
        CMemoryClearDlg d(ui, 6);
        d.dataEdit()->setText(QLatin1String(data));
        QVERIFY2(!pressOk(d), data);
        QCOMPARE(ui.texts(), std::vector<std::string>{std::string(msg::kInvalidData)});
    }
    CMemoryClearDlg single(ui, 0);
    QCOMPARE(single.blockEdit()->text(), QStringLiteral("0"));
    single.blockEdit()->clear();
    QVERIFY(!pressOk(single));
}

void InputDialogsTest::saveAddressFieldReplacesTheRanges()
{
    RecordingUi ui;
    QTemporaryDir dir;
    CSaveFileDlg d(ui, Area::UserRom, kUser);
    QCOMPARE(d.windowTitle(), QStringLiteral("Data Save"));
    QVERIFY(d.nameFilters().contains(QStringLiteral("Data file (*.hex *.mot)")));
    QCOMPARE(d.addressEdit()->accessibleName(), QStringLiteral("Save Address :"));
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    auto* name = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);

    // Leaving the field checks it; an accepted text replaces the ranges.
    d.addressEdit()->setFocus(Qt::TabFocusReason);
    d.addressEdit()->setText(QStringLiteral("c0000 - c00ff , D0000"));
    name->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(d.ranges().size(), std::size_t(2));
    QCOMPARE(d.ranges()[1], (AreaRange{0xD0000, 0xD0000}));
    d.addressEdit()->setText(QStringLiteral("C0000-C000F"));
    d.addressEdit()->setFocus(Qt::TabFocusReason);
    name->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(d.ranges().size(), std::size_t(1));
    QVERIFY(ui.messages().empty());

    // Below the area, and a range that ends at its start.
    const QString bad[] = {QStringLiteral("BFFFF"), QStringLiteral("C0000-C0000")};
    for (const QString& text : bad) {
        ui.clear();
        d.addressEdit()->setText(text);
        d.addressEdit()->setFocus(Qt::TabFocusReason);
        name->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(ui.messages().size(), std::size_t(1));
        QCOMPARE(ui.messages()[0], (RecordedMessage{Icon::Exclamation, std::string(msg::kInvalidAddress), false}));
        QVERIFY(d.addressEdit()->hasFocus());
        QCOMPARE(d.addressEdit()->selectedText(), text);
        QCOMPARE(d.ranges(), (std::vector<AreaRange>{{0xC0000, 0xC000F}}));
    }

    // Save with a bad text stays open; with the field emptied it saves the whole area.
    d.selectFile(dir.filePath(QStringLiteral("out.hex")));
    d.accept();
    QVERIFY(d.isVisible());
    QCOMPARE(ui.messages().size(), std::size_t(2));
    d.addressEdit()->clear();
    d.accept();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(d.ranges().empty());
    QCOMPARE(d.selectedFiles().value(0), dir.filePath(QStringLiteral("out.hex")));

    CSaveFileDlg boot(ui, Area::BootRom, {0xFE000, 0xFFFFF});
    QVERIFY(boot.nameFilters().contains(QStringLiteral("Update file (*.btp)")));
}

void InputDialogsTest::savingReportsAFileThatCannotBeWritten()
{
    RecordingUi ui;
    QTemporaryDir dir;
    std::vector<std::uint8_t> data(0x2000, 0xFF);
    SaveRequest request;
    request.data = data;
    request.areaStart = 0xFE000;
    request.areaEnd = 0xFFFFF;
    const QString bad = dir.filePath(QStringLiteral("no/such/dir/boot.btp"));
    CSavingDlg failing(ui, bad, request);
    QCOMPARE(failing.windowTitle(), QStringLiteral("Saving..."));
    failing.exec(); // closes although nothing could be written
    QVERIFY(!failing.fileWritten());
    QCOMPARE(ui.messages().size(), std::size_t(1));
    QCOMPARE(ui.messages()[0].icon, Icon::Stop);

    const QString good = dir.filePath(QStringLiteral("boot.btp"));
    CSavingDlg saving(ui, good, request);
    QCOMPARE(saving.exec(), int(QDialog::Accepted));
    QVERIFY(saving.fileWritten());
    QCOMPARE(saving.progress().total(), 0x2000);
    QFile f(good);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readLine().startsWith("S0030000FC"));
}

void InputDialogsTest::typingReplacesThePresetText()
{
    RecordingUi ui;
    CDataInputDlg data(ui, kUser);
    data.addressEdit()->setText(QStringLiteral("c0000")); // the editor's next address
    CMemoryClearDlg clear(ui, 6);                         // "0-6" and "ff"
    CAddressInputDlg address(ui, kUser);
    address.addressEdit()->setText(QStringLiteral("e0000"));
    struct Case {
        QDialog* dialog;
        const char* field;
        const char* typed;
    };
    const Case cases[] = {
        {&data, "addressText", "d0000"}, {&clear, "blockText", "2"}, {&address, "addressText", "f0000"}};
    for (const Case& c : cases) {
        c.dialog->show();
        auto* field = c.dialog->findChild<QLineEdit*>(QLatin1String(c.field));
        QCOMPARE(c.dialog->focusWidget(), field);
        QTest::keyClicks(field, QLatin1String(c.typed));
        QCOMPARE(field->text(), QLatin1String(c.typed));
        QVERIFY(pressOk(*c.dialog));
    }
    QCOMPARE(data.address, 0xD0000u);
    QCOMPARE(clear.blockMask, 0x04u);
    QVERIFY(ui.messages().empty());
}

QTEST_MAIN(InputDialogsTest)
#include "input_dialogs_test.moc"
