// PLX71RD's form against a writer box on COM1, reached through the operating
// system's serial port (under Wine: the software writer box's
// pseudo-terminal, mapped in the prefix's port registry; see
// scripts/windows/wine_gui_check.sh). Run from the top of the source tree: the
// example project is copied into a folder whose name is not ASCII, opened,
// downloaded with the read-back on, then uploaded into a freshly started
// program and saved under a name that is not ASCII either.
#include "main_frame.hpp"
#include "plx_app.hpp"
#include "plx_view.hpp"

#include "plx71/testing/recording_ui.hpp"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace plx71;

namespace {

// The link's own time-outs end an operation well inside this.
constexpr int kLinkRestsMs = 30000;

const QString kFolder = QStringLiteral("Prüfling µC 测试");
const QString kProject = QStringLiteral("Demo_Проект.pxp");
const QString kUploaded = QStringLiteral("Ergebnis_テスト.pxp");

// The writer program as it starts on this machine: the device table beside
// the executable, COM1, messages recorded, file dialogs answered from a list.
struct Program {
    explicit Program(const QString& preferencesFile)
    {
        AppOptions o;
        o.instanceName = QStringLiteral("plx71_writer_com1_test");
        o.ui = &ui;
        o.preferencesFile = preferencesFile;
        o.choosers.chooseFile = [this](QWidget*, const FileDialogRequest&) {
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        app = std::make_unique<CPlxApp>(o);
        started = app->initInstance();
    }
    ~Program() { app->exitInstance(); }

    CPlxView* view() const { return app->mainFrame()->view(); }
    QString text(const char* name) const { return view()->findChild<QLineEdit*>(QLatin1String(name))->text(); }
    QPushButton* button(const char* name) const { return view()->findChild<QPushButton*>(QLatin1String(name)); }
    bool linkRests()
    {
        return QTest::qWaitFor([this] { return !app->session().box.connected(); }, kLinkRestsMs);
    }
    QString messages() const
    {
        QStringList out;
        for (const std::string& t : ui.texts())
            out << QString::fromStdString(t);
        return out.join(QStringLiteral(" | "));
    }

    RecordingUi ui;
    QStringList answers;
    std::unique_ptr<CPlxApp> app;
    bool started = false;
};

} // namespace

class WriterCom1Test : public QObject {
    Q_OBJECT
private slots:
    void downloadWithReadBackThenUploadIntoANewProject();
};

void WriterCom1Test::downloadWithReadBackThenUploadIntoANewProject()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(kFolder));
    const QDir folder(dir.filePath(kFolder));
    const QDir examples(QDir::current().filePath(QStringLiteral("examples")));
    for (const char* name : {"user_program.hex", "boot_update.btp"})
        QVERIFY(QFile::copy(examples.filePath(QLatin1String(name)), folder.filePath(QLatin1String(name))));
    QVERIFY(QFile::copy(examples.filePath(QStringLiteral("demo_project.pxp")), folder.filePath(kProject)));
    const QString preferences = dir.filePath(QStringLiteral("preferences.ini"));

    {
        Program p(preferences);
        QVERIFY(p.started);
        p.answers << folder.filePath(kProject);
        p.app->mainFrame()->openAction()->trigger();
        QVERIFY2(p.ui.messages().empty(), qPrintable(p.messages()));
        QCOMPARE(p.text("userRomChecksumText"), QStringLiteral("28D9"));
        QCOMPARE(p.text("bootRomChecksumText"), QStringLiteral("7EB0"));

        QAction* verify = p.app->mainFrame()->verifyAfterDownloadAction();
        if (!verify->isChecked())
            verify->trigger();
        QVERIFY(verify->isChecked());
        QVERIFY(p.button("downloadButton")->isEnabled());
        p.button("downloadButton")->click(); // returns once its dialogs closed
        QVERIFY2(p.ui.messages().empty(), qPrintable(p.messages()));
        QVERIFY(p.linkRests());
        QCOMPARE(p.app->mainFrame()->statusBar()->currentMessage(), QStringLiteral("Download verified"));
    }

    // The program again, its form empty: the box's job comes back into it.
    Program p(preferences);
    QVERIFY(p.started);
    QVERIFY(p.text("userRomChecksumText").isEmpty());
    p.button("uploadButton")->click();
    QVERIFY2(p.ui.messages().empty(), qPrintable(p.messages()));
    QVERIFY(p.linkRests());
    QCOMPARE(p.view()->findChild<QComboBox*>(QStringLiteral("deviceCombo"))->currentText(),
             QStringLiteral("M30624FGFP"));
    QCOMPARE(p.text("userRomChecksumText"), QStringLiteral("28D9"));
    QCOMPARE(p.text("bootRomChecksumText"), QStringLiteral("7EB0"));

    p.answers << folder.filePath(kUploaded);
    p.app->mainFrame()->saveAsAction()->trigger();
    QVERIFY2(p.ui.messages().empty(), qPrintable(p.messages()));
    QVERIFY(QFile::exists(folder.filePath(kUploaded)));
}

QTEST_MAIN(WriterCom1Test)
#include "writer_com1_test.moc"
