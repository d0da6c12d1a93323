#include "loading_dlg.hpp"

namespace plx71 {

CLoadingDlg::CLoadingDlg(const QString& firmwarePath, ProgressCounters& counters, std::function<void()> body,
                         QWidget* parent)
    : TransferProgressDialog(QString::fromLatin1(kLoadingTitle.data(), qsizetype(kLoadingTitle.size())), firmwarePath,
                             counters, std::move(body), parent)
{
    setObjectName(QStringLiteral("CLoadingDlg"));
}

bool LoadingSink::runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body)
{
    CLoadingDlg dialog(QString::fromStdString(view.text), counters, std::move(body), parent_);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace plx71
