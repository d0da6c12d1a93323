#pragma once
// The loader program as a whole: one copy at a time, the main dialog run
// modally, and the lock released at the end.
#include "loader_session.hpp"

#include <QObject>
#include <QString>

#include <memory>

namespace plx71 {

namespace qtui {
class AppShell;
} // namespace qtui

class CLoaderDlg;

// The caption of the loader's message boxes.
inline constexpr const char* kLoaderMessageCaption = "Plx71Ldr";

struct LoaderAppOptions {
    QString instanceName;   // empty: the executable's base name
    Ui* ui = nullptr;       // null: message boxes captioned "Plx71Ldr"
    FileChooser chooseFile; // unset: the standard file dialog
};

class CLoaderApp : public QObject {
    Q_OBJECT
public:
    explicit CLoaderApp(LoaderAppOptions options = {}, QObject* parent = nullptr);
    ~CLoaderApp() override;

    // Takes the single-instance lock and builds the main dialog. False when
    // another copy runs ("Plx71ldr already started"): the program ends.
    bool initInstance();
    // Runs the main dialog modally; the program ends when it closes.
    int run();
    // Releases the single-instance lock.
    int exitInstance();

    LoaderSession& session() { return *session_; }
    CLoaderDlg* mainDialog() const { return dialog_.get(); }
    QString instanceName() const;

private:
    LoaderAppOptions options_;
    std::unique_ptr<qtui::AppShell> shell_;
    std::unique_ptr<LoaderSession> session_;
    std::unique_ptr<CLoaderDlg> dialog_;
};

} // namespace plx71
