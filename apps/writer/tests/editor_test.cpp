// The ROM data editor: paging, the rows it shows, Address, Modify, Clear,
// Save, OK and Cancel.
#include "writer_test_support.hpp"

#include "address_input_dlg.hpp"
#include "chevron_icons.hpp"
#include "data_input_dlg.hpp"
#include "dump_list_ctrl.hpp"
#include "dump_rows.hpp"
#include "memory_clear_dlg.hpp"
#include "plx_view.hpp"
#include "rom_edit_dlg.hpp"

#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/modal_windows.hpp"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace plx71;
using qtui::whenVisible;

namespace {

QPushButton* button(QWidget* w, const char* name)
{
    auto* b = w->findChild<QPushButton*>(QLatin1String(name));
    if (!b)
        qFatal("no button %s", name);
    return b;
}

QString cell(CRomEditDlg& dlg, int row, int column)
{
    QTableWidgetItem* item = dlg.dumpList()->item(row, column);
    return item ? item->text() : QString();
}

RomEditInfo userInfo()
{
    return {QStringLiteral("M30624FGFP"), QString(), QStringLiteral("User Rom"), QStringLiteral("0C0000-0FFFFF")};
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT
private slots:
    void pagingStaysInsideTheArea();
    void rowsShowHexAsciiAndTheAreasLastRow();
    void dumpListLooksFixed();
    void addressJumpAndModifyWalk();
    void clearFillsOnlyTheChosenBlocksInsideTheCopy();
    void bootRomEditorRefusesOtherAddressesAndClearsAfterAsking();
    void saveAfterModifyThenCancelKeepsTheImage();
    void okWritesBackAndTheFormRecomputesTheChecksum();
};

void EditorTest::pagingStaysInsideTheArea()
{
    test::TestSession t; // the start-up default device: 0C0000-0FFFFF
    CRomEditDlg dlg(t.session, Area::UserRom, userInfo());
    QCOMPARE(dlg.workCopy().lastPageOffset(), 0x3FF00u);
    QCOMPARE(dlg.dumpList()->rowCount(), CDumpListCtrl::kVisibleRows);
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0C0000"));
    QCOMPARE(cell(dlg, 15, 0), QStringLiteral("0C00F0"));
    QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("addressRangeText"))->text(), QStringLiteral("0C0000-0FFFFF"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit"));

    for (int i = 0; i < 5; ++i)
        button(&dlg, "threeDownButton")->click();
    QCOMPARE(dlg.workCopy().pageOffset(), 0x3FF00u);
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0FFF00"));
    QCOMPARE(cell(dlg, 15, 0), QStringLiteral("0FFFF0"));
    button(&dlg, "twoUpButton")->click();
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0FEF00"));
    button(&dlg, "oneDownButton")->click();
    QCOMPARE(dlg.workCopy().pageOffset(), 0x3F000u);
    button(&dlg, "twoDownButton")->click();
    QCOMPARE(dlg.workCopy().pageOffset(), 0x3FF00u);

    for (int i = 0; i < 4; ++i)
        button(&dlg, "threeUpButton")->click();
    QCOMPARE(dlg.workCopy().pageOffset(), 0u);
    button(&dlg, "oneDownButton")->click();
    QCOMPARE(dlg.workCopy().pageOffset(), 0x100u);
    button(&dlg, "threeUpButton")->click(); // from 0x100 to the first row
    QCOMPARE(dlg.workCopy().pageOffset(), 0u);
    button(&dlg, "oneUpButton")->click();
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0C0000"));

    // The button images are drawn chevrons of the bitmap size.
    const QPixmap up = chevronPixmap(ChevronDirection::Up, 3);
    QCOMPARE(up.size(), QSize(11, 20));
    QVERIFY(up.toImage() != chevronPixmap(ChevronDirection::Down, 3).toImage());
    QVERIFY(up.toImage() != chevronPixmap(ChevronDirection::Up, 1).toImage());
}

void EditorTest::rowsShowHexAsciiAndTheAreasLastRow()
{
    test::TestSession t;
    std::vector<std::uint8_t>& user = t.session.state.images.user;
    const std::uint8_t bytes[] = {0x1F, 0x7F, 0x80, 0x20, 0x7E, 'A', 0x00};
    std::copy(std::begin(bytes), std::end(bytes), user.begin());
    const auto rows = dumpRows(RomWorkCopy(t.session.state, Area::UserRom), 2);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows[0].bytes[0], std::string("1F"));
    QCOMPARE(rows[0].bytes[5], std::string("41"));
    QCOMPARE(rows[0].ascii, std::string("... ~A.") + std::string(9, '.'));

    // An area of 17 bytes: its last row shows one byte and nothing past it.
    DeviceRecord odd = t.session.state.currentDevice;
    odd.bootRomStart = 0xFE000;
    odd.bootRomEnd = 0xFE010;
    odd.bootRomSize = 0x11;
    t.session.state.setCurrentDevice(odd);
    const auto bootRows = dumpRows(RomWorkCopy(t.session.state, Area::BootRom), 16);
    QCOMPARE(bootRows.size(), std::size_t(2));
    QCOMPARE(bootRows[1].bytes[0], std::string("FF"));
    QVERIFY(bootRows[1].bytes[1].empty());
    QCOMPARE(bootRows[1].ascii.size(), std::size_t(1));
}

void EditorTest::dumpListLooksFixed()
{
    test::TestSession t;
    CRomEditDlg dlg(t.session, Area::UserRom, userInfo());
    CDumpListCtrl* list = dlg.dumpList();
    QCOMPARE(list->columnCount(), 18);
    QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("Address"));
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral(" 0"));
    QCOMPARE(list->horizontalHeaderItem(16)->text(), QStringLiteral(" F"));
    QCOMPARE(list->horizontalHeaderItem(17)->text(), QStringLiteral("ASCII"));
    QCOMPARE(list->columnWidth(0), 55);
    QCOMPARE(list->columnWidth(1), 24);
    // At least its 110 pixels, and room for the sixteen characters.
    QVERIFY(list->columnWidth(17) >= 110);
    QVERIFY(list->columnWidth(17) >= list->fontMetrics().horizontalAdvance(QString(16, QLatin1Char('W'))) + 6);
    for (int c = 0; c < 18; ++c)
        QCOMPARE(list->horizontalHeader()->sectionResizeMode(c), QHeaderView::Fixed);
    QVERIFY(list->font().fixedPitch());
    QCOMPARE(list->selectionMode(), QAbstractItemView::NoSelection);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QCOMPARE(CDumpListCtrl::byteColumnWidth(), 30);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(CDumpListCtrl::byteColumnWidth(), 24);
}

void EditorTest::addressJumpAndModifyWalk()
{
    test::TestSession t;
    CRomEditDlg dlg(t.session, Area::UserRom, userInfo());

    QString offered;
    auto modify = [&](const char* data) {
        whenVisible<CDataInputDlg>([&offered, data](CDataInputDlg* d) {
            offered = d->addressEdit()->text();
            d->dataEdit()->setText(QLatin1String(data));
            button(d, "okButton")->click();
        });
        button(&dlg, "modifyButton")->click();
    };
    modify("5a");
    QCOMPARE(offered, QStringLiteral("c0000"));
    modify("A5");
    QCOMPARE(offered, QStringLiteral("c0001"));
    QCOMPARE(cell(dlg, 0, 1), QStringLiteral("5A"));
    QCOMPARE(cell(dlg, 0, 2), QStringLiteral("A5"));
    QCOMPARE(t.session.state.images.user[0], std::uint8_t(0xFF)); // the image waits for OK

    whenVisible<CAddressInputDlg>([](CAddressInputDlg* d) {
        d->addressEdit()->setText(QStringLiteral("e1234"));
        button(d, "okButton")->click();
    });
    button(&dlg, "addressButton")->click();
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0E1230"));
    QCOMPARE(dlg.workCopy().topRowAddress(), 0xE1230u);
    modify("00");
    QCOMPARE(offered, QStringLiteral("e1230"));

    // Cancel in the input dialog changes nothing.
    whenVisible<CAddressInputDlg>([](CAddressInputDlg* d) { button(d, "cancelButton")->click(); });
    button(&dlg, "addressButton")->click();
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0E1230"));

    // Modify at the last address stays there.
    whenVisible<CDataInputDlg>([](CDataInputDlg* d) {
        d->addressEdit()->setText(QStringLiteral("FFFFF"));
        d->dataEdit()->setText(QStringLiteral("1"));
        button(d, "okButton")->click();
    });
    button(&dlg, "modifyButton")->click();
    QCOMPARE(dlg.workCopy().editAddress(), 0xFFFFFu);
    QCOMPARE(dlg.workCopy().byteAt(0xFFFFF), std::uint8_t(0x01));
    QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0FFFF0"));
    QCOMPARE(dlg.dumpList()->rowCount(), 1);
    QVERIFY(t.ui.messages().empty());
}

void EditorTest::clearFillsOnlyTheChosenBlocksInsideTheCopy()
{
    test::TestSession t;
    CRomEditDlg dlg(t.session, Area::UserRom, userInfo());
    QString presetBlocks;
    QString presetData;
    whenVisible<CMemoryClearDlg>([&](CMemoryClearDlg* d) {
        presetBlocks = d->blockEdit()->text();
        presetData = d->dataEdit()->text();
        d->blockEdit()->setText(QStringLiteral("0,2"));
        d->dataEdit()->setText(QStringLiteral("00"));
        button(d, "okButton")->click();
    });
    button(&dlg, "clearButton")->click();
    QCOMPARE(presetBlocks, QStringLiteral("0-6"));
    QCOMPARE(presetData, QStringLiteral("ff"));
    const RomWorkCopy& m = dlg.workCopy();
    QCOMPARE(m.byteAt(0xFC000), std::uint8_t(0));
    QCOMPARE(m.byteAt(0xFFFFF), std::uint8_t(0));
    QCOMPARE(m.byteAt(0xF8000), std::uint8_t(0));
    QCOMPARE(m.byteAt(0xF9FFF), std::uint8_t(0));
    QCOMPARE(m.byteAt(0xFA000), std::uint8_t(0xFF));
    QCOMPARE(m.byteAt(0xFBFFF), std::uint8_t(0xFF));
    QCOMPARE(m.byteAt(0xF7FFF), std::uint8_t(0xFF));
}

void EditorTest::bootRomEditorRefusesOtherAddressesAndClearsAfterAsking()
{
    test::TestSession t;
    t.session.state.images.boot[5] = 0x12;
    {
        CRomEditDlg dlg(t.session, Area::BootRom, {});
        bool stayedOpen = false;
        whenVisible<CAddressInputDlg>([&](CAddressInputDlg* d) {
            d->addressEdit()->setText(QStringLiteral("c0000")); // User ROM, not Boot ROM
            button(d, "okButton")->click();
            stayedOpen = d->isVisible();
            d->addressEdit()->setText(QStringLiteral("fe010"));
            button(d, "okButton")->click();
        });
        button(&dlg, "addressButton")->click();
        QVERIFY(stayedOpen);
        QCOMPARE(t.ui.messages(),
                 (std::vector<RecordedMessage>{{Icon::Exclamation, std::string(msg::kInvalidAddress), false}}));
        QCOMPARE(cell(dlg, 0, 0), QStringLiteral("0FE010"));

        t.ui.clear();
        t.ui.scriptAnswers({false});
        button(&dlg, "clearButton")->click();
        QCOMPARE(t.ui.messages(), (std::vector<RecordedMessage>{{Icon::Question, std::string(msg::kClearOk), true}}));
        QCOMPARE(dlg.workCopy().byteAt(0xFE005), std::uint8_t(0x12));
        t.ui.scriptAnswers({true});
        button(&dlg, "clearButton")->click();
        QCOMPARE(dlg.workCopy().byteAt(0xFE005), std::uint8_t(0xFF));
        button(&dlg, "cancelButton")->click();
    }
    QCOMPARE(t.session.state.images.boot[5], std::uint8_t(0x12));
    {
        CRomEditDlg dlg(t.session, Area::BootRom, {});
        t.ui.scriptAnswers({true});
        button(&dlg, "clearButton")->click();
        button(&dlg, "okButton")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
    QVERIFY(t.session.state.images.boot == blankImage(Area::BootRom));
}

void EditorTest::saveAfterModifyThenCancelKeepsTheImage()
{
    test::TestSession t;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.hex"));
    AreaRange offeredRange;
    t.session.choosers.chooseSaveTarget = [&](QWidget*, Area area, AreaRange range) -> std::optional<SaveTarget> {
        offeredRange = range;
        if (area != Area::UserRom)
            return std::nullopt;
        return SaveTarget{path, {{0xC0000, 0xC000F}}};
    };
    CRomEditDlg dlg(t.session, Area::UserRom, userInfo());
    whenVisible<CDataInputDlg>([](CDataInputDlg* d) {
        d->dataEdit()->setText(QStringLiteral("00"));
        button(d, "okButton")->click();
    });
    button(&dlg, "modifyButton")->click();
    button(&dlg, "saveButton")->click();
    QCOMPARE(offeredRange.start, 0xC0000u);
    QCOMPARE(offeredRange.end, 0xFFFFFu);
    button(&dlg, "cancelButton")->click();

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines[0].trimmed(), QByteArray(":02000002C0003C"));
    QCOMPARE(lines[1].trimmed(), QByteArray(":1000000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));
    QCOMPARE(lines[2].trimmed(), QByteArray(":00000001FF"));
    QCOMPARE(t.session.state.images.user[0], std::uint8_t(0xFF));
    QVERIFY(t.ui.messages().empty());
}

void EditorTest::okWritesBackAndTheFormRecomputesTheChecksum()
{
    test::TestSession t;
    QTemporaryDir dir;
    CPlxView view(t.session);
    selectDevice(t.session.state, t.session.job, 0);
    t.fileAnswers = {test::writeAreaFile(dir.filePath(QStringLiteral("u.hex")), t.session.state.currentDevice,
                                         Area::UserRom, test::oneByteImage(Area::UserRom))};
    view.showJob();
    view.onSelectUserRomFile();
    const auto before = t.session.job.userRomChecksum;
    QString deviceText;
    whenVisible<CRomEditDlg>([&](CRomEditDlg* editor) {
        deviceText = editor->findChild<QLineEdit*>(QStringLiteral("deviceTypeText"))->text();
        whenVisible<CDataInputDlg>([editor](CDataInputDlg* d) {
            d->dataEdit()->setText(QStringLiteral("0"));
            button(d, "okButton")->click();
            QTimer::singleShot(0, editor, [editor] { button(editor, "okButton")->click(); });
        });
        button(editor, "modifyButton")->click();
    });
    view.onEditRomArea(Area::UserRom);
    QCOMPARE(deviceText, QStringLiteral("M30624FGFP"));
    QCOMPARE(t.session.state.images.user[0], std::uint8_t(0x00));
    QVERIFY(t.session.job.userRomChecksum != before);
    QCOMPARE(view.findChild<QLineEdit*>(QStringLiteral("userRomChecksumText"))->text(),
             QString::fromStdString(formatChecksum(*t.session.job.userRomChecksum)));
}

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
