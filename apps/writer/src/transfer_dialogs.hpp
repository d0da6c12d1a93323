#pragma once
// The writer program's transfer dialogs: the shared progress dialog under
// the titles of Download and Upload.
#include "plx71/qtui/transfer_progress_dialog.hpp"

namespace plx71 {

inline const QString kDownloadTitle = QStringLiteral("Downloading...   PC -> PLX-71RD");
inline const QString kUploadTitle = QStringLiteral("Uploading...  PLX-71RD -> PC");

// Download: the User ROM file name above the bar.
class CDownloadDlg : public qtui::TransferProgressDialog {
public:
    CDownloadDlg(const QString& userRomFileName, ProgressCounters& counters, std::int32_t total,
                 std::function<void()> body, QWidget* parent = nullptr)
        : TransferProgressDialog(kDownloadTitle, userRomFileName, counters, total, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CDownloadDlg"));
    }
};

// Upload: the bar alone.
class CUploadDlg : public qtui::TransferProgressDialog {
public:
    CUploadDlg(ProgressCounters& counters, std::int32_t total, std::function<void()> body, QWidget* parent = nullptr)
        : TransferProgressDialog(kUploadTitle, QString(), counters, total, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CUploadDlg"));
    }
};

} // namespace plx71
