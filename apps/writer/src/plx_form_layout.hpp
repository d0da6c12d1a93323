#pragma once
// The controls of the settings form and the builders that lay them out, one
// builder per group box. The form owns the widgets through Qt's parent
// chain; this struct only names them.
#include <QString>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace plx71 {

struct PlxFormControls {
    // Target Board
    QComboBox* deviceCombo = nullptr;
    QLineEdit* userRomAreaText = nullptr;
    QLineEdit* blockRangeText = nullptr;
    QLineEdit* bootRomAreaText = nullptr;
    QLineEdit* vccEdit = nullptr;
    QLineEdit* vppEdit = nullptr;
    QComboBox* serialModeCombo = nullptr;
    QComboBox* targetBaudCombo = nullptr;

    // Settings: the data files
    QLineEdit* userRomFileName = nullptr;
    QPushButton* userRomSelect = nullptr;
    QLineEdit* idCodeText = nullptr;
    QLineEdit* romProtectText = nullptr;
    QLineEdit* userRomChecksumText = nullptr;
    QLineEdit* bootRomFileName = nullptr;
    QPushButton* bootRomSelect = nullptr;
    QLineEdit* bootVersionText = nullptr;
    QCheckBox* updateEnable = nullptr;
    QLineEdit* bootRomChecksumText = nullptr;

    // Settings: blocks, Check ID and lock bits
    QButtonGroup* operationBlockGroup = nullptr;
    QLineEdit* operationBlockList = nullptr;
    QLineEdit* checkIdText = nullptr;
    QButtonGroup* lockBitGroup = nullptr;
    QLineEdit* lockBlockList = nullptr;

    // RS-232C and the two operations
    QComboBox* portCombo = nullptr;
    QComboBox* hostBaudCombo = nullptr;
    QPushButton* upload = nullptr;
    QPushButton* download = nullptr;
};

// Builds the whole form into `form` (which gets the outer layout).
PlxFormControls buildPlxForm(QWidget* form);

// Writes a text only when it differs, so the caret of a field being typed
// in stays where it is.
void setFieldText(QLineEdit* edit, const QString& text);

} // namespace plx71
