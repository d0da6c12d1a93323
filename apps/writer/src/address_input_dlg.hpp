#pragma once
// "Address Input": the editor's jump target, checked on OK against the area
// being edited.
#include "plx71/image/rom_image.hpp"
#include "plx71/messages/ui.hpp"

#include <QDialog>

#include <cstdint>
#include <optional>

class QLineEdit;

namespace plx71 {

class CAddressInputDlg : public QDialog {
    Q_OBJECT
public:
    CAddressInputDlg(Ui& ui, AreaRange range, QWidget* parent = nullptr);

    QLineEdit* addressEdit() const { return addressEdit_; }
    // The validated address; meaningful only after Accepted.
    std::uint32_t address = 0;

public slots:
    void accept() override;

private:
    Ui& ui_;
    AreaRange range_;
    QLineEdit* addressEdit_;
};

// The address check shared by Address Input and Data Input: a hexadecimal
// field inside the area.
std::optional<std::uint32_t> areaAddress(const QString& text, AreaRange range);

} // namespace plx71
