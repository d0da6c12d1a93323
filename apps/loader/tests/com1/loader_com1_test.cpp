// Plx71Ldr's dialog against a writer box on COM1, reached through the
// operating system's serial port (under Wine: the software writer box's
// pseudo-terminal, mapped in the prefix's port registry; see
// scripts/windows/wine_gui_check.sh). Run from the top of the source tree: Read
// Version, then the example firmware, copied into a folder whose name is
// not ASCII, goes into the box.
#include "loader_dlg.hpp"
#include "loader_session.hpp"

#include "plx71/testing/recording_ui.hpp"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace plx71;

namespace {

// The link's own time-outs end an operation well inside this.
constexpr int kLinkRestsMs = 30000;

} // namespace

class LoaderCom1Test : public QObject {
    Q_OBJECT
private slots:
    void readVersionThenFirmwareDownload();
};

void LoaderCom1Test::readVersionThenFirmwareDownload()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("Прошивка µC 固件"));
    QVERIFY(QDir().mkpath(folder));
    const QString firmware = QDir(folder).filePath(QStringLiteral("firmware_v131.hex"));
    QVERIFY(QFile::copy(QDir::current().filePath(QStringLiteral("examples/firmware_v131.hex")), firmware));

    RecordingUi ui;
    LoaderSession session(ui);
    QStringList answers{firmware};
    session.chooseFile = [&answers](QWidget*, const FileDialogRequest&) {
        return answers.isEmpty() ? QString() : answers.takeFirst();
    };
    CLoaderDlg dialog(session);
    dialog.show();
    auto text = [&dialog](const char* name) { return dialog.findChild<QLineEdit*>(QLatin1String(name))->text(); };
    auto button = [&dialog](const char* name) { return dialog.findChild<QPushButton*>(QLatin1String(name)); };
    auto linkRests = [&session] { return QTest::qWaitFor([&] { return !session.box.connected(); }, kLinkRestsMs); };
    auto messages = [&ui] {
        QStringList out;
        for (const std::string& t : ui.texts())
            out << QString::fromStdString(t);
        return out.join(QStringLiteral(" | "));
    };

    button("readVersionButton")->click();
    QVERIFY2(ui.messages().empty(), qPrintable(messages()));
    QVERIFY(linkRests());
    QVERIFY(!text("firmVersionText").isEmpty());
    QVERIFY(!text("bootVersionText").isEmpty());

    button("selectButton")->click();
    QVERIFY2(ui.messages().empty(), qPrintable(messages()));
    QCOMPARE(text("fileVersionText"), QStringLiteral("V1.31 2002/03/15"));
    QVERIFY(button("downloadButton")->isEnabled());
    button("downloadButton")->click(); // returns once the "Loading..." dialog closed
    QVERIFY2(ui.messages().empty(), qPrintable(messages()));
    QVERIFY(linkRests());
    QCOMPARE(text("statusText"), QStringLiteral("Complete"));
    // What the box reports after the load: the new firmware's own header.
    QCOMPARE(text("firmVersionText"), QStringLiteral("V1.31 2002/03/15"));
}

QTEST_MAIN(LoaderCom1Test)
#include "loader_com1_test.moc"
