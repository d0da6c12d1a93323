// Plx71Ldr: the firmware loader of the PLX-71RD writer box.
#include "loader_app.hpp"
#include "loader_icon.hpp"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// Start-up figures (scripts/bench_startup.sh): with PLX71_EXIT_AFTER_FIRST_PAINT
// set, the program prints the wall-clock time at which its first window was
// drawn and ends. The timer fires once the paint pass, flush included, is done;
// exit() also ends the main dialog's own event loop.
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

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plx71Ldr"));
    QApplication::setWindowIcon(plx71::loaderIcon());
    FirstPaintExit firstPaintExit;
    if (!qEnvironmentVariableIsEmpty("PLX71_EXIT_AFTER_FIRST_PAINT"))
        application.installEventFilter(&firstPaintExit);

    plx71::CLoaderApp app;
    if (app.initInstance())
        app.run();
    app.exitInstance();
    return 0;
}
