#pragma once
// The writer program as a whole: start-up rules, the session, the main
// window, Help > About and shut-down.
#include "writer_session.hpp"

#include "plx71/qtui/paths.hpp" // kDeviceTableVariable

#include <QObject>
#include <QString>

#include <memory>

namespace plx71 {

namespace qtui {
class AppShell;
} // namespace qtui

class CMainFrame;

inline constexpr const char* kMainWindowTitle = "Plexon Writer PLX-71RD";
inline constexpr const char* kMessageCaption = "plx";

struct AppOptions {
    QString instanceName;    // empty: the executable's base name
    QString deviceTablePath; // empty: $PLX71_DEVICE_TABLE, else beside the executable
    Ui* ui = nullptr;        // null: message boxes with the caption "plx"
    WriterChoosers choosers; // unset: the standard file dialogs
    QString preferencesFile; // empty: the per-user settings of the program
    // A project given on the command line (a double-clicked .pxp): opened
    // as Project > Open does once the form shows; relative to the current folder.
    QString projectPath;
};

class CPlxApp : public QObject {
    Q_OBJECT
public:
    explicit CPlxApp(AppOptions options = {}, QObject* parent = nullptr);
    ~CPlxApp() override;

    // True to run the program; false when it must end at once (a copy
    // already runs, or the device table is missing: both reported).
    bool initInstance();
    // Releases the single-instance lock.
    int exitInstance();

    WriterSession& session() { return *session_; }
    CMainFrame* mainFrame() const { return frame_.get(); }
    QString deviceTablePath() const;

public slots:
    // Help > About: asks the writer box for its firmware version, then shows both versions.
    void onAppAbout();

private:
    AppOptions options_;
    std::unique_ptr<qtui::AppShell> shell_;
    std::unique_ptr<WriterSession> session_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace plx71
