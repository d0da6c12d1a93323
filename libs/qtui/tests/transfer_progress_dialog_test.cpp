// The progress dialog: it ends only when the worker ends, Cancel / Esc / the
// close box only set the abort mark, and the result follows the mark.
#include "plx71/qtui/transfer_progress_dialog.hpp"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace plx71;
using namespace plx71::qtui;

namespace {

// Waits on the worker side for a condition set by the test, with a deadline
// so a broken test ends instead of hanging.
bool waitFor(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

class TransferProgressDialogTest : public QObject {
    Q_OBJECT
private slots:
    void completedTransferIsAcceptedWithAFullBar();
    void cancelOnlySetsTheMarkUntilTheWorkerEnds();
    void escapeAndCloseBoxOnlySetTheMark();
    void failingWorkerEndsRejected();
    void aLongPathKeepsTheDialogNarrow();
};

void TransferProgressDialogTest::completedTransferIsAcceptedWithAFullBar()
{
    ProgressCounters counters;
    const std::int32_t total = 0x40000; // beyond 16 bits
    TransferProgressDialog dialog(QStringLiteral("Uploading...  PLX-71RD -> PC"), QString(), counters, total, [&] {
        while (counters.running())
            counters.advance(256);
    });
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Uploading...  PLX-71RD -> PC"));
    QVERIFY(dialog.findChild<QLabel*>() == nullptr);
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(counters.done(), total);
    QCOMPARE(dialog.progressBar()->maximum(), total);
    QCOMPARE(dialog.progressBar()->value(), total);
}

void TransferProgressDialogTest::cancelOnlySetsTheMarkUntilTheWorkerEnds()
{
    ProgressCounters counters;
    std::atomic<bool> release{false};
    std::atomic<bool> sawAbort{false};
    TransferProgressDialog dialog(QStringLiteral("Downloading...   PC -> PLX-71RD"),
                                  QStringLiteral("C:\\data\\user.hex"), counters, 1000, [&] {
                                      counters.advance(100);
                                      sawAbort = waitFor([&] { return counters.aborted(); });
                                      waitFor([&] { return release.load(); });
                                  });
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("transferText"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("C:\\data\\user.hex"));

    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.progressBar()->value(), 100, 5000); // the timer copies done
    dialog.cancelButton()->click();
    dialog.cancelButton()->click();
    QCOMPARE(counters.done(), 1000 + kAbortMargin);
    QTRY_VERIFY_WITH_TIMEOUT(sawAbort.load(), 5000);
    QCoreApplication::processEvents();
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);

    release = true;
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(counters.done(), 1000 + kAbortMargin);
}

void TransferProgressDialogTest::escapeAndCloseBoxOnlySetTheMark()
{
    ProgressCounters counters;
    std::atomic<bool> release{false};
    TransferProgressDialog dialog(QStringLiteral("Saving..."), QStringLiteral("out.mot"), counters, 50, [&] {
        waitFor([&] { return release.load(); });
        counters.advance(50); // a save worker ignores the mark and finishes
    });
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(counters.aborted());
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    QCOMPARE(finished.count(), 0);
    release = true;
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
}

void TransferProgressDialogTest::failingWorkerEndsRejected()
{
    // The dialog can run again: the counters start afresh.
    ProgressCounters counters;
    QVERIFY(!runTransferDialog(QStringLiteral("Loading..."), QString(), counters, 10, [&] { counters.abort(); }));
    QVERIFY(runTransferDialog(QStringLiteral("Loading..."), QString(), counters, 10, [&] { counters.advance(10); }));
    QCOMPARE(counters.done(), 10);
}

void TransferProgressDialogTest::aLongPathKeepsTheDialogNarrow()
{
    // A path of 255 characters must not stretch the dialog (and its Cancel
    // button) beyond the screen; the label still holds the whole path.
    ProgressCounters counters;
    const QString shortPath = QStringLiteral("C:\\data\\user.hex");
    const QString longPath = QStringLiteral("C:\\") + QString(240, QLatin1Char('d')) + QStringLiteral("\\user.hex");
    TransferProgressDialog narrow(QStringLiteral("Saving..."), shortPath, counters, 10, [] {});
    TransferProgressDialog wide(QStringLiteral("Saving..."), longPath, counters, 10, [] {});
    QVERIFY(wide.sizeHint().width() <= 700);
    QVERIFY(wide.minimumSizeHint().width() <= narrow.sizeHint().width());
    auto* label = wide.findChild<QLabel*>(QStringLiteral("transferText"));
    QVERIFY(label);
    QCOMPARE(label->text(), longPath);
    QCOMPARE(label->toolTip(), longPath);
}

QTEST_MAIN(TransferProgressDialogTest)
#include "transfer_progress_dialog_test.moc"
