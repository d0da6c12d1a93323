#pragma once
// "Loading...": the shared transfer progress dialog over the firmware
// download, with the firmware file's path above the bar.
#include "plx71/ops/progress_sink.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"

namespace plx71 {

class CLoadingDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    // Over counters the box session has started.
    CLoadingDlg(const QString& firmwarePath, ProgressCounters& counters, std::function<void()> body,
                QWidget* parent = nullptr);
};

// The firmware download's progress display: a modal CLoadingDlg showing the
// transfer's text (the firmware file).
class LoadingSink : public ProgressSink {
public:
    explicit LoadingSink(QWidget* parent) : parent_(parent) {}
    bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) override;

private:
    QWidget* parent_;
};

} // namespace plx71
