#include "box_operations.hpp"

#include "transfer_dialogs.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/prepared_job/prepared_job.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71_version.hpp"

namespace plx71 {

void appendProductionRecord(WriterSession& s, const JobFacts& facts, const BoxOutcome& outcome)
{
    if (s.preferences.productionRecordPath.isEmpty())
        return;
    const std::string path = s.preferences.productionRecordPath.toStdString();
    const std::string line = productionRecordLine(outcome, facts, outcomeExitCode(outcome.kind), PLX71_PROGRAM_VERSION);
    if (!appendProductionRecordLine(path, line))
        s.ui->message(Icon::Exclamation, msg::cannotWriteFile(path));
}

BoxOutcome downloadFromForm(WriterSession& s, QWidget* parent)
{
    DialogProgressSink sink(parent);
    // The form's job, prepared as a project's is: what the box is sent and
    // what the record says are worked out here, once.
    const PreparedJob job = prepareJob(s.state, s.job, "download");
    const BoxOutcome outcome = s.box.download(
        s.boxTarget(), job.box, sink, DownloadOptions{s.preferences.verifyAfterDownload, s.preferences.skipBlankPages});
    appendProductionRecord(s, job.facts, outcome);
    return outcome;
}

BoxOutcome uploadIntoForm(WriterSession& s, QWidget* parent)
{
    DialogProgressSink sink(parent);
    const BoxOutcome outcome = s.box.upload(s.boxTarget(), s.state, s.job, sink);
    if (outcome.settingsApplied && !s.preferences.productionRecordPath.isEmpty())
        appendProductionRecord(s, prepareJob(s.state, s.job, "upload").facts, outcome);
    return outcome;
}

void queryAboutVersion(WriterSession& s)
{
    s.box.queryFirmwareVersion(s.boxTarget().port);
}

} // namespace plx71
