#include "transfer_dialogs.hpp"

namespace plx71 {

TransferRunner makeDialogRunner(QWidget* parent)
{
    return [parent](const TransferView& view, ProgressCounters& counters, std::function<void()> body) {
        const QString title = QString::fromStdString(view.title);
        const QString text = QString::fromStdString(view.text);
        const std::int32_t total = counters.total();
        if (title == kDownloadDlgTitle)
            return CDownloadDlg(text, counters, total, std::move(body), parent).exec() == QDialog::Accepted;
        if (title == kUploadDlgTitle)
            return CUploadDlg(counters, total, std::move(body), parent).exec() == QDialog::Accepted;
        return qtui::runTransferDialog(title, text, counters, total, std::move(body), parent);
    };
}

WriterHooks withOperations(WriterHooks hooks)
{
    if (!hooks.queryFirmwareVersion)
        hooks.queryFirmwareVersion = [](WriterSession& s) { queryFirmwareVersion(*s.ui, s.link); };
    if (!hooks.download)
        hooks.download = [](WriterSession& s, QWidget* parent) {
            return runDownload(*s.ui, s.link, s.state, s.job, makeDialogRunner(parent));
        };
    if (!hooks.upload)
        hooks.upload = [](WriterSession& s, QWidget* parent) {
            return runUpload(*s.ui, s.link, s.state, s.job, makeDialogRunner(parent)) == UploadResult::Complete;
        };
    return hooks;
}

} // namespace plx71
