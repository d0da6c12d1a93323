// PLX71RD: the writer control program.
#include "plx_app.hpp"
#include "writer_help.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/devices/table_lookup.hpp"
#include "plx71/qtui/startup_probe.hpp"

#include <QApplication>
#include <QStringList>

#include <memory>

namespace {

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
    if (const auto answered = plx71::qtui::answerHelpOrVersion(argc, argv, plx71::writerHelp()))
        return *answered;
    auto probe = plx71::qtui::StartupProbe::wanted() ? std::make_unique<plx71::qtui::StartupProbe>() : nullptr;
    QApplication application(argc, argv);
    if (probe)
        probe->mark("qapplication");
    QApplication::setApplicationName(QStringLiteral("plx"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));
    if (probe)
        application.installEventFilter(probe.get());

    plx71::AppOptions options;
    options.deviceTablePath = installedDeviceTable();
    // PLX71RD PROJECT.pxp: what a double-click on a project starts.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        options.projectPath = arguments.at(1);
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
