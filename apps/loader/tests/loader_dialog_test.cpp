// The loader's window without the writer box: its controls and their first
// values, the About entry, "Select..." with good and refused firmware files,
// and the one-copy rule of the program.
#include "loader_test_support.hpp"

#include "loader_about_dlg.hpp"
#include "loader_app.hpp"
#include "loading_dlg.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/qtui/single_instance.hpp"
#include "plx71/testing/dialog_sink_rig.hpp"
#include "plx71/testing/modal_windows.hpp"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>

using namespace plx71;
using namespace plx71::test;

class LoaderDialogTest : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheTemplatesControlsAndFirstValues();
    void everyControlHasANameAndAnAccessibleName();
    void aboutEntryOpensTheAboutBox();
    void goodFirmwareFileEnablesDownload();
    void refusedFilesClearTheFileFieldsAndDisableDownload();
    void secondCopyIsRefusedWhileTheWriterProgramMayRun();
    void programEndsWhenTheDialogCloses();
    void loadingSinkKeepsTheProgressSinkContract();
};

void LoaderDialogTest::windowShowsTheTemplatesControlsAndFirstValues()
{
    LoaderWorld w;
    QVERIFY(w.started);
    QCOMPARE(w.dialog->windowTitle(), QStringLiteral("PLX-71RD Firmware Down Loader Ver1.30 2001/12"));
    QVERIFY(!w.dialog->windowIcon().isNull());

    for (const char* name : {"fileText", "fileVersionText", "firmVersionText", "bootVersionText", "statusText"}) {
        QLineEdit* e = w.edit(name);
        QVERIFY2(e, name);
        QVERIFY2(e->isReadOnly(), name);
        QVERIFY2(e->text().isEmpty(), name);
    }
    QVERIFY(!w.button("downloadButton")->isEnabled());
    for (const char* name : {"selectButton", "readVersionButton", "exitButton"})
        QVERIFY2(w.button(name)->isEnabled(), name);

    QComboBox* port = w.combo("portIndex");
    QComboBox* baud = w.combo("baudIndex");
    QCOMPARE(port->count(), 4);
    QCOMPARE(port->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(port->itemText(3), QStringLiteral("COM4"));
    QCOMPARE(port->currentIndex(), 0);
    const QStringList rates{QStringLiteral("9600"), QStringLiteral("19.2K"), QStringLiteral("38.4K"),
                            QStringLiteral("57.6K"), QStringLiteral("115.2K")};
    QCOMPARE(baud->count(), rates.size());
    for (int i = 0; i < rates.size(); ++i)
        QCOMPARE(baud->itemText(i), rates[i]);
    QCOMPARE(baud->currentText(), QStringLiteral("115.2K"));
    QVERIFY(w.dialog->boxTarget() == (BoxTarget{PortChoice::com(0), LinkRate::Bps115200}));
    QVERIFY(!w.session.writerConnected());

    // The dialog's arrangement: the group boxes in order, each button on the
    // row of the field it belongs to, the mnemonic labels bound to their lists.
    auto* firmware = w.child<QGroupBox>("firmwareGroup");
    auto* communication = w.child<QGroupBox>("communicationGroup");
    QCOMPARE(firmware->title(), QStringLiteral("Firmware"));
    QCOMPARE(communication->title(), QStringLiteral("Communication Settings"));
    QVERIFY(firmware->geometry().bottom() < communication->geometry().top());
    auto sameRow = [](QWidget* a, QWidget* b) {
        return std::abs(a->geometry().center().y() - b->geometry().center().y()) <= 4;
    };
    QVERIFY(sameRow(w.edit("fileText"), w.button("selectButton")));
    QVERIFY(sameRow(w.edit("firmVersionText"), w.button("readVersionButton")));
    QVERIFY(sameRow(w.edit("statusText"), w.button("downloadButton")));
    QVERIFY(w.edit("fileText")->geometry().top() < w.edit("fileVersionText")->geometry().top());
    QVERIFY(w.edit("bootVersionText")->geometry().top() < w.edit("statusText")->geometry().top());
    QVERIFY(w.edit("fileText")->width() > w.edit("fileVersionText")->width());
    QVERIFY(w.button("exitButton")->mapTo(w.dialog.get(), QPoint(0, 0)).x() > communication->geometry().right());
    int mnemonics = 0;
    for (QLabel* label : w.dialog->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("&Serial Port :")) {
            QCOMPARE(label->buddy(), static_cast<QWidget*>(port));
            ++mnemonics;
        } else if (label->text() == QStringLiteral("&Baud Rate :")) {
            QCOMPARE(label->buddy(), static_cast<QWidget*>(baud));
            ++mnemonics;
        }
    }
    QCOMPARE(mnemonics, 2);
}

void LoaderDialogTest::everyControlHasANameAndAnAccessibleName()
{
    LoaderWorld w;
    const std::vector<std::pair<const char*, const char*>> expected{
        {"fileText", "File :"},
        {"fileVersionText", "File Version :"},
        {"firmVersionText", "Firm Version :"},
        {"bootVersionText", "Boot Version :"},
        {"statusText", "Status :"},
        {"selectButton", "Select..."},
        {"readVersionButton", "Read Version"},
        {"downloadButton", "Download"},
        {"exitButton", "Exit"},
        {"portIndex", "Serial Port :"},
        {"baudIndex", "Baud Rate :"},
    };
    for (const auto& [name, accessible] : expected) {
        auto* widget = w.child<QWidget>(name);
        QVERIFY2(widget, name);
        QCOMPARE(widget->accessibleName(), QString::fromLatin1(accessible));
        // (On Linux a combo box's accessible name is its current item; its
        // label reaches assistive tools through the buddy relation.)
        if (qobject_cast<QComboBox*>(widget))
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY2(iface, name);
        QCOMPARE(iface->text(QAccessible::Name), QString::fromLatin1(accessible));
    }
    // Nothing the user can reach is left without a name.
    for (QWidget* widget : w.dialog->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPushButton*>(widget)
            || qobject_cast<QComboBox*>(widget)) {
            if (qobject_cast<QComboBox*>(widget->parentWidget()))
                continue; // a combo box's own inner parts
            QVERIFY2(!widget->objectName().isEmpty(), qPrintable(widget->accessibleName()));
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
        }
    }
}

void LoaderDialogTest::aboutEntryOpensTheAboutBox()
{
    LoaderWorld w;
    QAction* about = w.dialog->aboutAction();
    QVERIFY(about);
    QCOMPARE(about->text(), QStringLiteral("&About RmqLdr..."));
#ifndef Q_OS_WIN
    // No system menu here: the entry is in the dialog's context menu.
    QCOMPARE(w.dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(w.dialog->actions().contains(about));
#endif
    QString title;
    QStringList lines;
    bool hadIcon = false;
    qtui::whenVisible<CLoaderAboutDlg>([&](CLoaderAboutDlg* box) {
        title = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull())
                hadIcon = true;
            else
                lines << label->text();
        }
        box->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    about->trigger(); // returns when the box was closed with OK
    QCOMPARE(title, QStringLiteral("About RmqLdr"));
    QVERIFY(hadIcon);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QStringLiteral("RmqLdr Version 1.0"));
    QVERIFY(!lines.at(1).isEmpty());
    QVERIFY(qtui::visibleTopLevel<CLoaderAboutDlg>() == nullptr);
}

void LoaderDialogTest::goodFirmwareFileEnablesDownload()
{
    LoaderWorld w;
    const QString path = w.goodFirmware();
    w.select(path);
    QCOMPARE(w.fileDialogRuns, 1);
    QCOMPARE(w.lastRequest.title, QStringLiteral("Firmware Load"));
    QCOMPARE(w.lastRequest.filter, QStringLiteral("Program file (*.hex)"));
    QCOMPARE(w.lastRequest.defaultSuffix, QStringLiteral("hex"));
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("fileText"), QDir::toNativeSeparators(path));
    QCOMPARE(w.text("fileVersionText"), QStringLiteral("V1.31 2002/03/15"));
    QVERIFY(w.button("downloadButton")->isEnabled());
    QVERIFY(w.session.firmware.has_value());
    QCOMPARE(w.session.firmware->image.firstAddress, 0xC1000u);
    QCOMPARE(w.session.firmware->image.bytes[0x800], std::uint8_t(0xFF)); // the gap stays blank

    // Cancelling the file dialog keeps the file and Download.
    w.select(QString());
    QCOMPARE(w.fileDialogRuns, 2);
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("fileText"), QDir::toNativeSeparators(path));
    QCOMPARE(w.text("fileVersionText"), QStringLiteral("V1.31 2002/03/15"));
    QVERIFY(w.button("downloadButton")->isEnabled());
    QVERIFY(w.session.firmware.has_value());

    // Selecting changes nothing on the line.
    QVERIFY(w.sim.receivedCommands().empty());
}

void LoaderDialogTest::refusedFilesClearTheFileFieldsAndDisableDownload()
{
    LoaderWorld w;
    const QString good = w.goodFirmware();
    auto expectRefused = [&](const QString& path, std::string_view message) {
        w.select(good);
        QVERIFY(w.button("downloadButton")->isEnabled());
        w.ui.clear();
        w.select(path);
        const auto messages = w.ui.messages();
        QVERIFY2(messages.size() == 1, qPrintable(path));
        QCOMPARE(messages[0].text, std::string(message));
        QCOMPARE(messages[0].icon, Icon::Stop);
        QVERIFY(w.text("fileText").isEmpty());
        QVERIFY(w.text("fileVersionText").isEmpty());
        QVERIFY(!w.button("downloadButton")->isEnabled());
        QVERIFY(!w.session.firmware.has_value());
    };

    // Data just below the firmware area.
    std::vector<std::uint8_t> head = bytesOf("V1.30 2001/12/25");
    const QString below =
        w.writeFile(QStringLiteral("below.hex"), intelHex({{0xC1000, head}, {0xC0FF0, pattern(16, 1)}}));
    expectRefused(below, msg::kInvalidAddressIncluded);

    // Data from 0xC1100 on: the header place reads 0xFF.
    head.resize(0x100, 0x20);
    const QString late = w.writeFile(QStringLiteral("late.hex"), intelHex({{0xC1100, head}}));
    expectRefused(late, msg::kFileFormatError);

    // A header of the wrong shape (no '/' at offset 10).
    const QString shape = w.writeFile(QStringLiteral("shape.hex"), intelHex({{0xC1000, bytesOf("V1.30 2001-12/25")}}));
    expectRefused(shape, msg::kFileFormatError);

    // A data record cut short of what its count promises.
    std::string broken = intelHex({{0xC1000, bytesOf("V1.30 2001/12/25")}});
    broken.erase(broken.find("\r\n:10") + 20, 12);
    expectRefused(w.writeFile(QStringLiteral("broken.hex"), broken), msg::kFileFormatError);

    // A file that has gone.
    expectRefused(w.dir.filePath(QStringLiteral("missing.hex")), msg::kFileNotFound);

    // Download stays dead: pressing it sends nothing.
    w.button("downloadButton")->click();
    QVERIFY(w.sim.receivedCommands().empty());
    QVERIFY(w.text("statusText").isEmpty());
}

void LoaderDialogTest::secondCopyIsRefusedWhileTheWriterProgramMayRun()
{
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString loaderName = QStringLiteral("Plx71Ldr_test_") + pid;
    const QString writerName = QStringLiteral("PLX71RD_test_") + pid;

    // The writer control program holds its own lock: the loader still starts.
    qtui::SingleInstance writer(writerName);
    QVERIFY(writer.acquire());

    RecordingUi firstUi;
    CLoaderApp first(LoaderAppOptions{loaderName, &firstUi, {}});
    QVERIFY(first.initInstance());
    QVERIFY(first.mainDialog());
    QVERIFY(firstUi.messages().empty());

    RecordingUi secondUi;
    CLoaderApp second(LoaderAppOptions{loaderName, &secondUi, {}});
    QVERIFY(!second.initInstance());
    QVERIFY(second.mainDialog() == nullptr);
    const auto messages = secondUi.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, std::string(msg::kLoaderAlreadyStarted));
    QCOMPARE(messages[0].icon, Icon::Stop);
    second.exitInstance();

    // The running copy is untouched and keeps its lock until it ends.
    QVERIFY(first.mainDialog());
    RecordingUi thirdUi;
    CLoaderApp third(LoaderAppOptions{loaderName, &thirdUi, {}});
    QVERIFY(!third.initInstance());
    first.exitInstance();
    QVERIFY(third.initInstance());
    QVERIFY(third.mainDialog());

    // By default the lock is named after the executable.
    CLoaderApp plain(LoaderAppOptions{{}, &thirdUi, {}});
    QCOMPARE(plain.instanceName(), qtui::SingleInstance::executableBaseName());
}

void LoaderDialogTest::programEndsWhenTheDialogCloses()
{
    RecordingUi ui;
    CLoaderApp app(LoaderAppOptions{
        QStringLiteral("Plx71Ldr_run_") + QString::number(QCoreApplication::applicationPid()), &ui, {}});
    QVERIFY(app.initInstance());
    bool pressed = false;
    QTimer::singleShot(0, app.mainDialog(), [&] {
        QTRY_VERIFY_WITH_TIMEOUT(app.mainDialog()->isVisible(), 5000);
        QTest::keyClick(app.mainDialog(), Qt::Key_Escape);
        pressed = true;
    });
    QCOMPARE(app.run(), 0); // returns once Esc closed the dialog
    QVERIFY(pressed);
    QVERIFY(!app.mainDialog()->isVisible());
    QVERIFY(ui.messages().empty());
}

void LoaderDialogTest::loadingSinkKeepsTheProgressSinkContract()
{
    const std::string broken = checkProgressSinkContract([] { return std::make_unique<DialogSinkRig<LoadingSink>>(); });
    QVERIFY2(broken.empty(), broken.c_str());
}

QTEST_MAIN(LoaderDialogTest)
#include "loader_dialog_test.moc"
