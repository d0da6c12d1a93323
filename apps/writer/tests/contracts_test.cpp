// The writer's progress sink (its transfer dialogs) keeps the contract every
// progress sink keeps.
#include "transfer_dialogs.hpp"

#include "plx71/testing/dialog_sink_rig.hpp"

#include <QtTest>

using namespace plx71;

class ContractsTest : public QObject {
    Q_OBJECT
private slots:
    void dialogSinkKeepsTheProgressSinkContract();
};

void ContractsTest::dialogSinkKeepsTheProgressSinkContract()
{
    const std::string broken =
        test::checkProgressSinkContract([] { return std::make_unique<test::DialogSinkRig<DialogProgressSink>>(); });
    QVERIFY2(broken.empty(), broken.c_str());
}

QTEST_MAIN(ContractsTest)
#include "contracts_test.moc"
