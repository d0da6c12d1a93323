#include "loader_app.hpp"

#include "loader_dlg.hpp"

#include "plx71/qtui/qt_ui.hpp"
#include "plx71/qtui/single_instance.hpp"
#include "plx71/ui/messages.hpp"

namespace plx71 {

CLoaderApp::CLoaderApp(LoaderAppOptions options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    Ui* ui = options_.ui;
    if (!ui) {
        qtUi_ = std::make_unique<qtui::QtUi>(QString::fromLatin1(kLoaderMessageCaption));
        ui = qtUi_.get();
    }
    session_ = std::make_unique<LoaderSession>(*ui);
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
    return options_.instanceName.isEmpty() ? qtui::SingleInstance::executableBaseName() : options_.instanceName;
}

bool CLoaderApp::initInstance()
{
    instance_ = std::make_unique<qtui::SingleInstance>(instanceName());
    if (!instance_->acquire()) {
        instance_.reset();
        session_->ui->message(Icon::Stop, std::string(msg::kLoaderAlreadyStarted));
        return false;
    }
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
    if (instance_)
        instance_->release();
    instance_.reset();
    return 0;
}

} // namespace plx71
