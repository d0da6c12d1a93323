// The message-box bridge: boxes carry the program's caption and icon, a call
// on the GUI thread runs directly, and a worker's call waits for the user.
#include "plx71/qtui/qt_ui.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"
#include "plx71/testing/modal_windows.hpp"
#include "plx71/testing/ui_contract.hpp"

#include <QAbstractButton>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace plx71;
using namespace plx71::qtui;

class QtUiTest : public QObject {
    Q_OBJECT
private slots:
    void iconsMapToMessageBoxIcons();
    void guiThreadCallsRunDirectly();
    void workerWaitsForTheUserAndGetsTheAnswer();
    void workerMessageAppearsOverTheProgressDialog();
    void boxShowsTheArrowWhileTheProgramIsBusy();
    void keepsTheUiContract();
};

void QtUiTest::iconsMapToMessageBoxIcons()
{
    QCOMPARE(toMessageBoxIcon(Icon::Stop), QMessageBox::Critical);
    QCOMPARE(toMessageBoxIcon(Icon::Exclamation), QMessageBox::Warning);
    QCOMPARE(toMessageBoxIcon(Icon::Question), QMessageBox::Question);
    QCOMPARE(toMessageBoxIcon(Icon::Information), QMessageBox::Information);
}

void QtUiTest::guiThreadCallsRunDirectly()
{
    QtUi ui(QStringLiteral("plx"));
    QString seenCaption;
    QString seenText;
    int seenButtons = 0;
    QString seenDetail;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    // Answered from the modal loop the call itself runs.
    auto answer = [&](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [&, which] {
            QMessageBox* box = visibleMessageBox();
            QVERIFY(box);
            seenCaption = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenDetail = box->detailedText();
            seenButtons = box->buttons().size();
            box->button(which)->click();
        });
    };
    answer(QMessageBox::Cancel);
    QVERIFY(!ui.question(Icon::Exclamation, "Level1 protect enabled\nLoad continue ?"));
    QCOMPARE(seenCaption, QStringLiteral("plx"));
    QCOMPARE(seenText, QStringLiteral("Level1 protect enabled\nLoad continue ?"));
    QCOMPARE(seenIcon, QMessageBox::Warning);
    QCOMPARE(seenButtons, 2);

    answer(QMessageBox::Ok);
    ui.message(Icon::Stop, "File format error");
    QCOMPARE(seenIcon, QMessageBox::Critical);
    QCOMPARE(seenButtons, 1);
    QVERIFY(seenDetail.isEmpty());
}

void QtUiTest::workerWaitsForTheUserAndGetsTheAnswer()
{
    QtUi ui(QStringLiteral("plx"));
    std::atomic<bool> returned{false};
    std::atomic<bool> answer{true};
    std::thread worker([&] {
        answer = ui.question(Icon::Exclamation, "Level2 protect enabled\nLoad continue ?");
        returned = true;
    });
    // The box runs its own modal loop on this thread, so a timer answers it.
    QString caption;
    bool returnedWhileShown = true;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QMessageBox* box = visibleMessageBox()) {
            poll.stop();
            caption = box->windowTitle();
            returnedWhileShown = returned;
            box->button(QMessageBox::Cancel)->click();
        }
    });
    poll.start();
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 10000);
    worker.join();
    QCOMPARE(caption, QStringLiteral("plx"));
    QVERIFY(!returnedWhileShown);
    QVERIFY(!answer);
}

void QtUiTest::workerMessageAppearsOverTheProgressDialog()
{
    QtUi ui(QStringLiteral("plx"));
    ProgressCounters counters;
    std::atomic<bool> messageReturned{false};
    QWidget* boxParent = nullptr;
    bool dialogOpenWhileBoxShown = false;
    TransferProgressDialog dialog(QStringLiteral("Downloading...   PC -> PLX-71RD"), QString(), counters, 100, [&] {
        ui.message(Icon::Stop, "Communication error between PLX-71RD");
        messageReturned = true;
        counters.abort();
    });
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QMessageBox* box = visibleMessageBox()) {
            poll.stop();
            boxParent = box->parentWidget();
            dialogOpenWhileBoxShown = dialog.isVisible() && !messageReturned;
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start();
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(messageReturned);
    QVERIFY(dialogOpenWhileBoxShown);
    QCOMPARE(boxParent, static_cast<QWidget*>(&dialog));
}

void QtUiTest::boxShowsTheArrowWhileTheProgramIsBusy()
{
    // A command that shows the busy cursor and then reports: the box gets the
    // ordinary arrow, and the busy cursor is back once it is answered.
    QtUi ui(QStringLiteral("plx"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int shapeWhileShown = -1;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = visibleMessageBox();
        QVERIFY(box);
        if (const QCursor* c = QApplication::overrideCursor())
            shapeWhileShown = int(c->shape());
        box->button(QMessageBox::Ok)->click();
    });
    ui.message(Icon::Stop, "File format error");
    QCOMPARE(shapeWhileShown, int(Qt::ArrowCursor));
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    QVERIFY(!QApplication::overrideCursor());

    // Without a busy cursor a box sets none.
    QTimer::singleShot(0, [&] {
        shapeWhileShown = QApplication::overrideCursor() ? int(QApplication::overrideCursor()->shape()) : -1;
        if (QMessageBox* box = visibleMessageBox())
            box->button(QMessageBox::Ok)->click();
    });
    ui.message(Icon::Stop, "File format error");
    QCOMPARE(shapeWhileShown, -1);
}

// A person who reads every box and presses its default button (OK); the
// reason of a message is the box's detailed text.
struct QtUiRig : test::UiRig {
    QtUiRig()
    {
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (QMessageBox* box = visibleMessageBox()) {
                seen += (box->text() + QLatin1Char('\n') + box->detailedText() + QLatin1Char('\n')).toStdString();
                box->defaultButton()->click();
            }
        });
        watch.start();
    }
    Ui& ui() override { return qt; }
    std::string shown() override { return seen; }
    bool defaultAnswer() const override { return true; }
    void pump() override { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

    QtUi qt{QStringLiteral("plx")};
    QTimer watch;
    std::string seen;
};

void QtUiTest::keepsTheUiContract()
{
    const std::string broken = test::checkUiContract([] { return std::make_unique<QtUiRig>(); });
    QVERIFY2(broken.empty(), broken.c_str());
}

QTEST_MAIN(QtUiTest)
#include "qt_ui_test.moc"
