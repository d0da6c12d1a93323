#include "main_frame.hpp"

#include "plx_view.hpp"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace plx71 {

namespace {

QAction* action(QMenu* menu, const QString& text, const char* name)
{
    QAction* a = menu->addAction(text);
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace

CMainFrame::CMainFrame(WriterSession& session, QWidget* parent) : QMainWindow(parent), view_(new CPlxView(session, this))
{
    setObjectName(QStringLiteral("CMainFrame"));
    setCentralWidget(view_);

    QMenu* project = menuBar()->addMenu(QStringLiteral("&Project"));
    project->setObjectName(QStringLiteral("projectMenu"));
    open_ = action(project, QStringLiteral("&Open...\tCtrl+O"), "projectOpenAction");
    open_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    saveAs_ = action(project, QStringLiteral("Save &As..."), "projectSaveAsAction");
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

    // The window opens at the form's natural size and may grow; it never
    // shrinks below what the form needs to show every control whole.
    setMinimumSize(minimumSizeHint());
    resize(sizeHint());
}

} // namespace plx71
