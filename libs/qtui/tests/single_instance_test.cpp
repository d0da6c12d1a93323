// The single-instance lock: one holder at a time, free again after release.
#include "plx71/qtui/single_instance.hpp"

#include <QFile>
#include <QtTest>

using namespace plx71::qtui;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondHolderIsRefusedUntilTheFirstReleases();
};

void SingleInstanceTest::secondHolderIsRefusedUntilTheFirstReleases()
{
    const QString name = QStringLiteral("plx71_qtui_test_%1").arg(QCoreApplication::applicationPid());
    {
        SingleInstance first(name);
        QVERIFY(first.acquire());
        QVERIFY(first.acquire()); // holding it twice is harmless
        QVERIFY(QFile::exists(first.lockFilePath()));
        SingleInstance second(name);
        QVERIFY(!second.acquire());
        QVERIFY(!second.held());
        first.release();
        QVERIFY(second.acquire());
    }
    SingleInstance third(name);
    QVERIFY(third.acquire());
    QVERIFY(!SingleInstance::executableBaseName().isEmpty());
}

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
