#pragma once
// "Saving...": the worker writes the file while the dialog shows progress.
// The save never stops half-way: Cancel only makes the result Rejected once
// the file is complete. A file that cannot be written is reported over the
// dialog, which still closes.
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/messages/ui.hpp"
#include "plx71/qtui/transfer_progress_dialog.hpp"
#include "plx71/transfer/progress_counters.hpp"

#include <QString>

namespace plx71 {

namespace detail {
struct SavingState {
    ProgressCounters counters;
    bool written = false;
};
} // namespace detail

class CSavingDlg : private detail::SavingState, public qtui::TransferProgressDialog {
public:
    // `request.data` must stay alive and unchanged until the dialog has run.
    CSavingDlg(Ui& ui, const QString& path, SaveRequest request, QWidget* parent = nullptr);

    const ProgressCounters& progress() const { return counters; }
    // True when the worker wrote the whole file.
    bool fileWritten() const { return written; }
};

} // namespace plx71
