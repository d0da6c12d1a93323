// Plx71Station: one project on many writer boxes, for a production line.
#include "station_bench.hpp"
#include "station_help.hpp"
#include "station_window.hpp"

#include "plx71/qtui/startup_probe.hpp"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    if (const auto answered = plx71::qtui::answerHelpOrVersion(argc, argv, plx71::station::stationHelp()))
        return *answered;
    auto probe = plx71::qtui::StartupProbe::wanted() ? std::make_unique<plx71::qtui::StartupProbe>() : nullptr;
    QApplication application(argc, argv);
    if (probe)
        probe->mark("qapplication");
    QApplication::setApplicationName(QStringLiteral("Plx71Station"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));
    if (probe)
        application.installEventFilter(probe.get());

    const plx71::station::ParsedArgs parsed = plx71::station::parseStationArgs(QApplication::arguments());
    if (!parsed.args) {
        std::fprintf(stderr, "%s\n", qPrintable(parsed.error));
        return 2;
    }
    plx71::station::StationWindow window{plx71::station::StationOptions{}};
    if (!window.ready())
        return 1;
    window.apply(*parsed.args);
    window.show();
    if (probe)
        probe->mark("window");
    plx71::station::startBenchIfAsked(window);
    return QApplication::exec();
}
