// PLX71RD: the writer control program.
#include "plx_app.hpp"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plx"));
    QApplication::setOrganizationName(QStringLiteral("Orvane Labs Inc."));

    plx71::CPlxApp app;
    if (!app.initInstance()) {
        app.exitInstance();
        return 0;
    }
    const int code = QApplication::exec();
    app.exitInstance();
    return code;
}
