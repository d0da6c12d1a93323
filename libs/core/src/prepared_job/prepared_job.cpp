#include "plx71/prepared_job/prepared_job.hpp"

#include "plx71/production_record/job_digest.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71 {

namespace {

// What the box job states, and the job digest of the state and settings it
// was made from: taken here, once per job, for every front end.
JobFacts factsOf(const std::string& command, const PcJobState& state, const JobSettings& job, const BoxJob& box)
{
    JobFacts facts = jobFactsOf(command, box);
    if (!box.device.name.empty())
        facts.jobDigest = jobDigest(state, job);
    return facts;
}

} // namespace

PreparedJob prepareJob(PcJobState state, JobSettings job, const std::string& command)
{
    PreparedJob p;
    p.state = std::move(state);
    p.job = std::move(job);
    p.box = boxJobOf(p.state, p.job);
    p.facts = factsOf(command, p.state, p.job, p.box);
    if (!p.job.userRomFileName.empty())
        p.facts.files.push_back(fileFact("userRom", p.job.userRomFileName));
    if (!p.job.bootRomFileName.empty())
        p.facts.files.push_back(fileFact("bootRom", p.job.bootRomFileName));
    return p;
}

std::variant<PreparedJob, ProjectRefusal> openPreparedJob(const DeviceTable& table, const std::string& projectPath,
                                                          const std::string& command, const ProtectDecision& protect)
{
    // The project is hashed before it is read: the record names the bytes
    // the job came from.
    const FileFact projectFact = fileFact("project", projectPath);
    PcJobState state;
    state.deviceTable = table;
    JobSettings job;
    ProjectOpening opened = applyProjectFile(state, job, pathFromUtf8(projectPath), protect);
    ProjectRefusal refusal;
    refusal.dataFileProblems = opened.dataFileProblems;
    if (opened.refused) {
        refusal.project = opened.refused;
        refusal.facts.command = command;
        refusal.facts.files.push_back(projectFact);
        return refusal;
    }
    PreparedJob p = prepareJob(std::move(state), std::move(job), command);
    p.facts.files.insert(p.facts.files.begin(), projectFact);
    p.dataFileProblems = std::move(opened.dataFileProblems);
    if (p.state.deviceIndex < 0)
        refusal.unsendable = Unsendable::NoDeviceType;
    else if (!p.box.sendable)
        refusal.unsendable = Unsendable::NoUserRomData;
    if (!refusal.unsendable)
        return p;
    refusal.facts = std::move(p.facts);
    return refusal;
}

JobFacts readJobFacts(const std::string& command, const PcJobState& state, const JobSettings& job)
{
    return factsOf(command, state, job, boxJobOf(state, job));
}

} // namespace plx71
