#include "memory_clear_dlg.hpp"

#include "field_focus.hpp"
#include "input_dialog_layout.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"

#include <QLineEdit>

namespace plx71 {

CMemoryClearDlg::CMemoryClearDlg(Ui& ui, int lastBlock, QWidget* parent)
    : QDialog(parent), ui_(ui), lastBlock_(lastBlock), blockEdit_(new QLineEdit(this)), dataEdit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("CMemoryClearDlg"));
    blockEdit_->setObjectName(QStringLiteral("blockText"));
    dataEdit_->setObjectName(QStringLiteral("dataText"));
    buildInputDialog(this, QStringLiteral("Memory Clear"),
                     {{QStringLiteral("&Block  :"), blockEdit_}, {QStringLiteral("&Data :"), dataEdit_}});
    blockEdit_->setText(QString::fromStdString(blockRangeText(lastBlock)));
    dataEdit_->setText(QStringLiteral("ff"));
}

void CMemoryClearDlg::accept()
{
    std::uint32_t mask = 0;
    if (lastBlock_ < 0 || !parseBlockList(blockEdit_->text().toStdString(), 0, lastBlock_, mask)) {
        ui_.message(Icon::Exclamation, std::string(msg::kInvalidBlockNumber));
        refocusAndSelect(blockEdit_);
        return;
    }
    // The whole text counts: a long run of zeros followed by digits is not
    // cut short and read as something else.
    const auto d = parseHexField(dataEdit_->text().toStdString());
    if (!d || *d > 0xFF) {
        ui_.message(Icon::Exclamation, std::string(msg::kInvalidData));
        refocusAndSelect(dataEdit_);
        return;
    }
    blockMask = mask & 0xFF;
    data = std::uint8_t(*d);
    QDialog::accept();
}

} // namespace plx71
