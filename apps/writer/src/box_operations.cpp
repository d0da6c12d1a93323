#include "box_operations.hpp"

#include "transfer_dialogs.hpp"

#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71_version.hpp"

namespace plx71 {

void appendProductionRecord(WriterSession& s, const std::string& command, const BoxOutcome& outcome)
{
    if (s.preferences.productionRecordPath.isEmpty())
        return;
    JobFacts facts = jobFactsOf(command, boxJobOf(s.state, s.job));
    if (!s.job.userRomFileName.empty())
        facts.files.push_back(fileFact("userRom", s.job.userRomFileName));
    if (!s.job.bootRomFileName.empty())
        facts.files.push_back(fileFact("bootRom", s.job.bootRomFileName));
    const std::string path = s.preferences.productionRecordPath.toStdString();
    const std::string line = productionRecordLine(outcome, facts, outcomeExitCode(outcome.kind), PLX71_PROGRAM_VERSION);
    if (!appendProductionRecordLine(path, line))
        s.ui->message(Icon::Exclamation, msg::cannotWriteFile(path));
}

BoxOutcome downloadFromForm(WriterSession& s, QWidget* parent)
{
    DialogProgressSink sink(parent);
    const BoxOutcome outcome =
        s.box.download(s.boxTarget(), boxJobOf(s.state, s.job), sink,
                       DownloadOptions{s.preferences.verifyAfterDownload, s.preferences.skipBlankPages});
    appendProductionRecord(s, "download", outcome);
    return outcome;
}

BoxOutcome uploadIntoForm(WriterSession& s, QWidget* parent)
{
    DialogProgressSink sink(parent);
    const BoxOutcome outcome = s.box.upload(s.boxTarget(), s.state, s.job, sink);
    if (outcome.settingsApplied)
        appendProductionRecord(s, "upload", outcome);
    return outcome;
}

void queryAboutVersion(WriterSession& s)
{
    s.box.queryFirmwareVersion(s.boxTarget().port);
}

} // namespace plx71
