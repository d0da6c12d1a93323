#pragma once
// "Memory Clear": the User ROM blocks to fill and the byte to fill them with.
#include "plx71/messages/ui.hpp"

#include <QDialog>

#include <cstdint>

class QLineEdit;

namespace plx71 {

class CMemoryClearDlg : public QDialog {
    Q_OBJECT
public:
    // Blocks 0..lastBlock may be named; the block text starts as "0-lastBlock"
    // ("0" for a single block) and the data text as "ff".
    CMemoryClearDlg(Ui& ui, int lastBlock, QWidget* parent = nullptr);

    QLineEdit* blockEdit() const { return blockEdit_; }
    QLineEdit* dataEdit() const { return dataEdit_; }
    // Validated results; meaningful only after Accepted.
    std::uint32_t blockMask = 0; // bits 0..7
    std::uint8_t data = 0;

public slots:
    void accept() override;

private:
    Ui& ui_;
    int lastBlock_;
    QLineEdit* blockEdit_;
    QLineEdit* dataEdit_;
};

} // namespace plx71
