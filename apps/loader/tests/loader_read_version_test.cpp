// "Read Version" and "Exit" against the software writer box: the versions
// with the box present, the fields emptied when it is silent or the port
// cannot be opened, and the box put back to 9600 bit/s when the dialog
// closes while the link is held.
#include "loader_test_support.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/box_session_access.hpp"

#include <QSignalSpy>

using namespace plx71;
using namespace plx71::test;

namespace {

constexpr std::uint8_t kSetRate = CMD_SET_LINK_RATE;
constexpr std::uint8_t kVersions = CMD_READ_VERSIONS;

} // namespace

class LoaderReadVersionTest : public QObject {
    Q_OBJECT
private slots:
    void versionsAreShownAndTheStatusCleared();
    void silentBoxEmptiesTheFieldsWithOneMessage();
    void unusablePortIsNamedInItsMessage();
    void exitReturnsAHeldLinkToRest();
};

void LoaderReadVersionTest::versionsAreShownAndTheStatusCleared()
{
    LoaderWorld w;
    QVERIFY2(w.started, w.sim.lastError().c_str());

    // A download that fails first leaves "Error" in the status field.
    w.select(w.goodFirmware());
    w.sim.state()->box.faults().silent = true;
    w.button("downloadButton")->click();
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.resting());
    w.sim.state()->box.faults().silent = false;
    w.sim.clearReceivedCommands();
    w.ui.clear();

    // Default choices: COM1, opened at 9600 and moved to 115200 for the query.
    w.button("readVersionButton")->click();
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("firmVersionText"), QStringLiteral("V1.30 2001/12/25"));
    QCOMPARE(w.text("bootVersionText"), QStringLiteral("BOOT V1.00 2001 "));
    QVERIFY(w.text("statusText").isEmpty());
    QVERIFY(w.resting());
    auto cmds = accepted(w.sim);
    QCOMPARE(codes(cmds), (std::vector<std::uint8_t>{kSetRate, kVersions, kSetRate}));
    QCOMPARE(cmds[0].rate, 9600);
    QCOMPARE(cmds[0].payload, (plx71sim::Bytes{5}));
    QCOMPARE(cmds[1].rate, 115200);
    QCOMPARE(cmds[2].payload, (plx71sim::Bytes{1}));
    QVERIFY(!w.session.writerConnected());

    // The rate list decides the query's rate.
    w.sim.clearReceivedCommands();
    w.combo("baudIndex")->setCurrentIndex(2); // 38.4K
    w.button("readVersionButton")->click();
    cmds = accepted(w.sim);
    QCOMPARE(codes(cmds), (std::vector<std::uint8_t>{kSetRate, kVersions, kSetRate}));
    QCOMPARE(cmds[0].payload, (plx71sim::Bytes{3}));
    QCOMPARE(cmds[1].rate, 38400);
    QCOMPARE(w.dialog->members().baudIndex, 2);
    QCOMPARE(w.text("firmVersionText"), QStringLiteral("V1.30 2001/12/25"));
    QVERIFY(w.resting());
}

void LoaderReadVersionTest::silentBoxEmptiesTheFieldsWithOneMessage()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.button("readVersionButton")->click();
    QCOMPARE(w.text("firmVersionText"), QStringLiteral("V1.30 2001/12/25"));

    w.sim.state()->box.faults().silent = true;
    w.button("readVersionButton")->click();
    const auto messages = w.ui.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, std::string(msg::kCommunicationError));
    QCOMPARE(messages[0].icon, Icon::Stop);
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(w.text("bootVersionText").isEmpty());
    QVERIFY(w.text("statusText").isEmpty());
    QVERIFY(!w.session.writerConnected());
    QVERIFY(w.sim.waitFor([&] { return w.sim.state()->portOpenCount == 0; }, 5s));

    // The box answers again: the next read works again.
    w.sim.state()->box.faults().silent = false;
    w.ui.clear();
    w.button("readVersionButton")->click();
    QVERIFY(w.ui.messages().empty());
    QCOMPARE(w.text("bootVersionText"), QStringLiteral("BOOT V1.00 2001 "));
    QVERIFY(w.resting());
}

void LoaderReadVersionTest::unusablePortIsNamedInItsMessage()
{
    LoaderWorld w;
    QVERIFY(w.started);
    w.button("readVersionButton")->click();
    QVERIFY(!w.text("firmVersionText").isEmpty());

    // COM2 leads nowhere.
    qputenv("PLX71_COM2", QByteArray("/nonexistent/plx71-loader-com2"));
    w.combo("portIndex")->setCurrentIndex(1);
    w.button("readVersionButton")->click();
    auto messages = w.ui.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, msg::portCannotBeUsed("COM2"));
    QCOMPARE(messages[0].icon, Icon::Stop);
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(w.text("bootVersionText").isEmpty());
    QVERIFY(w.text("statusText").isEmpty());
    QCOMPARE(w.dialog->boxTarget().port.comPortIndex, 1);

    // A port given as a device path is named by its path; Download says "Error".
    w.ui.clear();
    w.session.boxDevicePath = "/nonexistent/plx71-loader-port";
    w.select(w.goodFirmware());
    w.button("downloadButton")->click();
    messages = w.ui.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, msg::portCannotBeUsed("/nonexistent/plx71-loader-port"));
    QCOMPARE(w.text("statusText"), QStringLiteral("Error"));
    QVERIFY(w.text("firmVersionText").isEmpty());
    QVERIFY(w.sim.receivedCommands().size() == 3); // only the first, good read reached the box
    qunsetenv("PLX71_COM2");
}

void LoaderReadVersionTest::exitReturnsAHeldLinkToRest()
{
    // Nothing held: Exit closes without a word to the box.
    {
        LoaderWorld w;
        QVERIFY(w.started);
        QSignalSpy finished(w.dialog.get(), &QDialog::finished);
        w.button("exitButton")->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QVERIFY(w.sim.receivedCommands().empty());
    }
    // The link held at 115200 bit/s: Exit, Esc and the close box each put
    // the box back to 9600 bit/s and close the port first.
    for (int way = 0; way < 3; ++way) {
        LoaderWorld w;
        QVERIFY(w.started);
        BoxLink& link = test::linkOf(w.session.box);
        QVERIFY(connectWriter(link));
        QVERIFY(switchLinkRate(link, LinkRate::Bps115200));
        QCOMPARE(w.sim.state()->box.rate(), 115200);
        QVERIFY(w.session.writerConnected());
        w.sim.clearReceivedCommands();

        QSignalSpy finished(w.dialog.get(), &QDialog::finished);
        if (way == 0)
            w.button("exitButton")->click();
        else if (way == 1)
            QTest::keyClick(w.dialog.get(), Qt::Key_Escape);
        else
            QVERIFY(w.dialog->close());
        QCOMPARE(finished.count(), 1);
        QVERIFY(w.resting());
        const auto cmds = accepted(w.sim);
        QCOMPARE(codes(cmds), (std::vector<std::uint8_t>{kSetRate}));
        QCOMPARE(cmds[0].payload, (plx71sim::Bytes{1}));
        QCOMPARE(cmds[0].rate, 115200);
        QVERIFY(w.ui.messages().empty());
    }
}

QTEST_MAIN(LoaderReadVersionTest)
#include "loader_read_version_test.moc"
