#include "plx71/production_record/job_record.hpp"

#include "plx71/files/regular_file.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_id.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71/text/json_writer.hpp"
#include "plx71/text/utf8_path.hpp"
#include "sha256.hpp"

#include <cstdio>
#include <ctime>
#include <iterator>
#include <vector>

namespace plx71 {

namespace {

std::string hex2(std::uint8_t v)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", unsigned(v));
    return text;
}

std::string filesJson(const std::vector<FileFact>& files)
{
    JsonArray out;
    for (const FileFact& f : files) {
        JsonObject o;
        o.string("role", f.role).string("path", f.path);
        if (f.sha256.empty())
            o.null("sha256");
        else
            o.string("sha256", f.sha256);
        out.object(o);
    }
    return out.text();
}

std::string mismatchJson(const BoxOutcome& outcome)
{
    const VerifyDifference& d = outcome.difference;
    if (!d.any())
        return "null";
    JsonObject o;
    if (d.address) {
        o.string("address", d.where()).string("expected", hex2(d.expected)).string("found", hex2(d.found));
    } else {
        o.string("field", d.field);
    }
    return o.text();
}

std::string portProblemJson(const BoxOutcome& outcome)
{
    if (!isPortProblem(outcome.kind))
        return "null";
    JsonObject o;
    o.string("cause", outcome.portProblem.cause);
    if (!outcome.portProblem.group.empty())
        o.string("group", outcome.portProblem.group);
    if (outcome.portProblem.holderPid != 0)
        o.number("pid", outcome.portProblem.holderPid);
    return o.text();
}

void optionalText(JsonObject& o, std::string_view key, const std::string& value)
{
    if (value.empty())
        o.null(key);
    else
        o.string(key, value);
}

void optionalMask(JsonObject& o, std::string_view key, const std::optional<std::uint8_t>& mask)
{
    if (mask)
        o.number(key, *mask);
    else
        o.null(key);
}

void addResultFields(JsonObject& o, const BoxOutcome& outcome, const JobFacts& facts, int exitCode)
{
    o.string("command", facts.command).string("outcome", outcomeClassName(outcome.kind)).number("exitCode", exitCode);
    optionalText(o, "jobId", facts.jobId);
    optionalText(o, "station", facts.station);
    optionalText(o, "jobDigest", facts.jobDigest);
    optionalText(o, "port", outcome.portName);
    optionalText(o, "devicePath", outcome.devicePath);
    optionalText(o, "stableName", outcome.stableName);
    optionalText(o, "portGiven", outcome.portGiven);
    optionalText(o, "deviceNode", outcome.deviceNode);
    o.raw("portProblem", portProblemJson(outcome));
    optionalText(o, "bootVersion", outcome.bootVersion);
    optionalText(o, "firmwareVersion", outcome.firmwareVersion);
    optionalText(o, "device", facts.device);
    o.raw("files", filesJson(facts.files));
    optionalText(o, "userRomFileName", facts.userRomFileName);
    optionalText(o, "bootRomFileName", facts.bootRomFileName);
    optionalText(o, "userRomChecksum", facts.userRomChecksum);
    optionalText(o, "bootRomChecksum", facts.bootRomChecksum);
    optionalText(o, "idCode", facts.idCode);
    optionalMask(o, "operationBlockMask", facts.operationBlockMask);
    optionalMask(o, "lockBitMask", facts.lockBitMask);
    o.number("pagesWritten", outcome.pagesWritten)
        .number("pagesVerified", outcome.pagesVerified)
        .boolean("skipBlank", outcome.skipBlank)
        .number("pagesSkipped", outcome.pagesSkipped)
        .boolean("verified", outcome.verified)
        .raw("mismatch", mismatchJson(outcome));
    if (outcome.notReadBack)
        o.string("note", msg::kLoadedNotReadBack);
    else
        o.null("note");
    optionalText(o, "failedCommand", outcome.failedCommand);
    if (outcome.failedPage)
        o.string("failedPage", hex2(std::uint8_t(*outcome.failedPage >> 8)) + hex2(std::uint8_t(*outcome.failedPage)));
    else
        o.null("failedPage");
    optionalText(o, "filePath", outcome.filePath);
    o.number("linkRate", outcome.linkRate).number("resyncs", outcome.resyncs).number("restarts", outcome.restarts);
    o.number("durationMs", outcome.duration.count());
}

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

JobFacts jobFactsOf(const std::string& command, const BoxJob& job)
{
    JobFacts f;
    f.command = command;
    const DeviceRecord& d = job.device;
    f.device = d.name;
    f.userRomFileName = job.userRomFileName;
    f.bootRomFileName = job.bootRomFileName;
    if (!job.userRomFileName.empty())
        f.userRomChecksum = formatChecksum(areaChecksum(d, Area::UserRom, job.images.user));
    if (!job.bootRomFileName.empty())
        f.bootRomChecksum = formatChecksum(areaChecksum(d, Area::BootRom, job.images.boot));
    f.idCode = formatIdCode(job.idCode);
    if (!d.name.empty()) {
        f.operationBlockMask = job.operationBlockMask;
        f.lockBitMask = job.lockBitMask;
    }
    return f;
}

FileFact fileFact(const std::string& role, const std::string& path)
{
    FileFact f{role, path, {}};
    // Only a regular file is hashed: a FIFO or a device named as the
    // project must not hold the job up before it is checked.
    record_detail::Sha256 hash;
    const FileStatus status = streamRegularFile(pathFromUtf8(path), [&hash](std::span<const char> chunk) {
        hash.update({reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size()});
        return true;
    });
    if (status == FileStatus::Ok)
        f.sha256 = hash.hexDigest();
    return f;
}

std::string resultJson(const BoxOutcome& outcome, const JobFacts& facts, int exitCode)
{
    JsonObject o;
    addResultFields(o, outcome, facts, exitCode);
    return o.text();
}

std::string productionRecordLine(const BoxOutcome& outcome, const JobFacts& facts, int exitCode,
                                 const std::string& programVersion)
{
    JobFacts job = facts;
    if (job.jobId.empty())
        job.jobId = newJobId();
    const std::string host = hostName();
    if (job.station.empty())
        job.station = host;
    JsonObject o;
    o.string("time", utcNow()).string("host", host).string("programVersion", programVersion);
    addResultFields(o, outcome, job, exitCode);
    return o.text() + "\n";
}

} // namespace plx71
