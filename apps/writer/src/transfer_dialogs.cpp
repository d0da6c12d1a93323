#include "transfer_dialogs.hpp"

namespace plx71 {

bool DialogProgressSink::runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body)
{
    const QString text = QString::fromStdString(view.text);
    switch (view.kind) {
    case TransferKind::Download:
        return CDownloadDlg(text, counters, std::move(body), parent_).exec() == QDialog::Accepted;
    case TransferKind::Verify:
        return CVerifyDlg(text, counters, std::move(body), parent_).exec() == QDialog::Accepted;
    case TransferKind::Upload:
        return CUploadDlg(counters, std::move(body), parent_).exec() == QDialog::Accepted;
    case TransferKind::FirmwareLoad:
        break;
    }
    qtui::TransferProgressDialog dialog(QString::fromStdString(view.title), text, counters, std::move(body), parent_);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace plx71
