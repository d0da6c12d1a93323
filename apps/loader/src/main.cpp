// Plx71Ldr: the firmware loader of the PLX-71RD writer box.
#include "loader_app.hpp"
#include "loader_icon.hpp"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plx71Ldr"));
    QApplication::setWindowIcon(plx71::loaderIcon());

    plx71::CLoaderApp app;
    if (app.initInstance())
        app.run();
    app.exitInstance();
    return 0;
}
