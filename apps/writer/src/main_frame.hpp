#pragma once
// The main window: menu 128 over the settings form.
#include <QMainWindow>

class QAction;

namespace plx71 {

class CPlxView;
struct WriterSession;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(WriterSession& session, QWidget* parent = nullptr);

    CPlxView* view() const { return view_; }
    QAction* openAction() const { return open_; }
    QAction* saveAsAction() const { return saveAs_; }
    QAction* exitAction() const { return exit_; }
    QAction* editUserRomAction() const { return editUser_; }
    QAction* editBootRomAction() const { return editBoot_; }
    QAction* aboutAction() const { return about_; }
    QAction* verifyAfterDownloadAction() const { return verify_; }
    QAction* skipBlankPagesAction() const { return skipBlank_; }
    QAction* productionRecordAction() const { return record_; }

signals:
    void aboutRequested();

private:
    // "Production Record...": a file chosen turns the record on, a cancelled
    // choice turns it off.
    void chooseProductionRecord();
    void showRecordChoice();

    WriterSession& session_;
    CPlxView* view_;
    QAction* open_ = nullptr;
    QAction* saveAs_ = nullptr;
    QAction* exit_ = nullptr;
    QAction* editUser_ = nullptr;
    QAction* editBoot_ = nullptr;
    QAction* about_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* skipBlank_ = nullptr;
    QAction* record_ = nullptr;
};

} // namespace plx71
