#include "commands/upload_command.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/prepared_job/prepared_job.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace plx71::cli {

namespace {

std::string areaText(const PcJobState& state, Area area, const std::string& path)
{
    const AreaRange range = state.range(area);
    SaveRequest request;
    request.data = state.images.of(area);
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.family = deviceFamily(state.currentDevice);
    return formatDataFile(pathFromUtf8(path), request);
}

// The outputs of an upload that were asked for, project first.
std::vector<std::pair<const char*, const std::string*>> uploadOutputs(const UploadCommand& o)
{
    std::vector<std::pair<const char*, const std::string*>> outputs{{"-o", &o.project}};
    if (!o.userRom.empty())
        outputs.emplace_back("--user-rom", &o.userRom);
    if (!o.bootRom.empty())
        outputs.emplace_back("--boot-rom", &o.bootRom);
    return outputs;
}

std::filesystem::path sameFileKey(const std::string& path)
{
    std::error_code ec;
    const auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(pathFromUtf8(path), ec), ec);
    return ec ? std::filesystem::absolute(pathFromUtf8(path)).lexically_normal() : p;
}

// One file named for two outputs would hold only the second: refused as a
// usage error before anything is read.
bool outputsDistinct(const UploadCommand& o)
{
    const auto outputs = uploadOutputs(o);
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (sameFileKey(*outputs[i].second) == sameFileKey(*outputs[j].second)) {
                std::fprintf(stderr, "upload: %s and %s name the same file: %s\n", outputs[i].first, outputs[j].first,
                             outputs[j].second->c_str());
                return false;
            }
        }
    }
    return true;
}

// Every output can be made now: a name too long or a read-only folder is
// found before the box is read for minutes.
std::optional<std::string> unwritableOutput(CliUi& ui, const UploadCommand& o)
{
    for (const auto& [option, path] : uploadOutputs(o)) {
        std::error_code why;
        if (!canReplaceFile(pathFromUtf8(*path), &why)) {
            ui.messageWithDetail(Icon::Stop, msg::cannotWriteFile(*path), writeFailureReason(why));
            return *path;
        }
    }
    return std::nullopt;
}

// The project names the files written here; where none was asked, the
// names the box returned. Every output is written to its temporary file
// first and all are renamed together: a failure changes none of them.
bool saveUpload(CliUi& ui, PcJobState& state, JobSettings& job, const UploadCommand& o, BoxOutcome& outcome)
{
    std::vector<std::string> texts;
    std::vector<std::string> paths;
    for (auto [area, path] : {std::pair{Area::UserRom, &o.userRom}, std::pair{Area::BootRom, &o.bootRom}}) {
        if (path->empty())
            continue;
        texts.push_back(areaText(state, area, *path));
        paths.push_back(*path);
        const std::string name = utf8FromPath(std::filesystem::absolute(pathFromUtf8(*path)).lexically_normal());
        (area == Area::UserRom ? job.userRomFileName : job.bootRomFileName) = name;
    }
    const auto projectBytes = projectBytesToSave(ui, state, job);
    if (projectBytes) {
        texts.emplace_back(projectBytes->begin(), projectBytes->end());
        paths.push_back(o.project);
        std::vector<FileText> files;
        for (std::size_t i = 0; i < texts.size(); ++i)
            files.push_back({pathFromUtf8(paths[i]), texts[i]});
        std::size_t failed = 0;
        std::error_code why;
        if (replaceFiles(files, &failed, &why))
            return true;
        ui.messageWithDetail(Icon::Stop, msg::cannotWriteFile(paths[failed]), writeFailureReason(why));
        outcome.filePath = paths[failed];
    } else {
        outcome.filePath = o.project;
    }
    outcome.kind = OutcomeClass::OutputNotWritten;
    return false;
}

bool userRomBlank(const PcJobState& state)
{
    const std::vector<std::uint8_t>& user = state.images.of(Area::UserRom);
    const std::size_t n = std::min<std::size_t>(state.range(Area::UserRom).length(), user.size());
    return std::all_of(user.begin(), user.begin() + std::ptrdiff_t(n), [](std::uint8_t b) { return b == 0xFF; });
}

} // namespace

int UploadCommand::run(CliContext& ctx, CliUi& ui) const
{
    PcJobState state;
    JobSettings job;
    JobFacts facts;
    facts.command = "upload";
    if (!loadTable(ctx, ui, state))
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, ctx.tablePath), facts, link);
    if (isGang(link)) {
        std::fprintf(stderr, "upload reads one writer box: give --port once\n");
        return kExitUsage;
    }
    if (!outputsDistinct(*this))
        return kExitUsage;
    if (const auto path = unwritableOutput(ui, *this))
        return finishJob(ctx, ui, refused(OutcomeClass::OutputNotWritten, *path), facts, link);
    return runLinkJob(ctx, ui, link, job, facts, [&](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
        BoxOutcome outcome = session.upload(target, state, job, sink, readTwice);
        if (outcome.ok() && userRomBlank(state))
            ui.detail("upload: the User ROM of the box is blank (every byte FF)");
        if (outcome.ok())
            saveUpload(ui, state, job, *this, outcome);
        if (outcome.settingsApplied)
            facts = readJobFacts("upload", state, job);
        for (auto [role, path] :
             {std::pair{"output", &project}, std::pair{"userRom", &userRom}, std::pair{"bootRom", &bootRom}}) {
            if (outcome.ok() && !path->empty())
                facts.files.push_back(fileFact(role, *path));
        }
        return outcome;
    });
}

CLI::App* UploadCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName), "read the job and data back from the writer box into a project");
    cmd->add_option("-o,--output", project, "project file to write (.pxp)")->required();
    cmd->add_option("--user-rom", userRom,
                    "write the User ROM area to this data file (.hex Intel HEX, "
                    "else S-records)");
    cmd->add_option("--boot-rom", bootRom, "write the Boot ROM area to this data file");
    cmd->add_flag("--read-twice", readTwice,
                  "read every page until two reads in a row agree (twice the time): a bit error the "
                  "one-byte check sum lets through is then a re-read, not wrong data");
    addLinkOptions(cmd, link, RecordOption::Present, BoxCount::One);
    addRecoverOption(cmd, link);
    return cmd;
}

} // namespace plx71::cli
