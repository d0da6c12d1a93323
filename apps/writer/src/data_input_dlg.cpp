#include "data_input_dlg.hpp"

#include "address_input_dlg.hpp"
#include "field_focus.hpp"
#include "input_dialog_layout.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/messages/message_texts.hpp"

#include <QLineEdit>

namespace plx71 {

CDataInputDlg::CDataInputDlg(Ui& ui, AreaRange range, QWidget* parent)
    : QDialog(parent), ui_(ui), range_(range), addressEdit_(new QLineEdit(this)), dataEdit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("CDataInputDlg"));
    addressEdit_->setObjectName(QStringLiteral("addressText"));
    dataEdit_->setObjectName(QStringLiteral("dataText"));
    buildInputDialog(this, QStringLiteral("Data Input"),
                     {{QStringLiteral("&Address :"), addressEdit_}, {QStringLiteral("&Data :"), dataEdit_}});
}

void CDataInputDlg::accept()
{
    const auto a = areaAddress(addressEdit_->text(), range_);
    if (!a) {
        ui_.message(Icon::Exclamation, std::string(msg::kInvalidAddress));
        refocusAndSelect(addressEdit_);
        return;
    }
    const auto d = parseHexField(dataEdit_->text().toStdString());
    if (!d || *d > 0xFF) {
        ui_.message(Icon::Exclamation, std::string(msg::kInvalidData));
        refocusAndSelect(dataEdit_);
        return;
    }
    address = *a;
    data = std::uint8_t(*d);
    QDialog::accept();
}

} // namespace plx71
