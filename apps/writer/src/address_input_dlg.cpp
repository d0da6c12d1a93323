#include "address_input_dlg.hpp"

#include "field_focus.hpp"
#include "input_dialog_layout.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/messages/message_texts.hpp"

#include <QLineEdit>

namespace plx71 {

std::optional<std::uint32_t> areaAddress(const QString& text, AreaRange range)
{
    const auto value = parseHexField(text.toStdString());
    if (!value || *value < range.start || *value > range.end)
        return std::nullopt;
    return value;
}

CAddressInputDlg::CAddressInputDlg(Ui& ui, AreaRange range, QWidget* parent)
    : QDialog(parent), ui_(ui), range_(range), addressEdit_(new QLineEdit(this))
{
    setObjectName(QStringLiteral("CAddressInputDlg"));
    addressEdit_->setObjectName(QStringLiteral("addressText"));
    buildInputDialog(this, QStringLiteral("Address Input"), {{QStringLiteral("&Address :"), addressEdit_}});
}

void CAddressInputDlg::accept()
{
    const auto value = areaAddress(addressEdit_->text(), range_);
    if (!value) {
        ui_.message(Icon::Exclamation, std::string(msg::kInvalidAddress));
        refocusAndSelect(addressEdit_);
        return;
    }
    address = *value;
    QDialog::accept();
}

} // namespace plx71
