#pragma once
// "Loading...": the shared transfer progress dialog over the firmware
// download, with the firmware file's path above the bar.
#include "plx71/ops/transfer_runner.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"

namespace plx71 {

class CLoadingDlg : public qtui::TransferProgressDialog {
    Q_OBJECT
public:
    CLoadingDlg(const QString& firmwarePath, ProgressCounters& counters, std::int32_t total,
                std::function<void()> body, QWidget* parent = nullptr);
};

// The download's progress display: a modal CLoadingDlg showing `firmwarePath`.
TransferRunner makeLoadingRunner(QWidget* parent, const QString& firmwarePath);

} // namespace plx71
