// Plx71Ldr: the firmware loader of the PLX-71RD writer box.
#include "loader_app.hpp"
#include "loader_icon.hpp"

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
// done; exit() also ends the main dialog's own event loop.
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

} // namespace

int main(int argc, char* argv[])
{
    auto probe = StartupProbe::wanted() ? std::make_unique<StartupProbe>() : nullptr;
    QApplication application(argc, argv);
    if (probe)
        probe->mark("qapplication");
    QApplication::setApplicationName(QStringLiteral("Plx71Ldr"));
    QApplication::setWindowIcon(plx71::loaderIcon());
    if (probe)
        application.installEventFilter(probe.get());

    plx71::CLoaderApp app;
    if (app.initInstance()) {
        if (probe)
            probe->mark("window");
        app.run();
    }
    app.exitInstance();
    return 0;
}
