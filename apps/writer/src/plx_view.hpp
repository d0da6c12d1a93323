#pragma once
// The settings form: device type, data files, job settings, port and rates,
// and the commands that use them. Every value lives in the session's
// JobSettings; "take" copies the controls into it, "show" copies it back.
#include "writer_session.hpp"

#include <QSet>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace plx71 {

class CPlxView : public QWidget {
    Q_OBJECT
public:
    explicit CPlxView(WriterSession& session, QWidget* parent = nullptr);

    WriterSession& session() { return session_; }

    // Controls -> job settings, and back.
    void take();
    void show();
    // take, then the Check ID text as typed: an invalid one is reported,
    // gets the focus back and stops the command (false).
    bool takeForCommand();

public slots:
    void onDeviceTypeChanged(int index);
    void onSelectUserRomFile();
    void onSelectBootRomFile();
    void onDownload();
    void onUpload();
    void onPortChanged(int index);
    void onProjectOpen();
    void onProjectSaveAs();
    void onEditRomArea(plx71::Area area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildForm();
    void fitFieldsToTheirTexts();
    // The Select buttons follow the device choice; Download too unless
    // `refreshDownload` is false (an upload that did not complete leaves it).
    void updateButtons(bool refreshDownload = true);
    // Checks of a field the user left: run once the focus has settled, or
    // at once before a command starts. False when a check refused its field.
    bool flushPendingChecks();
    void checkAfterFocusLeft(QLineEdit* edit);
    bool checkField(QLineEdit* edit);
    void selectDeviceInList();

    WriterSession& session_;
    QSet<QLineEdit*> pending_;
    bool refocusing_ = false;

    QComboBox* deviceCombo_ = nullptr;
    QLineEdit* userRomAreaText_ = nullptr;
    QLineEdit* blockRangeText_ = nullptr;
    QLineEdit* bootRomAreaText_ = nullptr;
    QLineEdit* vccEdit_ = nullptr;
    QLineEdit* vppEdit_ = nullptr;
    QComboBox* serialModeCombo_ = nullptr;
    QComboBox* targetBaudCombo_ = nullptr;

    QLineEdit* userRomFileName_ = nullptr;
    QPushButton* userRomSelect_ = nullptr;
    QLineEdit* idCodeText_ = nullptr;
    QLineEdit* romProtectText_ = nullptr;
    QLineEdit* userRomChecksumText_ = nullptr;
    QLineEdit* bootRomFileName_ = nullptr;
    QPushButton* bootRomSelect_ = nullptr;
    QLineEdit* bootVersionText_ = nullptr;
    QCheckBox* updateEnable_ = nullptr;
    QLineEdit* bootRomChecksumText_ = nullptr;

    QButtonGroup* operationBlockGroup_ = nullptr;
    QLineEdit* operationBlockList_ = nullptr;
    QLineEdit* checkIdText_ = nullptr;
    QButtonGroup* lockBitGroup_ = nullptr;
    QLineEdit* lockBlockList_ = nullptr;

    QComboBox* portCombo_ = nullptr;
    QComboBox* hostBaudCombo_ = nullptr;
    QPushButton* upload_ = nullptr;
    QPushButton* download_ = nullptr;
};

} // namespace plx71
