// PLX71RD: the writer control program.
#include "plx_app.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/devices/table_lookup.hpp"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// Start-up figures (scripts/bench_startup.sh): with PLX71_EXIT_AFTER_FIRST_PAINT
// set, the program prints the wall-clock time at which its first window was
// drawn and ends. The timer fires once the paint pass, flush included, is done.
class FirstPaintExit : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            seen_ = true;
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("first-paint-ns %lld\n",
                            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool seen_ = false;
};

// The table beside the program, else the one of an installed copy;
// $PLX71_DEVICE_TABLE still comes first.
QString installedDeviceTable()
{
    if (!qEnvironmentVariableIsEmpty(plx71::kDeviceTableVariable))
        return {};
    return QString::fromStdU16String(plx71::locateDeviceTable(plx71::currentExecutablePath()).u16string());
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plx"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));
    FirstPaintExit firstPaintExit;
    if (!qEnvironmentVariableIsEmpty("PLX71_EXIT_AFTER_FIRST_PAINT"))
        application.installEventFilter(&firstPaintExit);

    plx71::AppOptions options;
    options.deviceTablePath = installedDeviceTable();
    plx71::CPlxApp app(options);
    if (!app.initInstance()) {
        app.exitInstance();
        return 0;
    }
    const int code = QApplication::exec();
    app.exitInstance();
    return code;
}
