// PLX71RD: the writer control program.
#include "plx_app.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/devices/table_lookup.hpp"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Start-up figures (scripts/bench_startup.sh): with PLX71_EXIT_AFTER_FIRST_PAINT
// set, the program prints the wall-clock time at which each start-up stage
// ended ("stage <name> <ns since the epoch>"), the last one its first drawn
// window, and ends. The timer fires once the paint pass, flush included, is
// done.
class StartupProbe : public QObject {
public:
    StartupProbe() { mark("main"); }
    static bool wanted() { return !qEnvironmentVariableIsEmpty("PLX71_EXIT_AFTER_FIRST_PAINT"); }
    void mark(const char* stage)
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        stages_.emplace_back(stage, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
            seen_ = true;
            QTimer::singleShot(0, this, [this] {
                mark("first-paint");
                for (const auto& [stage, ns] : stages_)
                    std::printf("stage %s %lld\n", stage, static_cast<long long>(ns));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    std::vector<std::pair<const char*, std::int64_t>> stages_;
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
    auto probe = StartupProbe::wanted() ? std::make_unique<StartupProbe>() : nullptr;
    QApplication application(argc, argv);
    if (probe)
        probe->mark("qapplication");
    QApplication::setApplicationName(QStringLiteral("plx"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));
    if (probe)
        application.installEventFilter(probe.get());

    plx71::AppOptions options;
    options.deviceTablePath = installedDeviceTable();
    plx71::CPlxApp app(options);
    if (!app.initInstance()) {
        app.exitInstance();
        return 0;
    }
    if (probe)
        probe->mark("window");
    const int code = QApplication::exec();
    app.exitInstance();
    return code;
}
