#pragma once
// The firmware loader's main window: read the writer box's versions, pick a
// firmware file, write it into the box, and leave the box at 9600 bit/s.
#include "loader_session.hpp"
#include "plx71/port/link_rates.hpp"

#include <QDialog>
#include <QString>

class QAction;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace plx71 {

inline constexpr const char* kLoaderDialogTitle = "PLX-71RD Firmware Down Loader Ver1.30 2001/12";

class CLoaderDlg : public QDialog {
    Q_OBJECT
public:
    // The command id of the About entry in the window's system menu.
    static constexpr unsigned kAboutCommandId = 0x10;

    // What the controls show; moved to and from them by takeControls() and
    // showMembers().
    struct Members {
        int baudIndex = linkRateIndex(kDefaultLinkRate); // the list's index
        int portIndex = 0;                               // "COM1"
        QString fileVersionText;
        QString statusText;
        QString fileText;
        QString bootVersionText;
        QString firmVersionText;
    };

    explicit CLoaderDlg(LoaderSession& session, QWidget* parent = nullptr);

    const Members& members() const { return m_; }
    // Where Read Version and Download go: the port and rate of the members.
    BoxTarget boxTarget() const;
    QAction* aboutAction() const { return aboutAction_; }
    bool operationRunning() const { return operationRunning_; }

public slots:
    void onReadVersion();
    void onSelectFile();
    void onDownload();
    void showAbout();
    // "Exit", Esc and the close box.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void buildControls();
    void takeControls();
    void showMembers();
    void installAboutEntry();
    // While an operation runs, no button starts another.
    void showOperationRunning(bool running);

    LoaderSession& session_;
    Members m_;
    bool operationRunning_ = false;
#ifdef Q_OS_WIN
    bool systemMenuDone_ = false;
#endif

    QLineEdit* fileText_ = nullptr;
    QLineEdit* fileVersionText_ = nullptr;
    QLineEdit* firmVersionText_ = nullptr;
    QLineEdit* bootVersionText_ = nullptr;
    QLineEdit* statusText_ = nullptr;
    QPushButton* selectButton_ = nullptr;
    QPushButton* readVersionButton_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QComboBox* portCombo_ = nullptr;
    QComboBox* baudCombo_ = nullptr;
    QAction* aboutAction_ = nullptr;
};

} // namespace plx71
