// How the windows look: every control has a name for assistive tools, and
// in the main window, the editor and the dialogs no control is cut off,
// pushed out of its group or laid over another, with the longest texts the
// program puts into them. With PLX71_SCREENSHOT_DIR set the windows are also
// saved there as PNG files, for a look by eye.
#include "writer_test_support.hpp"

#include "about_dlg.hpp"
#include "address_input_dlg.hpp"
#include "data_input_dlg.hpp"
#include "main_frame.hpp"
#include "memory_clear_dlg.hpp"
#include "plx_view.hpp"
#include "rom_edit_dlg.hpp"
#include "save_file_dlg.hpp"
#include "saving_dlg.hpp"
#include "transfer_dialogs.hpp"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace plx71;

namespace {

// Parts of a composite control (a list's header and scroll bars, a combo's
// popup) are not controls of their own.
bool insideComposite(QWidget* w, QWidget* root)
{
    for (QWidget* p = w->parentWidget(); p && p != root; p = p->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p))
            return true;
    }
    return false;
}

// Qt's own helpers (a menu bar's overflow button) are not the program's.
bool isQtInternal(QWidget* w)
{
    return w->objectName().startsWith(QLatin1String("qt_"));
}

// Fields that show a path of any length; the user scrolls them.
bool showsAnyLength(QWidget* w)
{
    static const QStringList names{QStringLiteral("userRomFileName"), QStringLiteral("bootRomFileName"),
                                   QStringLiteral("programFileText")};
    return names.contains(w->objectName());
}

bool isControl(QWidget* w)
{
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)
        || qobject_cast<QAbstractItemView*>(w) || qobject_cast<QProgressBar*>(w) || qobject_cast<QAbstractSpinBox*>(w);
}

QString describe(QWidget* w)
{
    return QStringLiteral("%1 '%2' in %3")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), w->window()->objectName());
}

// The controls of `root` that have no accessible name.
QStringList unnamedControls(QWidget* root)
{
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (isControl(w) && !insideComposite(w, root) && !isQtInternal(w) && w->accessibleName().trimmed().isEmpty())
            out << describe(w);
    }
    return out;
}

// What the layout did wrong in `root`: controls smaller than they need,
// texts wider than their field, widgets outside their parent, siblings on
// top of each other.
QStringList layoutFaults(QWidget* root)
{
    QStringList out;
    QList<QWidget*> checked;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(root) || w->isWindow() || insideComposite(w, root))
            continue;
        const bool relevant = isControl(w) || qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w);
        if (!relevant)
            continue;
        checked << w;
        const QSize need = qobject_cast<QLabel*>(w) ? w->sizeHint() : w->minimumSizeHint();
        if (w->width() < need.width() || w->height() < need.height())
            out << QStringLiteral("%1 is %2x%3, needs %4x%5")
                       .arg(describe(w))
                       .arg(w->width())
                       .arg(w->height())
                       .arg(need.width())
                       .arg(need.height());
        if (auto* e = qobject_cast<QLineEdit*>(w); e && !e->text().isEmpty() && !showsAnyLength(e)) {
            // The frame and the edit's own margins take a few pixels.
            const int textWidth = e->fontMetrics().horizontalAdvance(e->text()) + 8;
            if (textWidth > e->width())
                out << QStringLiteral("%1 cuts '%2' (%3 of %4 px)")
                           .arg(describe(w), e->text())
                           .arg(e->width())
                           .arg(textWidth);
            if (e->fontMetrics().height() + 2 > e->height())
                out << QStringLiteral("%1 is lower than its font").arg(describe(w));
        }
        if (auto* table = qobject_cast<QTableWidget*>(w)) {
            // Every cell shows its whole text.
            for (int r = 0; r < table->rowCount(); ++r) {
                for (int c = 0; c < table->columnCount(); ++c) {
                    const QTableWidgetItem* item = table->item(r, c);
                    const int textWidth = item ? table->fontMetrics().horizontalAdvance(item->text()) + 6 : 0;
                    if (textWidth > table->columnWidth(c))
                        out << QStringLiteral("%1 cuts '%2' in column %3 (%4 of %5 px)")
                                   .arg(describe(w), item->text())
                                   .arg(c)
                                   .arg(table->columnWidth(c))
                                   .arg(textWidth);
                }
            }
        }
        if (QWidget* parent = w->parentWidget(); parent && !parent->rect().contains(w->geometry()))
            out << QStringLiteral("%1 lies outside its parent").arg(describe(w));
    }
    for (int i = 0; i < checked.size(); ++i) {
        for (int j = i + 1; j < checked.size(); ++j) {
            QWidget* a = checked[i];
            QWidget* b = checked[j];
            if (a->parentWidget() == b->parentWidget() && a->geometry().intersects(b->geometry()))
                out << QStringLiteral("%1 overlaps %2").arg(describe(a), describe(b));
        }
    }
    return out;
}

void showAndSettle(QWidget* w)
{
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCoreApplication::processEvents();
}

void maybeSaveScreenshot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("PLX71_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QVERIFY(w->grab().save(QDir(dir).filePath(name + QStringLiteral(".png"))));
}

// The form with the widest texts it can show: a 12 V device, a loaded file
// with level 2 protection, full ID and checksum fields.
void fillForm(test::TestSession& t, CPlxView* view)
{
    auto* combo = view->findChild<QComboBox*>(QStringLiteral("deviceCombo"));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    JobSettings& j = t.session.job;
    j.userRomFileName = "/home/user/projects/target-board/firmware/release/user_rom_image.hex";
    j.bootRomFileName = "/home/user/projects/target-board/firmware/release/boot_update.btp";
    j.dataIdCode = IdCode{0xDE, 0xAD, 0xBE, 0xEF, 0x88, 0x88, 0x88};
    j.checkIdText = "DE,AD,BE,EF,88,88,88";
    j.romProtectLevel = 2; // "Level 2 protect enabled"
    j.userRomChecksum = 0xBDBD;
    j.bootRomChecksum = 0xD0D0; // checksums are hexadecimal
    j.bootVersionText = "WWWWWWWW";
    j.operationBlockList = "0,2-4";
    j.lockBlockList = "0-2,4";
    view->showJob();
}

struct Windows {
    test::TestSession t;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CRomEditDlg> editor;
    std::vector<std::unique_ptr<QWidget>> dialogs;
    ProgressCounters counters;

    Windows()
    {
        frame = std::make_unique<CMainFrame>(t.session);
        frame->setWindowTitle(QStringLiteral("Plexon Writer PLX-71RD"));
        fillForm(t, frame->view());
        RomEditInfo info{QStringLiteral("M30620FCFP"), QString::fromStdString(t.session.job.userRomFileName),
                         QStringLiteral("User Rom"), QStringLiteral("0E0000-0FFFFF")};
        editor = std::make_unique<CRomEditDlg>(t.session, Area::UserRom, info);
        const AreaRange user = t.session.state.range(Area::UserRom);
        dialogs.push_back(std::make_unique<CAddressInputDlg>(t.ui, user));
        dialogs.push_back(std::make_unique<CDataInputDlg>(t.ui, user));
        dialogs.push_back(std::make_unique<CMemoryClearDlg>(t.ui, 6));
        dialogs.push_back(
            std::make_unique<CAboutDlg>(QStringLiteral("V1.30 2001/12/25"), QStringLiteral("V1.30 2001/12/25")));
        counters.start(0x1000); // as the box session starts them
        dialogs.push_back(
            std::make_unique<CDownloadDlg>(QString::fromStdString(t.session.job.userRomFileName), counters, [] {}));
        dialogs.push_back(std::make_unique<CUploadDlg>(counters, [] {}));
        SaveRequest request;
        request.data = t.session.state.images.user;
        request.areaStart = user.start;
        request.areaEnd = user.end;
        dialogs.push_back(std::make_unique<CSavingDlg>(t.ui, QStringLiteral("/tmp/saved.hex"), request));
    }
};

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAnAccessibleName();
    void nothingIsCutOffOrOverlaid();
    void theMainWindowResizesAndShortFieldsStayNarrow();
};

void LayoutTest::everyControlHasAnAccessibleName()
{
    Windows w;
    QStringList unnamed = unnamedControls(w.frame.get());
    unnamed << unnamedControls(w.editor.get());
    for (auto& d : w.dialogs)
        unnamed << unnamedControls(d.get());
    // Data Save: the field it adds to the standard dialog.
    CSaveFileDlg save(w.t.ui, Area::UserRom, w.t.session.state.range(Area::UserRom));
    unnamed << unnamedControls(save.findChild<QGroupBox*>(QStringLiteral("saveAddressGroup")));
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1Char('\n'))));

    // The walk does see the controls.
    QVERIFY(w.frame->findChildren<QLineEdit*>().size() >= 15);
    QVERIFY(w.editor->findChildren<QAbstractButton*>().size() >= 12);
}

void LayoutTest::nothingIsCutOffOrOverlaid()
{
    Windows w;
    showAndSettle(w.frame.get());
    QStringList faults = layoutFaults(w.frame.get());
    maybeSaveScreenshot(w.frame.get(), QStringLiteral("main_window"));
    // The voltages stand out: bold and larger than the other fields.
    auto* vcc = w.frame->findChild<QLineEdit*>(QStringLiteral("vccEdit"));
    auto* area = w.frame->findChild<QLineEdit*>(QStringLiteral("userRomAreaText"));
    QVERIFY(vcc->font().bold());
    QVERIFY(QFontInfo(vcc->font()).pixelSize() * 4 >= QFontInfo(area->font()).pixelSize() * 5);
    QCOMPARE(vcc->text(), QStringLiteral("3.3V"));
    QCOMPARE(w.frame->findChild<QLineEdit*>(QStringLiteral("vppEdit"))->text(), QStringLiteral("12.0V"));

    showAndSettle(w.editor.get());
    faults << layoutFaults(w.editor.get());
    maybeSaveScreenshot(w.editor.get(), QStringLiteral("editor"));
    for (auto& d : w.dialogs) {
        showAndSettle(d.get());
        faults << layoutFaults(d.get());
        maybeSaveScreenshot(d.get(),
                            QString::fromLatin1(d->metaObject()->className()).section(QStringLiteral("::"), -1)
                                + d->objectName());
        d->hide();
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

void LayoutTest::theMainWindowResizesAndShortFieldsStayNarrow()
{
    Windows w;
    CMainFrame* frame = w.frame.get();
    showAndSettle(frame);
    const QSize minimum = frame->minimumSize();
    QVERIFY(!minimum.isEmpty());
    QVERIFY(frame->maximumWidth() > minimum.width() && frame->maximumHeight() > minimum.height());
    // At its smallest the form still shows every control whole.
    frame->resize(minimum);
    QCoreApplication::processEvents();
    QStringList faults = layoutFaults(frame);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

    auto* fileName = frame->findChild<QLineEdit*>(QStringLiteral("userRomFileName"));
    const int fileNameWidth = fileName->width();
    frame->resize(minimum + QSize(300, 200));
    QCoreApplication::processEvents();
    QVERIFY(fileName->width() >= fileNameWidth + 250); // the file names take the room
    // Fields of a few characters keep their size, a small part of the
    // window, sized to their text ("0-4", "BDBD") rather than stretched.
    for (const char* name : {"blockRangeText", "vccEdit", "vppEdit", "userRomChecksumText", "bootRomChecksumText",
                             "userRomAreaText", "operationBlockList", "lockBlockList"}) {
        auto* e = frame->findChild<QLineEdit*>(QLatin1String(name));
        QVERIFY2(e->width() * 5 < minimum.width(), name);
    }
    for (const char* name : {"blockRangeText", "vccEdit", "vppEdit", "userRomChecksumText", "bootRomChecksumText"}) {
        auto* e = frame->findChild<QLineEdit*>(QLatin1String(name));
        const int textWidth = e->fontMetrics().horizontalAdvance(e->text());
        QVERIFY2(e->width() < std::max(2 * textWidth, minimum.width() / 12), name);
    }
    faults = layoutFaults(frame);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
