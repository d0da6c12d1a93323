#include "loader_app.hpp"

#include "loader_dlg.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/qtui/app_shell.hpp"

namespace plx71 {

CLoaderApp::CLoaderApp(LoaderAppOptions options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    shell_ = std::make_unique<qtui::AppShell>(options_.ui, QString::fromLatin1(kLoaderMessageCaption));
    session_ = std::make_unique<LoaderSession>(shell_->ui());
    session_->chooseFile = options_.chooseFile;
}

CLoaderApp::~CLoaderApp()
{
    dialog_.reset();
    exitInstance();
}

QString CLoaderApp::instanceName() const
{
    // Named after the executable, so the writer program (another name) may
    // run beside the loader.
    return qtui::AppShell::instanceName(options_.instanceName);
}

bool CLoaderApp::initInstance()
{
    if (!shell_->acquireInstance(instanceName(), msg::kLoaderAlreadyStarted))
        return false;
    dialog_ = std::make_unique<CLoaderDlg>(*session_);
    return true;
}

int CLoaderApp::run()
{
    if (dialog_)
        dialog_->exec();
    return 0;
}

int CLoaderApp::exitInstance()
{
    shell_->releaseInstance();
    return 0;
}

} // namespace plx71
