#include "commands/link_commands.hpp"

#include "commands/job_ending.hpp"
#include "commands/link_job.hpp"
#include "commands/link_options.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/files/file_replace.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/select_firmware.hpp"
#include "plx71/project/project_actions.hpp"
#include "plx71/text/utf8_path.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace plx71::cli {

namespace {

// An outcome for a job that ended before any port was touched.
BoxOutcome refused(OutcomeClass kind, const std::string& path = {})
{
    BoxOutcome o;
    o.kind = kind;
    o.filePath = path;
    return o;
}

int runVersions(CliContext& ctx, CliUi& ui, const LinkOptions& options)
{
    JobSettings defaults;
    JobFacts facts;
    facts.command = "versions";
    const bool printVersions = !ctx.json && !isGang(options);
    return runLinkJob(ctx, ui, options, defaults, facts,
                      [printVersions](BoxSession& session, const BoxTarget& target, ProgressSink&) {
                          const BoxOutcome outcome = session.readVersions(target);
                          if (outcome.ok() && printVersions)
                              std::printf("boot: %s\nfirmware: %s\n", printable(outcome.bootVersion).c_str(),
                                          printable(outcome.firmwareVersion).c_str());
                          return outcome;
                      });
}

// The project of a download or verify, with the data it names. Nothing is
// sent for a project that cannot be opened or holds no job.
struct ProjectJob {
    WriterState state;
    JobSettings job;
    JobFacts facts;
    std::optional<BoxOutcome> refusal;
};

void openProjectJob(const CliContext& ctx, CliUi& ui, const std::string& command, const std::string& projectPath,
                    ProjectJob& p)
{
    p.facts.command = command;
    p.facts.files.push_back(fileFact("project", projectPath));
    if (!loadTable(ctx, ui, p.state) || !openProject(ui, p.state, p.job, pathFromUtf8(projectPath))) {
        p.refusal = refused(OutcomeClass::FileError, projectPath);
        return;
    }
    const std::string projectHash = p.facts.files.front().sha256;
    p.facts = jobFactsOf(command, p.state, p.job);
    p.facts.files.push_back(FileFact{"project", projectPath, projectHash});
    if (!p.job.userRomFileName.empty())
        p.facts.files.push_back(fileFact("userRom", p.job.userRomFileName));
    if (!p.job.bootRomFileName.empty())
        p.facts.files.push_back(fileFact("bootRom", p.job.bootRomFileName));
    if (p.state.deviceIndex < 0) {
        std::fprintf(stderr, "%s: no device type selected; nothing sent\n", projectPath.c_str());
        p.refusal = refused(OutcomeClass::FileError, projectPath);
    } else if (!canDownload(p.state, p.job)) {
        std::fprintf(stderr, "%s: no User ROM data loaded; nothing sent\n", projectPath.c_str());
        p.refusal = refused(OutcomeClass::FileError, projectPath);
    }
}

struct DownloadCommand {
    std::string project;
    bool noVerify = false;
    bool skipBlank = false;
    LinkOptions link;

    DownloadOptions options() const { return DownloadOptions{!noVerify, skipBlank}; }
};

int runDownloadOrVerify(CliContext& ctx, CliUi& ui, const DownloadCommand& d, bool writeJob)
{
    ProjectJob p;
    openProjectJob(ctx, ui, writeJob ? "download" : "verify", d.project, p);
    if (p.refusal)
        return finishJob(ctx, ui, *p.refusal, p.facts, d.link.productionRecordPath);
    // One project for every box: the images are shared, read only.
    const ProjectJob& shared = p;
    const DownloadOptions options = d.options();
    return runLinkJob(ctx, ui, d.link, p.job, p.facts,
                      [&shared, options, writeJob](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          return writeJob ? session.download(target, shared.state, shared.job, sink, options)
                                          : session.verify(target, shared.state, shared.job, sink);
                      });
}

struct UploadOptions {
    std::string project;
    std::string userRom;
    std::string bootRom;
    bool readTwice = false;
    LinkOptions link;
};

std::string areaText(const WriterState& state, Area area, const std::string& path)
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
std::vector<std::pair<const char*, const std::string*>> uploadOutputs(const UploadOptions& o)
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
bool outputsDistinct(const UploadOptions& o)
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
std::optional<std::string> unwritableOutput(CliUi& ui, const UploadOptions& o)
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
bool saveUpload(CliUi& ui, WriterState& state, JobSettings& job, const UploadOptions& o, BoxOutcome& outcome)
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

bool userRomBlank(const WriterState& state)
{
    const std::vector<std::uint8_t>& user = state.images.of(Area::UserRom);
    const std::size_t n = std::min<std::size_t>(state.range(Area::UserRom).length(), user.size());
    return std::all_of(user.begin(), user.begin() + std::ptrdiff_t(n), [](std::uint8_t b) { return b == 0xFF; });
}

int runUploadCommand(CliContext& ctx, CliUi& ui, const UploadOptions& o)
{
    WriterState state;
    JobSettings job;
    JobFacts facts;
    facts.command = "upload";
    if (!loadTable(ctx, ui, state))
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, ctx.tablePath), facts, o.link.productionRecordPath);
    if (isGang(o.link)) {
        std::fprintf(stderr, "upload reads one writer box: give --port once\n");
        return kExitUsage;
    }
    if (!outputsDistinct(o))
        return kExitUsage;
    if (const auto path = unwritableOutput(ui, o))
        return finishJob(ctx, ui, refused(OutcomeClass::OutputNotWritten, *path), facts, o.link.productionRecordPath);
    return runLinkJob(ctx, ui, o.link, job, facts,
                      [&](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          BoxOutcome outcome = session.upload(target, state, job, sink, o.readTwice);
                          if (outcome.ok() && userRomBlank(state))
                              ui.detail("upload: the User ROM of the box is blank (every byte FF)");
                          if (outcome.ok())
                              saveUpload(ui, state, job, o, outcome);
                          if (outcome.settingsApplied)
                              facts = jobFactsOf("upload", state, job);
                          for (auto [role, path] : {std::pair{"output", &o.project}, std::pair{"userRom", &o.userRom},
                                                    std::pair{"bootRom", &o.bootRom}}) {
                              if (outcome.ok() && !path->empty())
                                  facts.files.push_back(fileFact(role, *path));
                          }
                          return outcome;
                      });
}

int runFirmwareCommand(CliContext& ctx, CliUi& ui, const std::string& file, const LinkOptions& options)
{
    JobFacts facts;
    facts.command = "firmware";
    facts.files.push_back(fileFact("firmware", file));
    const auto selected = selectFirmwareFile(ui, pathFromUtf8(file));
    if (!selected)
        return finishJob(ctx, ui, refused(OutcomeClass::FileError, file), facts, options.productionRecordPath);
    JobSettings defaults;
    const SelectedFirmware& shared = *selected;
    const bool printVersion = !ctx.json && !isGang(options);
    return runLinkJob(ctx, ui, options, defaults, facts,
                      [&shared, printVersion](BoxSession& session, const BoxTarget& target, ProgressSink& sink) {
                          const BoxOutcome outcome = session.loadFirmware(target, shared.image, shared.path, sink);
                          if (outcome.ok() && printVersion)
                              std::printf("firmware: %s (%s)\n", printable(outcome.firmwareVersion).c_str(),
                                          std::string(msg::kLoadedNotReadBack).c_str());
                          return outcome;
                      });
}

} // namespace

void addLinkCommands(CLI::App& app, CliContext& ctx)
{
    auto versionsOptions = std::make_shared<LinkOptions>();
    auto* versions = app.add_subcommand("versions", "read the boot and firmware versions of the writer box");
    addLinkOptions(versions, *versionsOptions, false);
    versions->callback([&ctx, versionsOptions] {
        ctx.run = [&ctx, versionsOptions](CliUi& ui) { return runVersions(ctx, ui, *versionsOptions); };
    });

    auto down = std::make_shared<DownloadCommand>();
    auto* download = app.add_subcommand("download",
                                        "open a project, store its job and data in the writer box and "
                                        "read them back");
    download->add_option("PROJECT", down->project, "project file (.pxp)")->required();
    download->add_flag("--no-verify", down->noVerify, "skip the read-back after the download");
    download->add_flag("--skip-blank", down->skipBlank,
                       "do not send pages whose 256 bytes are all FF (the read-back still reads every "
                       "page); off by default, as what the box does with pages it never receives is not "
                       "known");
    addLinkOptions(download, down->link, true);
    addRecoverOption(download, down->link);
    download->callback(
        [&ctx, down] { ctx.run = [&ctx, down](CliUi& ui) { return runDownloadOrVerify(ctx, ui, *down, true); }; });

    auto ver = std::make_shared<DownloadCommand>();
    auto* verify = app.add_subcommand("verify", "compare the writer box with a project without writing anything");
    verify->add_option("PROJECT", ver->project, "project file (.pxp)")->required();
    addLinkOptions(verify, ver->link, true);
    addRecoverOption(verify, ver->link);
    verify->callback(
        [&ctx, ver] { ctx.run = [&ctx, ver](CliUi& ui) { return runDownloadOrVerify(ctx, ui, *ver, false); }; });

    auto up = std::make_shared<UploadOptions>();
    auto* upload = app.add_subcommand("upload", "read the job and data back from the writer box into a project");
    upload->add_option("-o,--output", up->project, "project file to write (.pxp)")->required();
    upload->add_option("--user-rom", up->userRom,
                       "write the User ROM area to this data file (.hex Intel HEX, "
                       "else S-records)");
    upload->add_option("--boot-rom", up->bootRom, "write the Boot ROM area to this data file");
    upload->add_flag("--read-twice", up->readTwice,
                     "read every page until two reads in a row agree (twice the time): a bit error the "
                     "one-byte check sum lets through is then a re-read, not wrong data");
    addLinkOptions(upload, up->link, true, true);
    addRecoverOption(upload, up->link);
    upload->callback([&ctx, up] { ctx.run = [&ctx, up](CliUi& ui) { return runUploadCommand(ctx, ui, *up); }; });

    auto firmwareOptions = std::make_shared<LinkOptions>();
    auto firmwareFile = std::make_shared<std::string>();
    auto* firmware = app.add_subcommand("firmware", "write new firmware (Intel HEX) into the writer box");
    firmware->add_option("FILE", *firmwareFile, "firmware file (.hex)")->required();
    firmware->footer("The writer box cannot read its firmware back: a load ends with exit 0 once every page is "
                     "acknowledged and the box answers its version, and says \"loaded, not read back\" "
                     "(JSON \"verified\": false). Load firmware on a clean line: a short cable, one box at a time, "
                     "and a lower --baud where the line is in doubt.");
    addLinkOptions(firmware, *firmwareOptions, true);
    addRecoverOption(firmware, *firmwareOptions);
    firmware->callback([&ctx, firmwareOptions, firmwareFile] {
        ctx.run = [&ctx, firmwareOptions, firmwareFile](CliUi& ui) {
            return runFirmwareCommand(ctx, ui, *firmwareFile, *firmwareOptions);
        };
    });
}

} // namespace plx71::cli
