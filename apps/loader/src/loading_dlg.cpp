#include "loading_dlg.hpp"

namespace plx71 {

CLoadingDlg::CLoadingDlg(const QString& firmwarePath, ProgressCounters& counters, std::int32_t total,
                         std::function<void()> body, QWidget* parent)
    : TransferProgressDialog(QString::fromLatin1(kLoadingTitle.data(), qsizetype(kLoadingTitle.size())),
                             firmwarePath, counters, total, std::move(body), parent)
{
    setObjectName(QStringLiteral("CLoadingDlg"));
}

TransferRunner makeLoadingRunner(QWidget* parent, const QString& firmwarePath)
{
    return [parent, firmwarePath](const TransferView&, ProgressCounters& counters, std::function<void()> body) {
        CLoadingDlg dialog(firmwarePath, counters, counters.total(), std::move(body), parent);
        return dialog.exec() == QDialog::Accepted;
    };
}

} // namespace plx71
