// Project > "Verify after Download" and "Production Record..." against the
// software writer box: the read-back under its own dialog, the status bar
// note, a mismatch named by its address, the record line of each job.
#include "writer_sim_support.hpp"

#include "plx71/messages/message_texts.hpp"

#include <QAction>
#include <QFile>
#include <QStatusBar>

using namespace plx71;
using namespace plx71::test;

class VerifySimTest : public QObject {
    Q_OBJECT
private slots:
    void menuEntriesTurnOnTheReadBackAndTheRecord();
    void noSecondBoxOperationStartsWhileOneRuns();
};

namespace {

QStringList recordLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The first device, block 1 alone (a short job) and a patterned User ROM file.
void chooseBlockOneJob(WriterSimWorld& w)
{
    w.chooseDevice(0);
    w.child<QRadioButton>("operationBlockBlock")->click();
    w.edit("operationBlockList")->setText(QStringLiteral("1"));
    w.selectUserRom(w.writeData(QStringLiteral("user.hex"), 0, Area::UserRom, pattern(0x40000, 5)));
}

} // namespace

void VerifySimTest::menuEntriesTurnOnTheReadBackAndTheRecord()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    QVERIFY(w.programStarted);
    chooseBlockOneJob(w);
    QVERIFY2(w.recording.messages().empty(), qPrintable(w.allTexts()));

    // The menu entries, kept in the preferences at once.
    QAction* verify = w.frame()->verifyAfterDownloadAction();
    QAction* record = w.frame()->productionRecordAction();
    QAction* skipBlank = w.frame()->skipBlankPagesAction();
    QVERIFY(verify->isCheckable() && !verify->isChecked());
    QVERIFY(skipBlank->isCheckable() && !skipBlank->isChecked());
    QVERIFY(!record->isChecked());
    verify->trigger();
    skipBlank->trigger();
    const QString productionRecordPath = w.dir.filePath(QStringLiteral("line.jsonl"));
    w.answers << productionRecordPath;
    record->trigger();
    QVERIFY(record->isChecked());
    const WriterPreferences kept = loadPreferences(w.session().preferencesFile);
    QVERIFY(kept.verifyAfterDownload);
    QVERIFY(kept.skipBlankPages);
    QCOMPARE(kept.productionRecordPath, productionRecordPath);

    // A verified download: its own dialog, silent, noted in the status bar.
    WindowWatch<CVerifyDlg> readBack;
    w.button("downloadButton")->click();
    QVERIFY2(w.recording.messages().empty(), qPrintable(w.allTexts()));
    QVERIFY(w.resting());
    QCOMPARE(readBack.timesSeen(), 1);
    QCOMPARE(w.frame()->statusBar()->currentMessage(), QStringLiteral("Download verified"));
    QCOMPARE(countCode(accepted(w.sim), CMD_READ_PAGE), std::size_t(32));
    QStringList lines = recordLines(productionRecordPath);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(QStringLiteral("\"outcome\":\"success\""))
                 && lines[0].contains(QStringLiteral("\"verified\":true")),
             qPrintable(lines[0]));

    // The box hands back a changed byte: a stop message naming its address,
    // no note, and the record says so too.
    w.sim.state()->box.faults().flipReads[0x0FA7] = 0x42;
    w.button("downloadButton")->click();
    QVERIFY(w.resting());
    const auto messages = w.recording.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].icon, Icon::Stop);
    QCOMPARE(messages[0].text, msg::verifyMismatchAt("0FA742"));
    QVERIFY(w.frame()->statusBar()->currentMessage().isEmpty());
    lines = recordLines(productionRecordPath);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[1].contains(QStringLiteral("\"outcome\":\"verify-mismatch\"")));
    w.sim.state()->box.faults().flipReads.erase(0x0FA7);

    // A record that cannot be written is a warning; the download stands.
    w.recording.clear();
    w.session().preferences.productionRecordPath = w.dir.filePath(QStringLiteral("no/such/folder/line.jsonl"));
    w.button("downloadButton")->click();
    QVERIFY(w.resting());
    QCOMPARE(w.recording.messages().size(), std::size_t(1));
    QCOMPARE(w.recording.messages()[0].icon, Icon::Exclamation);
    QCOMPARE(w.frame()->statusBar()->currentMessage(), QStringLiteral("Download verified"));

    // Cancelling the record choice turns the record off.
    w.answers << QString();
    record->trigger();
    QVERIFY(!record->isChecked());
    QVERIFY(loadPreferences(w.session().preferencesFile).productionRecordPath.isEmpty());
}

// Upload and the About query, triggered however a modal dialog lets them
// through, while the data phase and while the read-back run: their controls
// are disabled, and the triggers start nothing on the box.
void VerifySimTest::noSecondBoxOperationStartsWhileOneRuns()
{
    WriterSimWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());
    QVERIFY(w.programStarted);
    chooseBlockOneJob(w);
    w.frame()->verifyAfterDownloadAction()->trigger();

    int interruptions = 0;
    const auto interrupt = [&w, &interruptions](auto*) {
        QVERIFY(!w.button("downloadButton")->isEnabled());
        QVERIFY(!w.button("uploadButton")->isEnabled());
        QVERIFY(!w.frame()->aboutAction()->isEnabled());
        w.view()->onUpload();
        w.view()->onDownload();
        emit w.frame()->aboutRequested();
        ++interruptions;
    };
    WindowWatch<CDownloadDlg> dataPhase(interrupt);
    WindowWatch<CVerifyDlg> readBack(interrupt);
    w.button("downloadButton")->click();
    QVERIFY(w.resting());
    QCOMPARE(interruptions, 2);
    QVERIFY2(w.recording.messages().empty(), qPrintable(w.allTexts()));
    QCOMPARE(w.frame()->statusBar()->currentMessage(), QStringLiteral("Download verified"));
    // One connection only: the download's own.
    QCOMPARE(countCode(accepted(w.sim), CMD_READ_VERSIONS), std::size_t(1));
    QVERIFY(w.button("downloadButton")->isEnabled());
    QVERIFY(w.button("uploadButton")->isEnabled());
    QVERIFY(w.frame()->aboutAction()->isEnabled());
}

QTEST_MAIN(VerifySimTest)
#include "verify_sim_test.moc"
