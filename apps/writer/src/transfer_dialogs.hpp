#pragma once
// The writer program's transfer dialogs: the shared progress dialog under
// the titles of Download and Upload.
#include "writer_session.hpp"

#include "plx71/ops/download.hpp"
#include "plx71/ops/transfer_runner.hpp"
#include "plx71/ops/upload.hpp"
#include "plx71/ops/version_query.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"

namespace plx71 {

inline const QString kDownloadDlgTitle = QString::fromLatin1(kDownloadTitle.data(), qsizetype(kDownloadTitle.size()));
inline const QString kUploadDlgTitle = QString::fromLatin1(kUploadTitle.data(), qsizetype(kUploadTitle.size()));

// Download: the User ROM file name above the bar.
class CDownloadDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CDownloadDlg(const QString& userRomFileName, ProgressCounters& counters, std::int32_t total,
                 std::function<void()> body, QWidget* parent = nullptr)
        : TransferProgressDialog(kDownloadDlgTitle, userRomFileName, counters, total, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CDownloadDlg"));
    }
};

// Upload: the bar alone.
class CUploadDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CUploadDlg(ProgressCounters& counters, std::int32_t total, std::function<void()> body, QWidget* parent = nullptr)
        : TransferProgressDialog(kUploadDlgTitle, QString(), counters, total, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CUploadDlg"));
    }
};

// The operations' progress display: the modal dialog of the transfer.
TransferRunner makeDialogRunner(QWidget* parent);

// The hooks with the writer-box operations filled in where unset: About's
// version query, Download and Upload through the link.
WriterHooks withOperations(WriterHooks hooks);

} // namespace plx71
