// The single-instance lock: one holder at a time, free again after release.
#include "plx71/qtui/single_instance.hpp"

#include <QFile>
#include <QtTest>

using namespace plx71::qtui;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void secondHolderIsRefusedUntilTheFirstReleases();
    void lockLeftWithOurOwnProcessIdIsTakenOver();
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

void SingleInstanceTest::lockLeftWithOurOwnProcessIdIsTakenOver()
{
    // What a process that ended without releasing leaves, when this process
    // got its id: a copy of a lock file this process wrote.
    const QString name = QStringLiteral("plx71_qtui_reused_id_%1").arg(QCoreApplication::applicationPid());
    SingleInstance earlier(name + QStringLiteral("_earlier"));
    QVERIFY(earlier.acquire());
    SingleInstance instance(name);
    QFile::remove(instance.lockFilePath());
    QVERIFY(QFile::copy(earlier.lockFilePath(), instance.lockFilePath()));
    earlier.release();

    QVERIFY(instance.acquire());
    // Held by us now: another holder in this process is still refused.
    SingleInstance other(name);
    QVERIFY(!other.acquire());
    instance.release();
    QVERIFY(!QFile::exists(instance.lockFilePath()));
}

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
