#include "main_frame.hpp"

#include "plx_view.hpp"
#include "writer_session.hpp"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace plx71 {

namespace {

QAction* action(QMenu* menu, const QString& text, const char* name)
{
    QAction* a = menu->addAction(text);
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

CMainFrame::CMainFrame(WriterSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), view_(new CPlxView(session, this))
{
    setObjectName(QStringLiteral("CMainFrame"));
    setCentralWidget(view_);

    QMenu* project = menuBar()->addMenu(QStringLiteral("&Project"));
    project->setObjectName(QStringLiteral("projectMenu"));
    open_ = action(project, QStringLiteral("&Open...\tCtrl+O"), "projectOpenAction");
    open_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAs_ = action(project, QStringLiteral("Save &As..."), "projectSaveAsAction");
    project->addSeparator();
    verify_ = action(project, QStringLiteral("&Verify after Download"), "verifyAfterDownloadAction");
    verify_->setCheckable(true);
    verify_->setChecked(session.preferences.verifyAfterDownload);
    skipBlank_ = action(project, QStringLiteral("&Skip Blank Pages"), "skipBlankPagesAction");
    skipBlank_->setCheckable(true);
    skipBlank_->setChecked(session.preferences.skipBlankPages);
    record_ = action(project, QStringLiteral("Production &Record..."), "productionRecordAction");
    record_->setCheckable(true);
    showRecordChoice();
    project->addSeparator();
    exit_ = action(project, QStringLiteral("E&xit"), "exitAction");

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("editMenu"));
    editUser_ = action(edit, QStringLiteral("&User Rom Area"), "editUserRomAction");
    editBoot_ = action(edit, QStringLiteral("&Boot Rom Area"), "editBootRomAction");

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    about_ = action(help, QStringLiteral("&About PLX..."), "aboutAction");

    connect(open_, &QAction::triggered, view_, &CPlxView::onProjectOpen);
    connect(saveAs_, &QAction::triggered, view_, &CPlxView::onProjectSaveAs);
    connect(exit_, &QAction::triggered, this, &QWidget::close);
    connect(editUser_, &QAction::triggered, view_, [this] { view_->onEditRomArea(Area::UserRom); });
    connect(editBoot_, &QAction::triggered, view_, [this] { view_->onEditRomArea(Area::BootRom); });
    connect(about_, &QAction::triggered, this, &CMainFrame::aboutRequested);
    connect(view_, &CPlxView::boxOperationRunning, about_, [this](bool running) { about_->setEnabled(!running); });
    connect(verify_, &QAction::toggled, this, [this](bool on) {
        session_.preferences.verifyAfterDownload = on;
        savePreferences(session_.preferences, session_.preferencesFile);
    });
    connect(skipBlank_, &QAction::toggled, this, [this](bool on) {
        session_.preferences.skipBlankPages = on;
        savePreferences(session_.preferences, session_.preferencesFile);
    });
    connect(record_, &QAction::triggered, this, &CMainFrame::chooseProductionRecord);
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    connect(view_, &CPlxView::statusMessage, statusBar(),
            [this](const QString& text) { statusBar()->showMessage(text); });

    // The window opens at the form's natural size and may grow; it never
    // shrinks below what the form needs to show every control whole.
    setMinimumSize(minimumSizeHint());
    resize(sizeHint());
}

void CMainFrame::chooseProductionRecord()
{
    const QString path = session_.chooseFile(this,
                                             {FileDialogRequest::Mode::Save, QStringLiteral("Production Record"),
                                              QStringLiteral("Production record (*.jsonl)"), QStringLiteral("jsonl")});
    session_.preferences.productionRecordPath = path;
    savePreferences(session_.preferences, session_.preferencesFile);
    showRecordChoice();
}

void CMainFrame::showRecordChoice()
{
    const QString& path = session_.preferences.productionRecordPath;
    record_->setChecked(!path.isEmpty());
    record_->setToolTip(path);
    record_->setStatusTip(path.isEmpty() ? QString() : QStringLiteral("Production record: ") + path);
}

} // namespace plx71
