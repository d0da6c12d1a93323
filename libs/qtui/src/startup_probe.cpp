#include "plx71/qtui/startup_probe.hpp"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace plx71::qtui {

bool StartupProbe::wanted()
{
    return !qEnvironmentVariableIsEmpty("PLX71_EXIT_AFTER_FIRST_PAINT");
}

void StartupProbe::mark(const char* stage)
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    stages_.emplace_back(stage, std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()) {
        seen_ = true;
        QTimer::singleShot(0, this, [this] {
            mark("first-paint");
            for (const auto& [stage, ns] : stages_)
                std::printf("stage %s %lld\n", stage, static_cast<long long>(ns));
            // What the windows show, for scripts that start a program the
            // way a desktop does (a double-clicked project) and check it.
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (!window->isVisible())
                    continue;
                for (const QLineEdit* edit : window->findChildren<QLineEdit*>())
                    if (!edit->objectName().isEmpty())
                        std::printf("field %s %s\n", qPrintable(edit->objectName()), qPrintable(edit->text()));
            }
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    return false;
}

} // namespace plx71::qtui
