#include "plx71/qtui/app_shell.hpp"

#include "plx71/qtui/qt_ui.hpp"
#include "plx71/qtui/single_instance.hpp"

#include <string>

namespace plx71::qtui {

AppShell::AppShell(Ui* ui, const QString& caption) : ui_(ui)
{
    if (!ui_) {
        qtUi_ = std::make_unique<QtUi>(caption);
        ui_ = qtUi_.get();
    }
}

AppShell::~AppShell()
{
    releaseInstance();
}

QString AppShell::instanceName(const QString& name)
{
    return name.isEmpty() ? SingleInstance::executableBaseName() : name;
}

bool AppShell::acquireInstance(const QString& name, std::string_view alreadyStarted)
{
    instance_ = std::make_unique<SingleInstance>(instanceName(name));
    if (!instance_->acquire()) {
        instance_.reset();
        ui_->message(Icon::Stop, std::string(alreadyStarted));
        return false;
    }
    return true;
}

void AppShell::releaseInstance()
{
    if (instance_)
        instance_->release();
    instance_.reset();
}

} // namespace plx71::qtui
