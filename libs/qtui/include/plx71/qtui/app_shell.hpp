#pragma once
// What both window programs do alike around their windows: report through
// message boxes under the program's caption (or through the Ui a test
// gives), and run one copy at a time.
#include "plx71/messages/ui.hpp"

#include <QString>

#include <memory>
#include <string_view>

namespace plx71::qtui {

class QtUi;
class SingleInstance;

class AppShell {
public:
    // `ui` null: message boxes titled `caption`. Construct on the GUI thread.
    AppShell(Ui* ui, const QString& caption);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    Ui& ui() { return *ui_; }

    // The lock name: `name`, or the executable's base name when it is
    // empty, so each program (another executable) runs beside the other.
    static QString instanceName(const QString& name);
    // Takes the single-instance lock. When another copy holds it, reports
    // `alreadyStarted` with the stop icon and returns false.
    bool acquireInstance(const QString& name, std::string_view alreadyStarted);
    void releaseInstance();

private:
    std::unique_ptr<QtUi> qtUi_;
    Ui* ui_;
    std::unique_ptr<SingleInstance> instance_;
};

} // namespace plx71::qtui
