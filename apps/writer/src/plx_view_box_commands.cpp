// The form's commands that talk to the writer box: Download and Upload.
#include "plx_view.hpp"

namespace plx71 {

void CPlxView::onDownload()
{
    if (!flushPendingChecks() || !takeForCommand())
        return;
    session_.link.comPortIndex = session_.job.portSelection;
    if (session_.hooks.download)
        session_.hooks.download(session_, this);
    updateButtons();
}

void CPlxView::onUpload()
{
    if (!flushPendingChecks())
        return;
    takeJob();
    session_.link.comPortIndex = session_.job.portSelection;
    const bool complete = session_.hooks.upload && session_.hooks.upload(session_, this);
    // A stopped upload has still applied the box's settings, so the form
    // shows them; only a complete one enables Download.
    selectDeviceInList();
    showJob();
    updateButtons(complete);
}

} // namespace plx71
