// The form's commands that talk to the writer box: Download and Upload.
#include "plx_view.hpp"

#include "box_operations.hpp"

#include <QPushButton>

namespace plx71 {

void CPlxView::onDownload()
{
    BoxOperationMark mark(session_);
    if (!mark.held())
        return;
    showBoxOperationRunning(true);
    if (!flushPendingChecks() || !takeForCommand()) {
        mark.release();
        showBoxOperationRunning(false);
        return;
    }
    emit statusMessage(QString()); // no note of an earlier download stays
    // Data phase and read-back run under the one mark: nothing can start in
    // between.
    const BoxOutcome outcome = downloadFromForm(session_, this);
    // A successful download shows no message box; a read-back that proved
    // it says so in the status line, where it does not interrupt.
    if (outcome.ok() && outcome.verified)
        emit statusMessage(QStringLiteral("Download verified"));
    mark.release();
    showBoxOperationRunning(false);
}

void CPlxView::onUpload()
{
    BoxOperationMark mark(session_);
    if (!mark.held())
        return;
    const bool downloadWasEnabled = c_.download->isEnabled();
    showBoxOperationRunning(true);
    if (!flushPendingChecks()) {
        mark.release();
        showBoxOperationRunning(false);
        c_.download->setEnabled(downloadWasEnabled);
        return;
    }
    takeJob();
    const bool complete = uploadIntoForm(session_, this).ok();
    // A stopped upload has still applied the box's settings, so the form
    // shows them; only a complete one enables Download.
    selectDeviceInList();
    showJob();
    mark.release();
    showBoxOperationRunning(false, complete);
    if (!complete)
        c_.download->setEnabled(downloadWasEnabled);
}

void CPlxView::showBoxOperationRunning(bool running, bool refreshDownload)
{
    c_.upload->setEnabled(!running);
    if (running)
        c_.download->setEnabled(false);
    else
        updateButtons(refreshDownload);
    emit boxOperationRunning(running);
}

} // namespace plx71
