#pragma once
// "About PLX-71RD": the program's version beside the writer box's firmware.
#include <QDialog>

class QLineEdit;

namespace plx71 {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const QString& controlProgramVersion, const QString& firmwareVersion, QWidget* parent = nullptr);

    QLineEdit* controlProgramEdit() const { return controlProgram_; }
    QLineEdit* firmwareEdit() const { return firmware_; }

private:
    QLineEdit* controlProgram_;
    QLineEdit* firmware_;
};

} // namespace plx71
