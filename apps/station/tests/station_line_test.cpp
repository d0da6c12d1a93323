// Plx71Station on a line: a real plx71line serve (SQLite in a temporary
// folder) and a software writer box; what reaches the server, what the
// status bar says, and a job the line has not released.
#include "station_line.hpp"
#include "station_window.hpp"

#include "plx71/line/outbox.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/sim_box.hpp"
#include "plx71/testing/sim_link.hpp"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace plx71;
using namespace plx71::station;
using namespace plx71::test;

class StationLineTest : public QObject {
    Q_OBJECT
private slots:
    void jobsReachTheLineOrWait();
};

namespace {

int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), size);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(s);
    return ntohs(a.sin_port);
}

struct LineServer {
    QString bin = QCoreApplication::applicationDirPath() + QStringLiteral("/plx71line");
    QTemporaryDir dir;
    QProcess serve;
    line::LineCall call;
    std::unique_ptr<line::HttpClient> client = line::systemHttpClient();

    // The token printed on the last line, also kept in `file`.
    std::string addToken(const QString& role, const QString& file)
    {
        QProcess add;
        add.start(bin,
                  {QStringLiteral("token"), QStringLiteral("add"), QStringLiteral("--tokens"),
                   dir.filePath(QStringLiteral("tokens")), QStringLiteral("--role"), role, file});
        add.waitForFinished(20000);
        const QByteArray token = add.readAllStandardOutput().trimmed().split('\n').last();
        QFile out(dir.filePath(file));
        return out.open(QIODevice::WriteOnly) && out.write(token + '\n') > 0 ? token.toStdString() : std::string();
    }
    bool start()
    {
        call.token = addToken(QStringLiteral("engineer"), QStringLiteral("engineer.token"));
        addToken(QStringLiteral("station"), QStringLiteral("station.token"));
        QFile wrong(dir.filePath(QStringLiteral("wrong.token")));
        if (call.token.empty() || !wrong.open(QIODevice::WriteOnly) || wrong.write(QByteArray(64, 'a')) <= 0)
            return false;
        const QString port = QString::number(freePort());
        call.url = *line::parseLineUrl("http://127.0.0.1:" + port.toStdString());
        serve.start(bin,
                    {QStringLiteral("serve"), QStringLiteral("--db"), QStringLiteral("sqlite:") + dir.filePath("db"),
                     QStringLiteral("--listen"), QStringLiteral("127.0.0.1:") + port, QStringLiteral("--tokens"),
                     dir.filePath(QStringLiteral("tokens"))});
        QDeadlineTimer deadline(20000);
        while (get("/metrics").status != 200 && !deadline.hasExpired())
            QTest::qWait(50);
        return !deadline.hasExpired();
    }
    ~LineServer()
    {
        serve.terminate();
        serve.waitForFinished(10000);
    }
    line::HttpAnswer get(const std::string& path) { return client->getJson(call.url, path, call.token, {}); }
    QJsonObject json(const std::string& path) { return QJsonDocument::fromJson(get(path).body.c_str()).object(); }
    QString liveState(const QString& station)
    {
        for (const auto s : json("/api/v1/stations").value(QStringLiteral("stations")).toArray()) {
            if (s[QStringLiteral("name")] == station)
                return s[QStringLiteral("live")][QStringLiteral("tiles")][0][QStringLiteral("state")].toString();
        }
        return {};
    }
};

} // namespace

void StationLineTest::jobsReachTheLineOrWait()
{
    LineServer server;
    QVERIFY(server.start());
    const struct Row {
        const char* station;
        const char* token;
        bool onlyReleased, release;
        SlotState end;
        const char* status;
        int held;              // the server's jobs of this station
        std::size_t waiting;   // lines left in the outbox
        const char* liveState; // the tile the server holds; empty: none
    } rows[] = {
        {"shipped", "station.token", false, false, SlotState::Verified, "Line: connected", 1, 0, "Verified"},
        {"wrong-token", "wrong.token", false, false, SlotState::Verified, "Line: refused (token)", 0, 1, ""},
        {"unreleased", "station.token", true, false, SlotState::Failed, "Line: connected", 0, 0, "Failed"},
        {"released", "station.token", true, true, SlotState::Verified, "Line: connected", 1, 0, "Verified"},
    };
    for (const Row& row : rows) {
        const QString name = QString::fromLatin1(row.station);
        SimBox box;
        QVERIFY(box.start());
        RecordingUi ui;
        StationOptions options;
        options.ui = &ui;
        options.station.settingsFile = server.dir.filePath(name + QStringLiteral(".ini"));
        options.station.deviceTablePath = QStringLiteral(PLX71_SOURCE_DIR "/resources/plx71typ.tbl");
        options.station.timing = quickTiming();
        StationWindow window(options);
        const QString record = server.dir.filePath(name + QStringLiteral(".jsonl"));
        QStringList args = {
            QStringLiteral("Plx71Station"),   QStringLiteral(PLX71_SOURCE_DIR "/examples/demo_project.pxp"),
            QStringLiteral("--port"),         QString::fromStdString(box.slavePath()),
            QStringLiteral("--record"),       record,
            QStringLiteral("--line"),         QString::fromStdString(server.call.url.origin()),
            QStringLiteral("--line-token"),   server.dir.filePath(QString::fromLatin1(row.token)),
            QStringLiteral("--station-name"), name};
        if (row.onlyReleased)
            args << QStringLiteral("--only-released");
        window.apply(*parseStationArgs(args).args);
        Station& station = window.station();
        QVERIFY(station.project());
        const std::string digest = station.project()->facts.jobDigest;
        if (row.release)
            QCOMPARE(line::postRelease(*server.client, server.call, {digest, "", "", "", {}, ""}).answer,
                     line::ReleaseAnswer::Released);

        station.startAll();
        QTRY_VERIFY_WITH_TIMEOUT(!station.anyRunning(), 60000);
        QCOMPARE(station.slot(0).state, row.end);
        if (row.end == SlotState::Failed) {
            QCOMPARE(station.slot(0).last.cause,
                     QStringLiteral("job not released for this line: %1 (ask your line "
                                    "engineer to release demo_project.pxp)")
                         .arg(QString::fromStdString(digest.substr(0, 12))));
            QVERIFY(box.receivedCommands().empty());
            QCOMPARE(QFileInfo(record).size(), 0); // no record line, as for plx71 --require-release
        }
        const QLabel* status = window.findChild<QLabel*>(QStringLiteral("lineStatus"));
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString::fromLatin1(row.status), 20000);
        const QJsonArray jobs =
            server.json("/api/v1/jobs?station=" + name.toStdString()).value(QStringLiteral("jobs")).toArray();
        QCOMPARE(jobs.size(), row.held);
        if (row.held > 0)
            QCOMPARE(jobs[0][QStringLiteral("station")].toString(), name);
        if (QFile::exists(record))
            QCOMPARE(line::Outbox(record.toStdString()).waiting(), row.waiting);
        QTRY_COMPARE_WITH_TIMEOUT(server.liveState(name), QString::fromLatin1(row.liveState), 20000);
        if (row.waiting == 0)
            continue;
        // The operator mends the token file's name: what waited goes out.
        auto* tokenFile = window.findChild<QLineEdit*>(QStringLiteral("lineTokenFile"));
        tokenFile->setText(server.dir.filePath(QStringLiteral("station.token")));
        emit tokenFile->editingFinished();
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Line: connected"), 20000);
        QCOMPARE(line::Outbox(record.toStdString()).waiting(), std::size_t(0));
        QTRY_COMPARE_WITH_TIMEOUT(server.liveState(name), QStringLiteral("Verified"), 20000);
    }
}

QTEST_MAIN(StationLineTest)
#include "station_line_test.moc"
