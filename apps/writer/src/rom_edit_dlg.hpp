#pragma once
// "Edit": the hex-dump editor of one ROM area. It works on a copy; only OK
// writes the copy back into the image.
#include "plx71/editor/rom_work_copy.hpp"
#include "writer_session.hpp"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

namespace plx71 {

class CDumpListCtrl;

struct RomEditInfo {
    QString deviceTypeText; // empty while no device type is selected
    QString programFileText;
    QString romAreaText;      // "User Rom" / "Boot Rom"
    QString addressRangeText; // "%06X-%06X", empty while no device type is selected
};

class CRomEditDlg : public QDialog {
    Q_OBJECT
public:
    CRomEditDlg(WriterSession& session, Area area, const RomEditInfo& info, QWidget* parent = nullptr);

    const RomWorkCopy& workCopy() const { return copy_; }
    CDumpListCtrl* dumpList() const { return list_; }

    // The paging buttons, top to bottom: three up .. three down.
    QPushButton* pagingButton(int index) const { return paging_.at(std::size_t(index)); }

public slots:
    void onAddress();
    void onModify();
    void onClear();
    void onSave();
    void accept() override;

private:
    void fillPage();

    WriterSession& session_;
    RomWorkCopy copy_;
    CDumpListCtrl* list_ = nullptr;
    std::array<QPushButton*, 6> paging_{};
};

} // namespace plx71
