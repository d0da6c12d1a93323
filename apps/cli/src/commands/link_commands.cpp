#include "commands/link_commands.hpp"

#include "commands/link_options.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/ops/download.hpp"
#include "plx71/ops/firmware_loader.hpp"
#include "plx71/ops/upload.hpp"
#include "plx71/project/project_actions.hpp"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace plx71::cli {

namespace {

int runVersions(CliUi& ui, const LinkOptions& options)
{
    JobSettings defaults;
    WriterLink link(ui);
    if (int rc = options.applyTo(defaults, link); rc != kExitOk)
        return rc;
    const LoaderVersions v = readVersions(ui, link, defaults.portSelection, defaults.hostBaudSelection);
    if (!v.ok)
        return kExitFailed;
    std::printf("boot: %s\nfirmware: %s\n", printable(v.bootVersionText).c_str(),
                printable(v.firmVersionText).c_str());
    return kExitOk;
}

int runDownloadCommand(const CliContext& ctx, CliUi& ui, const std::string& projectPath, const LinkOptions& options)
{
    WriterState state;
    JobSettings job;
    if (!loadTable(ctx, ui, state) || !openProject(ui, state, job, projectPath))
        return kExitFailed;
    if (state.deviceIndex < 0) {
        std::fprintf(stderr, "%s: no device type selected; nothing sent\n", projectPath.c_str());
        return kExitFailed;
    }
    if (!canDownload(state, job)) {
        std::fprintf(stderr, "%s: no User ROM data loaded; nothing sent\n", projectPath.c_str());
        return kExitFailed;
    }
    WriterLink link(ui);
    if (int rc = options.applyTo(job, link); rc != kExitOk)
        return rc;
    return runDownload(ui, link, state, job, terminalRunner()) ? kExitOk : kExitFailed;
}

struct UploadOptions {
    std::string project;
    std::string userRom;
    std::string bootRom;
    LinkOptions link;
};

bool saveArea(CliUi& ui, const WriterState& state, Area area, const std::string& path)
{
    const AreaRange range = state.range(area);
    SaveRequest request;
    request.data = state.images.of(area);
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.family = deviceFamily(state.currentDevice);
    return saveDataFile(ui, path, request);
}

int runUploadCommand(const CliContext& ctx, CliUi& ui, const UploadOptions& o)
{
    WriterState state;
    JobSettings job;
    if (!loadTable(ctx, ui, state))
        return kExitFailed;
    WriterLink link(ui);
    if (int rc = o.link.applyTo(job, link); rc != kExitOk)
        return rc;
    if (runUpload(ui, link, state, job, terminalRunner()) != UploadResult::Complete)
        return kExitFailed;

    // The project names the files written here; where none was asked, the
    // names the box returned.
    for (auto [area, path] : {std::pair{Area::UserRom, &o.userRom}, std::pair{Area::BootRom, &o.bootRom}}) {
        if (path->empty())
            continue;
        if (!saveArea(ui, state, area, *path))
            return kExitFailed;
        const std::string name = std::filesystem::absolute(*path).lexically_normal().string();
        (area == Area::UserRom ? job.userRomFileName : job.bootRomFileName) = name;
    }
    return saveProject(ui, state, job, o.project) ? kExitOk : kExitFailed;
}

int runFirmwareCommand(CliUi& ui, const std::string& file, const LinkOptions& options)
{
    const auto selected = selectFirmwareFile(ui, file);
    if (!selected)
        return kExitFailed;
    JobSettings defaults;
    WriterLink link(ui);
    if (int rc = options.applyTo(defaults, link); rc != kExitOk)
        return rc;
    const FirmwareDownloadResult r = runFirmwareDownload(ui, link, selected->image, selected->path,
                                                         defaults.portSelection, defaults.hostBaudSelection,
                                                         terminalRunner());
    if (!r.complete())
        return kExitFailed;
    std::printf("firmware: %s\n", printable(r.firmVersionText).c_str());
    return kExitOk;
}

} // namespace

void addLinkCommands(CLI::App& app, CliContext& ctx)
{
    auto versionsOptions = std::make_shared<LinkOptions>();
    auto* versions = app.add_subcommand("versions", "read the boot and firmware versions of the writer box");
    addLinkOptions(versions, *versionsOptions);
    versions->callback([&ctx, versionsOptions] {
        ctx.run = [versionsOptions](CliUi& ui) { return runVersions(ui, *versionsOptions); };
    });

    auto downloadOptions = std::make_shared<LinkOptions>();
    auto downloadProject = std::make_shared<std::string>();
    auto* download = app.add_subcommand("download", "open a project and store its job and data in the writer box");
    download->add_option("PROJECT", *downloadProject, "project file (.pxp)")->required();
    addLinkOptions(download, *downloadOptions);
    download->callback([&ctx, downloadOptions, downloadProject] {
        ctx.run = [&ctx, downloadOptions, downloadProject](CliUi& ui) {
            return runDownloadCommand(ctx, ui, *downloadProject, *downloadOptions);
        };
    });

    auto up = std::make_shared<UploadOptions>();
    auto* upload = app.add_subcommand("upload", "read the job and data back from the writer box into a project");
    upload->add_option("-o,--output", up->project, "project file to write (.pxp)")->required();
    upload->add_option("--user-rom", up->userRom, "write the User ROM area to this data file (.hex Intel HEX, "
                                                  "else S-records)");
    upload->add_option("--boot-rom", up->bootRom, "write the Boot ROM area to this data file");
    addLinkOptions(upload, up->link);
    upload->callback([&ctx, up] { ctx.run = [&ctx, up](CliUi& ui) { return runUploadCommand(ctx, ui, *up); }; });

    auto firmwareOptions = std::make_shared<LinkOptions>();
    auto firmwareFile = std::make_shared<std::string>();
    auto* firmware = app.add_subcommand("firmware", "write new firmware (Intel HEX) into the writer box");
    firmware->add_option("FILE", *firmwareFile, "firmware file (.hex)")->required();
    addLinkOptions(firmware, *firmwareOptions);
    firmware->callback([&ctx, firmwareOptions, firmwareFile] {
        ctx.run = [firmwareOptions, firmwareFile](CliUi& ui) {
            return runFirmwareCommand(ui, *firmwareFile, *firmwareOptions);
        };
    });
}

} // namespace plx71::cli
