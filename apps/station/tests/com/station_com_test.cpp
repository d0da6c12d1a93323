// Plx71Station against two writer boxes on COM1 and COM2 of the operating
// system (under Wine: two software writer boxes' pseudo-terminals mapped in
// the prefix's port registry; see scripts/ci/wine_station_check.sh). Run from
// the top of the source tree: the example project goes to both boxes with
// the read-back on.
#include "station_window.hpp"

#include "plx71/testing/recording_ui.hpp"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace plx71;
using namespace plx71::station;

class StationComTest : public QObject {
    Q_OBJECT
private slots:
    void startAllVerifiesBothBoxes();
};

void StationComTest::startAllVerifiesBothBoxes()
{
    QTemporaryDir dir;
    RecordingUi ui;
    StationOptions o;
    o.ui = &ui;
    o.station.settingsFile = dir.filePath(QStringLiteral("station.ini"));
    StationWindow window(o);
    QVERIFY(window.ready());
    window.apply(*parseStationArgs({QStringLiteral("Plx71Station"), QStringLiteral("examples/demo_project.pxp"),
                                    QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--port"),
                                    QStringLiteral("COM2")})
                      .args);
    QVERIFY(window.station().project());
    QCOMPARE(window.station().slotCount(), 2);
    window.show();
    for (auto* b : window.findChildren<QPushButton*>()) {
        if (b->accessibleName() == QStringLiteral("Start all"))
            b->click();
    }
    QVERIFY(window.station().anyRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!window.station().anyRunning(), 300000);
    QStringList states;
    for (auto* label : window.findChildren<QLabel*>()) {
        if (label->accessibleName().startsWith(QStringLiteral("Slot ")))
            states << label->accessibleName();
    }
    states.sort();
    QCOMPARE(states, QStringList({QStringLiteral("Slot 1: Verified"), QStringLiteral("Slot 2: Verified")}));
    QVERIFY2(ui.messages().empty(), ui.texts().empty() ? "" : ui.texts().front().c_str());
}

QTEST_MAIN(StationComTest)
#include "station_com_test.moc"
