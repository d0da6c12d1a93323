#include "plx_app.hpp"

#include "about_dlg.hpp"
#include "box_operations.hpp"
#include "main_frame.hpp"
#include "plx_view.hpp"

#include "plx71/devices/device_table.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/qtui/app_shell.hpp"
#include "plx71/qtui/paths.hpp"

#include <QApplication>
#include <QFileInfo>

namespace plx71 {

CPlxApp::CPlxApp(AppOptions options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    shell_ = std::make_unique<qtui::AppShell>(options_.ui, QString::fromLatin1(kMessageCaption));
    session_ = std::make_unique<WriterSession>(shell_->ui());
    session_->choosers = options_.choosers;
    session_->preferencesFile = options_.preferencesFile;
    session_->preferences = loadPreferences(options_.preferencesFile);
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
    return qtui::fromPath(deviceTableBeside(currentExecutablePath()));
}

bool CPlxApp::initInstance()
{
    Ui& ui = *session_->ui;
    if (!shell_->acquireInstance(options_.instanceName, msg::kWriterAlreadyStarted))
        return false;

    auto table = loadDeviceTable(qtui::toPath(deviceTablePath()));
    if (!table) {
        ui.message(Icon::Stop, std::string(msg::kDeviceTableNotFound));
        return false;
    }
    session_->state.deviceTable = std::move(*table);

    frame_ = std::make_unique<CMainFrame>(*session_);
    connect(frame_.get(), &CMainFrame::aboutRequested, this, &CPlxApp::onAppAbout);
    frame_->show();
    frame_->setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    // A refused project leaves the message and then the empty form, as the menu does.
    if (!options_.projectPath.isEmpty())
        frame_->view()->openProjectFile(QFileInfo(options_.projectPath).absoluteFilePath());
    return true;
}

int CPlxApp::exitInstance()
{
    shell_->releaseInstance();
    return 0;
}

void CPlxApp::onAppAbout()
{
    // The port is the one the form's port list last chose. While another
    // box operation runs, the box is not asked.
    BoxOperationMark mark(*session_);
    if (!mark.held())
        return;
    CPlxView* view = frame_->view();
    view->showBoxOperationRunning(true);
    queryAboutVersion(*session_);
    mark.release();
    view->showBoxOperationRunning(false);
    CAboutDlg about(QString::fromStdString(session_->controlProgramVersion),
                    QString::fromStdString(session_->box.firmwareVersion()), frame_.get());
    about.exec();
}

} // namespace plx71
