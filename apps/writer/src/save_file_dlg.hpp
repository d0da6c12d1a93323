#pragma once
// Data Save's file dialog: the standard save dialog with one more field,
// "Save Address :", in which the user may name the address ranges to save.
// The field is checked when it loses the focus and again on Save; an
// accepted text replaces the range list, an empty one means the whole area.
#include "plx71/datafile/block_list.hpp"
#include "plx71/image/rom_image.hpp"
#include "plx71/messages/ui.hpp"

#include <QFileDialog>

#include <vector>

class QLineEdit;

namespace plx71 {

class CSaveFileDlg : public QFileDialog {
    Q_OBJECT
public:
    CSaveFileDlg(Ui& ui, Area area, AreaRange range, QWidget* parent = nullptr);

    QLineEdit* addressEdit() const { return addressEdit_; }
    // The ranges of the last accepted Save Address text; empty = whole area.
    const std::vector<AreaRange>& ranges() const { return ranges_; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool checkAddressField();
    void checkAfterFocusLeft();

    Ui& ui_;
    AreaRange range_;
    QLineEdit* addressEdit_;
    std::vector<AreaRange> ranges_;
    bool checkPending_ = false;
};

} // namespace plx71
