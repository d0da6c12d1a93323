#pragma once
// The form's operations on the writer box: each aims the session's box at
// the form's port and rate, runs it under the program's dialogs, and
// appends the production record when one is chosen.
#include "writer_session.hpp"

#include "plx71/production_record/job_record.hpp"

class QWidget;

namespace plx71 {

// Holds the session's one box operation from its start to its end. A second
// mark taken meanwhile is not held(): its operation must not start, however
// it was triggered (a modal dialog does not stop every way in).
class BoxOperationMark {
public:
    explicit BoxOperationMark(WriterSession& session) : session_(session), held_(!session.boxOperationRunning)
    {
        if (held_)
            session_.boxOperationRunning = true;
    }
    ~BoxOperationMark() { release(); }
    BoxOperationMark(const BoxOperationMark&) = delete;
    BoxOperationMark& operator=(const BoxOperationMark&) = delete;

    bool held() const { return held_; }
    // Ends the operation before the mark goes out of scope (the controls
    // shown afterwards must see it ended).
    void release()
    {
        if (held_)
            session_.boxOperationRunning = false;
        held_ = false;
    }

private:
    WriterSession& session_;
    bool held_;
};

// Download, with the read-back when "Verify after Download" is on.
BoxOutcome downloadFromForm(WriterSession& session, QWidget* parent);
// Upload into the form's job and images.
BoxOutcome uploadIntoForm(WriterSession& session, QWidget* parent);
// Help > About's firmware version query (into session.box.firmwareVersion()).
void queryAboutVersion(WriterSession& session);

// Appends the record line of a job with these facts to
// preferences.productionRecordPath, when set. A file that cannot be written
// is a warning ("Cannot write file '...'"); the job's outcome stays as it is.
void appendProductionRecord(WriterSession& session, const JobFacts& facts, const BoxOutcome& outcome);

} // namespace plx71
