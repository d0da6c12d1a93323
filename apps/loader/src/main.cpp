// Plx71Ldr: the firmware loader of the PLX-71RD writer box.
#include "loader_app.hpp"
#include "loader_help.hpp"
#include "loader_icon.hpp"

#include "plx71/qtui/startup_probe.hpp"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[])
{
    if (const auto answered = plx71::qtui::answerHelpOrVersion(argc, argv, plx71::loaderHelp()))
        return *answered;
    auto probe = plx71::qtui::StartupProbe::wanted() ? std::make_unique<plx71::qtui::StartupProbe>() : nullptr;
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
