// Plx71Station against software writer boxes: the slots' end states, the
// record lines, auto mode, the operator lock and closing during a job.
#include "operator_lock.hpp"
#include "slot_ui.hpp"
#include "station_window.hpp"

#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/sim_link.hpp"
#include "plx71/testing/ui_contract.hpp"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>
#include <set>

using namespace plx71;
using namespace plx71::station;
using namespace plx71::test;

class StationSimTest : public QObject {
    Q_OBJECT
private slots:
    void threeSlotsEndVerifiedFailedAndNoBox();
    void autoModeServesEachAppearanceOnce();
    void lockHoldsAcrossARestartUntilItsPassword();
    void closingDuringAJobBringsEveryBoxToRest();
    void pulledBoxKeepsItsFailureUntilRetryServesIt();
    void checkAllComparesEveryBoxAndWritesNothing();
    void slotUiKeepsTheUiContract();
};

namespace {

const QString kExamples = QStringLiteral(PLX71_SOURCE_DIR "/examples");
const QString kTable = QStringLiteral(PLX71_SOURCE_DIR "/resources/plx71typ.tbl");

struct World {
    explicit World(QStringList passwords = {})
    {
        options.ui = &ui;
        options.station.settingsFile = dir.filePath(QStringLiteral("station.ini"));
        options.station.deviceTablePath = kTable;
        options.station.timing = quickTiming();
        options.station.lockIterations = 1000;
        options.askPassword = [this](QWidget*, const QString&) {
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        answers = passwords;
        window = std::make_unique<StationWindow>(options);
    }

    StationConfig config() const { return options.station; }
    StationArgs args(QStringList given) const
    {
        given.prepend(QStringLiteral("Plx71Station"));
        given << QStringLiteral("--record") << dir.filePath(QStringLiteral("line.jsonl"));
        return *parseStationArgs(given).args;
    }

    QString stateName(int slot) const
    {
        for (auto* label : window->findChildren<QLabel*>()) {
            if (label->accessibleName().startsWith(QStringLiteral("Slot %1: ").arg(slot)))
                return label->accessibleName();
        }
        return {};
    }
    QPushButton* button(const QString& name) const
    {
        for (auto* b : window->findChildren<QPushButton*>()) {
            if (b->accessibleName() == name)
                return b;
        }
        qFatal("no button %s", qPrintable(name));
    }
    QStringList recordLines() const
    {
        QFile file(dir.filePath(QStringLiteral("line.jsonl")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    RecordingUi ui;
    QStringList answers;
    StationOptions options;
    std::unique_ptr<StationWindow> window;
};

} // namespace

void StationSimTest::threeSlotsEndVerifiedFailedAndNoBox()
{
    SimBox healthy, wrong;
    QVERIFY(healthy.start() && wrong.start());
    wrong.state()->box.faults().flipReads[0x0FA7] = 0x42;
    World w;
    QVERIFY(w.window->ready());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(kExamples); // a relative project is taken from here

    // A bad project on the command line: the message of Project > Open, the empty window.
    QFile junk(w.dir.filePath(QStringLiteral("junk.pxp")));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("not a project") > 0);
    junk.close();
    w.window->apply(*parseStationArgs({QStringLiteral("Plx71Station"), junk.fileName()}).args);
    QVERIFY(!w.window->station().project());
    QCOMPARE(w.ui.texts().back(), std::string("File format error"));

    const QStringList args = {QStringLiteral("Plx71Station"), QStringLiteral("demo_project.pxp"),
                              QStringLiteral("--port"),       QString::fromStdString(healthy.slavePath()),
                              QStringLiteral("--port"),       QString::fromStdString(wrong.slavePath()),
                              QStringLiteral("--port"),       w.dir.filePath(QStringLiteral("unplugged")),
                              QStringLiteral("--record"),     w.dir.filePath(QStringLiteral("line.jsonl"))};
    w.window->apply(*parseStationArgs(args).args);
    QDir::setCurrent(previous);
    QVERIFY(w.window->station().project());
    const QLabel* checksum = w.window->findChild<QLabel*>(QStringLiteral("userRomChecksum"));
    QCOMPARE(checksum->text(), QStringLiteral("28D9"));
    QCOMPARE(checksum->accessibleName(), QStringLiteral("User ROM checksum: 28D9"));
    QCOMPARE(w.window->station().slotCount(), 3);
    QCOMPARE(w.stateName(3), QStringLiteral("Slot 3: No box"));

    w.button(QStringLiteral("Start all"))->click();
    QCOMPARE(w.stateName(1), QStringLiteral("Slot 1: Running"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.window->station().anyRunning(), 60000);
    QCOMPARE(w.stateName(1), QStringLiteral("Slot 1: Verified"));
    QCOMPARE(w.stateName(2), QStringLiteral("Slot 2: Failed"));
    QCOMPARE(w.stateName(3), QStringLiteral("Slot 3: No box"));
    QVERIFY(w.window->windowTitle().contains(QStringLiteral("Station"))
            && w.window->windowTitle().contains(QStringLiteral("1 failed")));
    QVERIFY(healthy.resting() && wrong.resting());

    // One line a box that ran, with the slot's number; the mismatch named.
    const QStringList lines = w.recordLines();
    QCOMPARE(lines.size(), 2);
    QMap<int, QJsonObject> bySlot;
    for (const QString& line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        bySlot[o.value(QStringLiteral("slot")).toInt()] = o;
    }
    QCOMPARE(bySlot[1].value(QStringLiteral("outcome")).toString(), QStringLiteral("success"));
    QCOMPARE(bySlot[2].value(QStringLiteral("outcome")).toString(), QStringLiteral("verify-mismatch"));
    // Recovery is on by default: the box that holds other bytes fails at
    // once (re-reads agree: the box's fault, no restart mends it), the
    // healthy tile says what its job took, and the failed one says where the
    // box differs, in so many words.
    QCOMPARE(bySlot[2].value(QStringLiteral("restarts")).toInt(), 0);
    QStringList notes;
    for (auto* label : w.window->findChildren<QLabel*>())
        notes << label->accessibleName();
    QVERIFY(notes.contains(QStringLiteral("Last job of slot 1: finished at 115200 bit/s")));
    QVERIFY(!notes.filter(QStringLiteral("Last job of slot 2: verify: differs at 0FA742")).isEmpty());

    // Retry failed runs the failed box alone again.
    wrong.state()->box.faults().flipReads.erase(0x0FA7);
    w.button(QStringLiteral("Retry failed"))->click();
    QCOMPARE(w.stateName(1), QStringLiteral("Slot 1: Verified"));
    QTRY_VERIFY_WITH_TIMEOUT(!w.window->station().anyRunning(), 60000);
    QCOMPARE(w.stateName(2), QStringLiteral("Slot 2: Verified"));
    QCOMPARE(w.recordLines().size(), 3);
}

void StationSimTest::autoModeServesEachAppearanceOnce()
{
    World w;
    plx71sim::Options o = quickBox();
    o.linkPath = w.dir.filePath(QStringLiteral("adapter")).toStdString();
    SimBox sim(o);
    w.window->apply(
        *parseStationArgs({QStringLiteral("Plx71Station"), kExamples + QStringLiteral("/demo_project.pxp"),
                           QStringLiteral("--port"), QString::fromStdString(o.linkPath), QStringLiteral("--record"),
                           w.dir.filePath(QStringLiteral("line.jsonl")), QStringLiteral("--auto")})
             .args);
    QCOMPARE(w.stateName(1), QStringLiteral("Slot 1: No box"));
    for (int appearance = 1; appearance <= 2; ++appearance) {
        QVERIFY(sim.start());
        QTRY_COMPARE_WITH_TIMEOUT(w.stateName(1), QStringLiteral("Slot 1: Verified"), 60000);
        // Still plugged in: polled again, not served again.
        for (int i = 0; i < 3; ++i)
            w.window->station().pollPresence();
        QVERIFY(!w.window->station().anyRunning());
        QCOMPARE(w.recordLines().size(), appearance);
        QVERIFY(sim.resting());
        sim.stop();
        w.window->station().pollPresence();
        QCOMPARE(w.stateName(1), QStringLiteral("Slot 1: No box"));
    }
}

void StationSimTest::lockHoldsAcrossARestartUntilItsPassword()
{
    // PBKDF2-HMAC-SHA256 as RFC 7914 gives it.
    QCOMPARE(pbkdf2Sha256("passwd", "salt", 1, 64).toHex(),
             QByteArray("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                        "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"));
    World w({QStringLiteral("line-3 secret"), QStringLiteral("line-3 secret")});
    w.window->apply(w.args({QStringLiteral("--port"), w.dir.filePath(QStringLiteral("bench-1"))}));
    w.button(QStringLiteral("Lock"))->click();
    QVERIFY(w.window->station().locked());
    QVERIFY(!w.button(QStringLiteral("Add slot..."))->isEnabled());
    w.window.reset();
    QFile ini(w.options.station.settingsFile);
    QVERIFY(ini.open(QIODevice::ReadOnly) && !ini.readAll().contains("secret"));

    // Locked, the command line changes nothing, and one message says what it refused.
    w.window = std::make_unique<StationWindow>(w.options);
    StationArgs other = w.args({kExamples + QStringLiteral("/demo_project.pxp"), QStringLiteral("--port"),
                                w.dir.filePath(QStringLiteral("bench-2")), QStringLiteral("--auto")});
    other.recordFile = w.dir.filePath(QStringLiteral("other.jsonl"));
    w.window->apply(other);
    const Station& station = w.window->station();
    QCOMPARE(w.ui.texts().back(),
             std::string("The station is locked: a project, --port, --record and --auto on the "
                         "command line are not used, and nothing was changed. Unlock the "
                         "station in its window to change it."));
    QVERIFY(station.locked() && !station.project() && !station.autoMode() && !station.anyRunning());
    QCOMPARE(station.slotCount(), 1);
    QCOMPARE(station.slot(0).config.spec, w.dir.filePath(QStringLiteral("bench-1")));
    QCOMPARE(station.record().path, w.dir.filePath(QStringLiteral("line.jsonl")));
    QVERIFY(!w.button(QStringLiteral("Open project..."))->isEnabled());
    w.answers = {QStringLiteral("guess")};
    w.button(QStringLiteral("Lock"))->click();
    QVERIFY(w.window->station().locked());
    QCOMPARE(w.ui.texts().back(), std::string("Wrong password: the station stays locked."));
    w.answers = {QStringLiteral("line-3 secret")};
    w.button(QStringLiteral("Lock"))->click();
    QVERIFY(!w.window->station().locked());
    QVERIFY(w.button(QStringLiteral("Open project..."))->isEnabled());
}

void StationSimTest::closingDuringAJobBringsEveryBoxToRest()
{
    plx71sim::Options o = quickBox();
    o.pace = true; // bytes take their time: the job is still running at the close
    SimBox first(o), second(o);
    QVERIFY(first.start() && second.start());
    World w;
    w.window->apply(*parseStationArgs({QStringLiteral("Plx71Station"), kExamples + QStringLiteral("/demo_project.pxp"),
                                       QStringLiteral("--port"), QString::fromStdString(first.slavePath()),
                                       QStringLiteral("--port"), QString::fromStdString(second.slavePath()),
                                       QStringLiteral("--record"), w.dir.filePath(QStringLiteral("line.jsonl"))})
                         .args);
    w.window->show();
    w.window->station().startAll();
    QVERIFY(first.waitForCommands(10, 10s) && second.waitForCommands(10, 10s));
    w.ui.setDefaultAnswer(true);
    QVERIFY(!w.window->close()); // asks, then waits for the boxes
    QVERIFY(w.ui.messages().back().isQuestion);
    QVERIFY(w.ui.texts().back().find("[Stop 2 boxes and close / Keep running]") != std::string::npos);
    QTRY_VERIFY_WITH_TIMEOUT(!w.window->isVisible(), 30000);
    QVERIFY(first.resting() && second.resting());
    const QStringList lines = w.recordLines();
    QCOMPARE(lines.size(), 2);
    for (const QString& line : lines)
        QCOMPARE(QJsonDocument::fromJson(line.toUtf8()).object().value(QStringLiteral("outcome")).toString(),
                 QStringLiteral("cancelled"));
    QCOMPARE(
        w.window->findChild<QLabel*>(QStringLiteral("recordTotals"))->text().section(QStringLiteral(" \u00b7"), 0, 0),
        QStringLiteral("This session: 0 passed, 0 failed, 2 cancelled"));
    QCOMPARE(
        w.window->findChild<QLabel*>(QStringLiteral("recordTotals"))->text().section(QStringLiteral(" \u00b7"), 0, 0),
        QStringLiteral("This session: 0 passed, 0 failed, 2 cancelled"));
}

// Pulled mid-job, the box's slot stays Failed while it is away; back on the
// same port, Retry failed serves it.
void StationSimTest::pulledBoxKeepsItsFailureUntilRetryServesIt()
{
    World w;
    w.window.reset();
    plx71sim::Options o = quickBox();
    o.pace = true;
    o.linkPath = w.dir.filePath(QStringLiteral("adapter")).toStdString();
    auto sim = std::make_unique<SimBox>(o);
    QVERIFY(sim->start());
    Station station(w.config(), w.ui);
    station.apply(w.args({kExamples + QStringLiteral("/demo_project.pxp"), QStringLiteral("--port"),
                          QString::fromStdString(o.linkPath)}));
    station.startAll();
    QVERIFY(sim->waitForCommands(10, 10s));
    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!station.anyRunning(), 30000);
    station.pollPresence();
    QCOMPARE(station.slot(0).stateText(), QStringLiteral("Failed \u00b7 no box"));
    QVERIFY(station.slot(0).last.cause.startsWith(QStringLiteral("box stopped answering at ")));

    o.pace = false;
    sim = std::make_unique<SimBox>(o);
    QVERIFY(sim->start());
    station.pollPresence();
    QCOMPARE(station.slot(0).stateText(), QStringLiteral("Failed"));
    station.retryFailed();
    QVERIFY(station.anyRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!station.anyRunning(), 60000);
    QCOMPARE(station.slot(0).state, SlotState::Verified);
    QCOMPARE(w.recordLines().size(), 2);
}

// Check all: each box's stored job against the project, nothing written,
// a "verify" record line a box, the counts of programmed units untouched.
void StationSimTest::checkAllComparesEveryBoxAndWritesNothing()
{
    const struct {
        std::function<void(plx71sim::Faults&)> arm;
        const char *state, *note, *outcome;
    } cases[] = {
        {[](auto&) {}, "Holds job", "", "success"},
        {[](auto& f) { f.flipReads[0x0FA7] = 0x42; }, "Differs", "Verify error at address 0FA742", "verify-mismatch"},
        {[](auto& f) { f.noSettings = true; }, "Differs", "Settings not loaded", "settings-not-loaded"},
        {[](auto& f) { f.silent = true; }, "Failed", "no answer from the box", "no-answer"},
    };
    const int count = int(std::size(cases));
    std::vector<std::unique_ptr<SimBox>> sims;
    QStringList given = {kExamples + QStringLiteral("/demo_project.pxp")};
    for (int i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<SimBox>());
        QVERIFY(sims.back()->start());
        given << QStringLiteral("--port") << QString::fromStdString(sims.back()->slavePath());
    }
    World w;
    w.window->apply(w.args(given));
    Station& station = w.window->station();
    station.startAll();
    QTRY_VERIFY_WITH_TIMEOUT(!station.anyRunning(), 60000);
    std::vector<plx71sim::StoredJob> stored;
    for (int i = 0; i < count; ++i) {
        QCOMPARE(w.stateName(i + 1), QStringLiteral("Slot %1: Verified").arg(i + 1));
        cases[i].arm(sims[i]->state()->box.faults());
        sims[i]->clearReceivedCommands();
        stored.push_back(sims[i]->state()->box.job());
    }

    w.button(QStringLiteral("Check all"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!station.anyRunning(), 60000);
    const QStringList checks = w.recordLines().mid(count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(w.stateName(i + 1), QStringLiteral("Slot %1: ").arg(i + 1) + QLatin1String(cases[i].state));
        QCOMPARE(station.slot(i).last.cause, QLatin1String(cases[i].note));
        QVERIFY(sims[i]->state()->box.job() == stored[i]);
        using namespace plx71sim::cmd;
        for (const auto& c : sims[i]->receivedCommands())
            QVERIFY(std::set<int>({SetLinkRate, ReadVersions, ReadPage, ReadStatus, ReadSettings}).count(c.code));
        const QStringList mine = checks.filter(QStringLiteral("\"slot\":%1,").arg(i + 1));
        QCOMPARE(mine.size(), 1);
        const QJsonObject r = QJsonDocument::fromJson(mine[0].toUtf8()).object();
        QCOMPARE(r.value(QStringLiteral("command")).toString(), QStringLiteral("verify"));
        QCOMPARE(r.value(QStringLiteral("outcome")).toString(), QLatin1String(cases[i].outcome));
        QCOMPARE(r.value(QStringLiteral("jobDigest")).toString().toStdString(), station.project()->facts.jobDigest);
        QCOMPARE(r.value(QStringLiteral("devicePath")).toString().toStdString(), sims[i]->slavePath());
    }
    QVERIFY(station.totals().passed == count && station.totals().failed == 0 && station.slot(0).counters.passed == 1);

    // Retry failed checks the box that did not answer, once it answers.
    sims.back()->state()->box.faults().silent = false;
    w.button(QStringLiteral("Retry failed"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.stateName(4), QStringLiteral("Slot 4: Holds job"), 30000);

    // Cancel all stops a check: a slow box holding the job, added now.
    plx71sim::Options o = quickBox();
    o.pace = true;
    SimBox slow(o);
    QVERIFY(slow.start());
    slow.state()->replaceJob(stored.front());
    QVERIFY(station.addSlot({QString::fromStdString(slow.slavePath()), QString()}));
    w.button(QStringLiteral("Check slot 5"))->click();
    QVERIFY(slow.waitFor([&] { return countCode(slow.receivedCommands(), plx71sim::cmd::ReadPage) > 0; }, 10s));
    w.button(QStringLiteral("Cancel all"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w.stateName(5), QStringLiteral("Slot 5: Cancelled"), 30000);
    QVERIFY(w.recordLines().constLast().contains(QStringLiteral("\"command\":\"verify\"")));
}

QTEST_MAIN(StationSimTest)
// A tile shows the first message as its cause; nobody answers a question.
void StationSimTest::slotUiKeepsTheUiContract()
{
    struct Rig : UiRig {
        SlotUi slot;
        Ui& ui() override { return slot; }
        std::string shown() override { return slot.cause().toStdString(); }
        bool defaultAnswer() const override { return false; }
        bool showsEveryMessage() const override { return false; }
    };
    const std::string broken = checkUiContract([] { return std::make_unique<Rig>(); });
    QVERIFY2(broken.empty(), broken.c_str());
}

#include "station_sim_test.moc"
