// Start-up and shut-down: one copy at a time, no window without the device
// table, the main window's title and menu, Help > About.
#include "writer_test_support.hpp"

#include "about_dlg.hpp"
#include "main_frame.hpp"
#include "plx_app.hpp"
#include "plx_view.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/box_session_access.hpp"
#include "plx71/testing/modal_windows.hpp"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using namespace plx71;

namespace {

QString tablePath()
{
    return QStringLiteral(PLX71_BINARY_DIR "/bin/plx71typ.tbl");
}

QString instanceName()
{
    return QStringLiteral("plx71_writer_startup_test_%1").arg(QCoreApplication::applicationPid());
}

AppOptions options(Ui& ui, const QString& table = tablePath())
{
    AppOptions o;
    o.instanceName = instanceName();
    o.deviceTablePath = table;
    o.ui = &ui;
    return o;
}

QStringList menuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithTitleMenuAndDeviceList();
    void secondCopyIsRefusedUntilTheFirstEnds();
    void missingDeviceTableStopsBeforeAnyWindow();
    void deviceTableCanBeNamedByTheEnvironment();
    void aboutShowsBothVersions();
    void projectOnTheCommandLineOpensLikeTheMenu();
};

void StartupTest::startsWithTitleMenuAndDeviceList()
{
    RecordingUi ui;
    CPlxApp app(options(ui));
    QVERIFY(app.initInstance());
    QVERIFY(ui.messages().empty());
    CMainFrame* frame = app.mainFrame();
    QVERIFY(frame && frame->isVisible());
    QCOMPARE(frame->windowTitle(), QStringLiteral("Plexon Writer PLX-71RD"));

    const QList<QAction*> menus = frame->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Project"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
    QCOMPARE(menus[2]->text(), QStringLiteral("&Help"));
    QCOMPARE(menuTexts(menus[0]->menu()),
             (QStringList{QStringLiteral("&Open...\tCtrl+O"), QStringLiteral("Save &As..."), QStringLiteral("-"),
                          QStringLiteral("&Verify after Download"), QStringLiteral("&Skip Blank Pages"),
                          QStringLiteral("Production &Record..."), QStringLiteral("-"), QStringLiteral("E&xit")}));
    QCOMPARE(menuTexts(menus[1]->menu()),
             (QStringList{QStringLiteral("&User Rom Area"), QStringLiteral("&Boot Rom Area")}));
    QCOMPARE(menuTexts(menus[2]->menu()), QStringList{QStringLiteral("&About PLX...")});
    QCOMPARE(frame->openAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

    auto* devices = frame->findChild<QComboBox*>(QStringLiteral("deviceCombo"));
    QVERIFY(devices);
    QCOMPARE(std::size_t(devices->count()), app.session().state.deviceTable.records.size());
    QVERIFY(devices->count() > 0);
    QCOMPARE(devices->itemText(0), QStringLiteral("M30624FGFP"));
    QCOMPARE(devices->currentIndex(), -1);
    QCOMPARE(app.session().controlProgramVersion, std::string("V1.30 2001/12/25"));
}

void StartupTest::secondCopyIsRefusedUntilTheFirstEnds()
{
    RecordingUi firstUi;
    CPlxApp first(options(firstUi));
    QVERIFY(first.initInstance());

    RecordingUi secondUi;
    CPlxApp second(options(secondUi));
    QVERIFY(!second.initInstance());
    QVERIFY(second.mainFrame() == nullptr);
    QCOMPARE(secondUi.messages(),
             (std::vector<RecordedMessage>{{Icon::Stop, std::string(msg::kWriterAlreadyStarted), false}}));
    // The first copy runs on untouched.
    QVERIFY(first.mainFrame()->isVisible());
    QVERIFY(firstUi.messages().empty());

    first.exitInstance();
    RecordingUi thirdUi;
    CPlxApp third(options(thirdUi));
    QVERIFY(third.initInstance());
    QVERIFY(thirdUi.messages().empty());
}

void StartupTest::missingDeviceTableStopsBeforeAnyWindow()
{
    QTemporaryDir dir;
    RecordingUi ui;
    {
        CPlxApp app(options(ui, dir.filePath(QStringLiteral("plx71typ.tbl"))));
        QVERIFY(!app.initInstance());
        QVERIFY(app.mainFrame() == nullptr);
        QCOMPARE(ui.messages(),
                 (std::vector<RecordedMessage>{{Icon::Stop, std::string(msg::kDeviceTableNotFound), false}}));
        app.exitInstance();
    }
    // The lock went with it.
    RecordingUi again;
    CPlxApp next(options(again));
    QVERIFY(next.initInstance());
}

void StartupTest::deviceTableCanBeNamedByTheEnvironment()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.tbl"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(test::kTableText);
    f.close();
    qputenv(kDeviceTableVariable, path.toLocal8Bit());
    RecordingUi ui;
    AppOptions o = options(ui, QString());
    CPlxApp app(o);
    QCOMPARE(app.deviceTablePath(), path);
    QVERIFY(app.initInstance());
    QCOMPARE(app.session().state.deviceTable.records.size(), std::size_t(4));
    qunsetenv(kDeviceTableVariable);
    QCOMPARE(app.deviceTablePath().endsWith(QStringLiteral("plx71typ.tbl")), true);
}

void StartupTest::aboutShowsBothVersions()
{
    RecordingUi ui;
    AppOptions o = options(ui);
    // COM3 leads nowhere: the query names the port it asked, and the
    // firmware text keeps the last good answer.
    qputenv("PLX71_COM3", QByteArray("/nonexistent/plx71-startup-com3"));
    CPlxApp app(o);
    test::linkOf(app.session().box).firmwareVersion = "V1.30 2001/11/01";
    QVERIFY(app.initInstance());
    // The port list's choice reaches the query without any other step.
    auto* port = app.mainFrame()->findChild<QComboBox*>(QStringLiteral("portSelection"));
    port->setCurrentIndex(2);
    emit port->activated(2);

    QString control;
    QString firmware;
    QString title;
    qtui::whenVisible<CAboutDlg>([&](CAboutDlg* about) {
        title = about->windowTitle();
        control = about->controlProgramEdit()->text();
        firmware = about->firmwareEdit()->text();
        about->accept();
    });
    app.mainFrame()->aboutAction()->trigger();
    qunsetenv("PLX71_COM3");
    QCOMPARE(ui.texts(), std::vector<std::string>{"COM3 cannot be used"});
    QCOMPARE(title, QStringLiteral("About PLX-71RD"));
    QCOMPARE(control, QStringLiteral("V1.30 2001/12/25"));
    QCOMPARE(firmware, QStringLiteral("V1.30 2001/11/01"));
}

void StartupTest::projectOnTheCommandLineOpensLikeTheMenu()
{
    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.pxp")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a project");
    bad.close();
    const QString before = QDir::currentPath();
    struct Case {
        QString folder, project, checksum;
        std::vector<std::string> texts;
    };
    // Relative names are taken from the current folder.
    for (const Case& c :
         {Case{QStringLiteral(PLX71_SOURCE_DIR "/examples"),
               QStringLiteral("demo_project.pxp"),
               QStringLiteral("28D9"),
               {}},
          Case{dir.path(), QStringLiteral("bad.pxp"), QString(), {std::string(msg::kFileFormatError)}}}) {
        QVERIFY(QDir::setCurrent(c.folder));
        RecordingUi ui;
        AppOptions o = options(ui);
        o.projectPath = c.project;
        CPlxApp app(o);
        QVERIFY(app.initInstance());
        QCOMPARE(ui.texts(), c.texts);
        QVERIFY(app.mainFrame()->isVisible());
        QCOMPARE(app.mainFrame()->findChild<QLineEdit*>(QStringLiteral("userRomChecksumText"))->text(), c.checksum);
    }
    QDir::setCurrent(before);
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
