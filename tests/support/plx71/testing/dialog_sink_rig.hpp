#pragma once
// A window program's progress sink for the contract (progress_sink_contract.hpp):
// its modal dialog runs the body; Cancel is the dialog's button, pressed on
// the GUI thread once the dialog shows.
#include "plx71/qtui/transfer_progress_dialog.hpp"
#include "plx71/testing/modal_windows.hpp"
#include "plx71/testing/progress_sink_contract.hpp"

#include <QApplication>
#include <QPushButton>

namespace plx71::test {

template <typename Sink>
struct DialogSinkRig : SinkRig {
    Sink dialogSink{nullptr};
    ProgressSink& sink() override { return dialogSink; }
    bool pressCancel() override
    {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                qtui::whenVisible<qtui::TransferProgressDialog>(
                    [](qtui::TransferProgressDialog* d) { d->cancelButton()->click(); });
            },
            Qt::QueuedConnection);
        return true;
    }
};

} // namespace plx71::test
