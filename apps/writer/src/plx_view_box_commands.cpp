// The form's commands that talk to the writer box: Download and Upload.
#include "plx_view.hpp"

#include "box_operations.hpp"

namespace plx71 {

void CPlxView::onDownload()
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    emit statusMessage(QString()); // no note of an earlier download stays
    const BoxOutcome outcome = downloadFromForm(session_, this);
    // A successful download shows no message box; a read-back that proved
    // it says so in the status line, where it does not interrupt.
    if (outcome.ok() && outcome.verified)
        emit statusMessage(QStringLiteral("Download verified"));
    updateButtons();
}

void CPlxView::onUpload()
{
    if (!flushPendingChecks())
        return;
    takeJob();
    const bool complete = uploadIntoForm(session_, this).ok();
    // A stopped upload has still applied the box's settings, so the form
    // shows them; only a complete one enables Download.
    selectDeviceInList();
    showJob();
    updateButtons(complete);
}

} // namespace plx71
