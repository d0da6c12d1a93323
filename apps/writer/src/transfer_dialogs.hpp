#pragma once
// The writer program's transfer dialogs: the shared progress dialog under
// the titles of Download, its read-back and Upload, and the sink through
// which a box session opens the right one.
#include "plx71/ops/progress_sink.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"

namespace plx71 {

inline QString titleText(std::string_view title)
{
    return QString::fromLatin1(title.data(), qsizetype(title.size()));
}
inline const QString kDownloadDlgTitle = titleText(kDownloadTitle);
inline const QString kVerifyDlgTitle = titleText(kVerifyTitle);
inline const QString kUploadDlgTitle = titleText(kUploadTitle);

// Download: the User ROM file name above the bar.
class CDownloadDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CDownloadDlg(const QString& userRomFileName, ProgressCounters& counters, std::function<void()> body,
                 QWidget* parent = nullptr)
        : TransferProgressDialog(kDownloadDlgTitle, userRomFileName, counters, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CDownloadDlg"));
    }
};

// The read-back after a download: the User ROM file name above the bar.
class CVerifyDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CVerifyDlg(const QString& userRomFileName, ProgressCounters& counters, std::function<void()> body,
               QWidget* parent = nullptr)
        : TransferProgressDialog(kVerifyDlgTitle, userRomFileName, counters, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CVerifyDlg"));
    }
};

// Upload: the bar alone.
class CUploadDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CUploadDlg(ProgressCounters& counters, std::function<void()> body, QWidget* parent = nullptr)
        : TransferProgressDialog(kUploadDlgTitle, QString(), counters, std::move(body), parent)
    {
        setObjectName(QStringLiteral("CUploadDlg"));
    }
};

// Each transfer of a box session under its modal dialog, chosen by kind.
class DialogProgressSink : public ProgressSink {
public:
    explicit DialogProgressSink(QWidget* parent) : parent_(parent) {}
    bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) override;

private:
    QWidget* parent_;
};

} // namespace plx71
