#pragma once
// "Data Input": one byte for one address of the area being edited.
#include "plx71/image/rom_image.hpp"
#include "plx71/messages/ui.hpp"

#include <QDialog>

#include <cstdint>

class QLineEdit;

namespace plx71 {

class CDataInputDlg : public QDialog {
    Q_OBJECT
public:
    CDataInputDlg(Ui& ui, AreaRange range, QWidget* parent = nullptr);

    QLineEdit* addressEdit() const { return addressEdit_; }
    QLineEdit* dataEdit() const { return dataEdit_; }
    // Validated results; meaningful only after Accepted.
    std::uint32_t address = 0;
    std::uint8_t data = 0;

public slots:
    void accept() override;

private:
    Ui& ui_;
    AreaRange range_;
    QLineEdit* addressEdit_;
    QLineEdit* dataEdit_;
};

} // namespace plx71
