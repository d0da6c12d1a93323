#pragma once
// The form's operations on the writer box: each aims the session's box at
// the form's port and rate, runs it under the program's dialogs, and
// appends the production record when one is chosen.
#include "writer_session.hpp"

class QWidget;

namespace plx71 {

// Download, with the read-back when "Verify after Download" is on.
BoxOutcome downloadFromForm(WriterSession& session, QWidget* parent);
// Upload into the form's job and images.
BoxOutcome uploadIntoForm(WriterSession& session, QWidget* parent);
// Help > About's firmware version query (into session.box.firmwareVersion()).
void queryAboutVersion(WriterSession& session);

// Appends the job's record line to preferences.recordPath, when set. A file
// that cannot be written is a warning ("Cannot write file '...'"); the
// job's outcome stays as it is.
void appendProductionRecord(WriterSession& session, const std::string& command, const BoxOutcome& outcome);

} // namespace plx71
