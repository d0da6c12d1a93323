#include "plx_app.hpp"

#include "about_dlg.hpp"
#include "main_frame.hpp"
#include "transfer_dialogs.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/qtui/qt_ui.hpp"
#include "plx71/qtui/single_instance.hpp"
#include "plx71/ui/messages.hpp"

#include <QApplication>

namespace plx71 {

CPlxApp::CPlxApp(AppOptions options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    Ui* ui = options_.ui;
    if (!ui) {
        qtUi_ = std::make_unique<qtui::QtUi>(QString::fromLatin1(kMessageCaption));
        ui = qtUi_.get();
    }
    session_ = std::make_unique<WriterSession>(*ui);
    session_->hooks = withOperations(options_.hooks);
}

CPlxApp::~CPlxApp()
{
    frame_.reset();
    exitInstance();
}

QString CPlxApp::deviceTablePath() const
{
    if (!options_.deviceTablePath.isEmpty())
        return options_.deviceTablePath;
    const QString fromEnvironment = qEnvironmentVariable(kDeviceTableVariable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QString::fromStdU16String(deviceTableBeside(currentExecutablePath()).u16string());
}

bool CPlxApp::initInstance()
{
    Ui& ui = *session_->ui;
    const QString name =
        options_.instanceName.isEmpty() ? qtui::SingleInstance::executableBaseName() : options_.instanceName;
    instance_ = std::make_unique<qtui::SingleInstance>(name);
    if (!instance_->acquire()) {
        instance_.reset();
        ui.message(Icon::Stop, std::string(msg::kWriterAlreadyStarted));
        return false;
    }

    auto table = loadDeviceTable(toPath(deviceTablePath()));
    if (!table) {
        ui.message(Icon::Stop, std::string(msg::kDeviceTableNotFound));
        return false;
    }
    session_->state.deviceTable = std::move(*table);

    frame_ = std::make_unique<CMainFrame>(*session_);
    connect(frame_.get(), &CMainFrame::aboutRequested, this, &CPlxApp::onAppAbout);
    frame_->show();
    frame_->setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    return true;
}

int CPlxApp::exitInstance()
{
    if (instance_)
        instance_->release();
    instance_.reset();
    return 0;
}

void CPlxApp::onAppAbout()
{
    // The port is the one the form's port list last chose.
    if (session_->hooks.queryFirmwareVersion)
        session_->hooks.queryFirmwareVersion(*session_);
    CAboutDlg about(QString::fromStdString(session_->controlProgramVersion),
                    QString::fromStdString(session_->link.firmwareVersion), frame_.get());
    about.exec();
}

} // namespace plx71
