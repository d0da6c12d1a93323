#include "commands/file_commands.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/job/job_actions.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/text/json_writer.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>
#include <memory>

namespace plx71::cli {
namespace {

std::string hex06(std::uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", v);
    return buf;
}

int runDevices(CliContext& ctx, CliUi& ui)
{
    // The table alone: the images of a WriterState are 264 KiB to clear.
    DeviceTable table;
    if (!loadTable(ctx, ui, table))
        return kExitFileError;
    JsonArray rows;
    for (const auto& d : table.records) {
        rows.object(JsonObject()
                        .string("name", d.name)
                        .string("userRom", hex06(d.userRomStart) + "-" + hex06(d.userRomEnd))
                        .string("bootRom", hex06(d.bootRomStart) + "-" + hex06(d.bootRomEnd))
                        .number("lastBlock", d.lastBlock)
                        .string("vcc", formatVoltage(d.vcc))
                        .string("vpp", formatVoltage(d.vpp)));
        std::printf("%s\t%s-%s\t%s-%s\t0-%d\t%s\t%s\n", printable(d.name).c_str(), hex06(d.userRomStart).c_str(),
                    hex06(d.userRomEnd).c_str(), hex06(d.bootRomStart).c_str(), hex06(d.bootRomEnd).c_str(),
                    d.lastBlock, formatVoltage(d.vcc).c_str(), formatVoltage(d.vpp).c_str());
    }
    for (const auto& s : table.skipped)
        std::fprintf(stderr, "%d: %s\n", s.lineNumber, s.reason.c_str());
    if (table.skippedCount > table.skipped.size())
        std::fprintf(stderr, "(%zu more lines skipped)\n", table.skippedCount - table.skipped.size());
    ctx.jsonFields.raw("devices", rows.text());
    return kExitOk;
}

struct AreaOptions {
    std::string file;
    std::string device;
    std::string area = "user";
    Area kind() const { return area == "boot" ? Area::BootRom : Area::UserRom; }
};

// What the form's "Select..." does, on a fresh state. Returns the exit code
// of a failure, or -1 when the file is loaded.
int loadForCommand(const CliContext& ctx, CliUi& ui, const AreaOptions& o, WriterState& state, JobSettings& job)
{
    if (!loadTable(ctx, ui, state))
        return kExitFileError;
    if (!selectDeviceByName(state, job, o.device))
        return kExitUsage;
    if (!loadAreaFile(ui, state, job, o.kind(), pathFromUtf8(o.file)))
        return ui.declined() ? kExitFailed : kExitFileError;
    return -1;
}

int runInfo(CliContext& ctx, CliUi& ui, const AreaOptions& o)
{
    WriterState state;
    JobSettings job;
    if (int rc = loadForCommand(ctx, ui, o, state, job); rc >= 0)
        return rc;
    if (o.kind() == Area::UserRom) {
        const std::string checksum = formatChecksum(job.userRomChecksum);
        std::printf("checksum: %s\n", checksum.c_str());
        const std::string id = job.dataIdCode ? formatIdCode(*job.dataIdCode) : std::string();
        const std::string protect =
            job.romProtectLevel ? std::string(protectText(*job.romProtectLevel)) : std::string();
        std::printf("id: %s\n", id.c_str());
        std::printf("protect: %s\n", protect.c_str());
        ctx.jsonFields.string("checksum", checksum).string("id", id).string("protect", protect);
    } else {
        const std::string checksum = formatChecksum(job.bootRomChecksum);
        std::printf("checksum: %s\n", checksum.c_str());
        std::printf("version: %s\n", printable(job.bootVersionText).c_str());
        ctx.jsonFields.string("checksum", checksum).string("version", printable(job.bootVersionText));
    }
    return kExitOk;
}

int runConvert(CliContext& ctx, CliUi& ui, const AreaOptions& o, const std::string& out,
               const std::optional<std::string>& rangesText)
{
    WriterState state;
    JobSettings job;
    if (int rc = loadForCommand(ctx, ui, o, state, job); rc >= 0)
        return rc;
    const AreaRange range = state.range(o.kind());
    SaveRequest request;
    request.data = state.images.of(o.kind());
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.family = deviceFamily(state.currentDevice);
    if (rangesText && !rangesText->empty()) {
        auto ranges = parseAddressRanges(*rangesText, range.start, range.end);
        if (!ranges) {
            ui.message(Icon::Exclamation, std::string(msg::kInvalidAddress));
            return kExitUsage; // a bad option value, as any other
        }
        request.ranges = std::move(*ranges);
    }
    if (!saveDataFile(ui, pathFromUtf8(out), request))
        return kExitFileError;
    // The ranges written: the ones asked for, else the whole area.
    JsonArray written;
    const std::vector<AreaRange> ranges = request.ranges.empty() ? std::vector<AreaRange>{range} : request.ranges;
    for (const AreaRange& r : ranges)
        written.object(JsonObject().string("start", hex06(r.start)).string("end", hex06(r.end)));
    ctx.jsonFields.string("output", out).raw("ranges", written.text());
    return kExitOk;
}

void addAreaOptions(CLI::App* cmd, AreaOptions& o)
{
    cmd->add_option("FILE", o.file, "Intel HEX (.hex) or S-record (.mot, .btp) data file")->required();
    cmd->add_option("--device", o.device, "device type name, as listed by 'plx71 devices'")->required();
    cmd->add_option("--area", o.area, "user (User ROM, default) or boot (Boot ROM)")
        ->check(CLI::IsMember({"user", "boot"}));
}

} // namespace

void addFileCommands(CLI::App& app, CliContext& ctx)
{
    auto* devices = app.add_subcommand("devices", "list the device types of the device table");
    devices->callback([&ctx] { ctx.run = [&ctx](CliUi& ui) { return runDevices(ctx, ui); }; });

    auto info = std::make_shared<AreaOptions>();
    auto* infoCmd = app.add_subcommand("info",
                                       "load a data file as \"Select...\" does and show its checksum, ID, "
                                       "protect state or version");
    addAreaOptions(infoCmd, *info);
    infoCmd->callback([&ctx, info] { ctx.run = [&ctx, info](CliUi& ui) { return runInfo(ctx, ui, *info); }; });

    auto conv = std::make_shared<AreaOptions>();
    auto out = std::make_shared<std::string>();
    auto ranges = std::make_shared<std::optional<std::string>>();
    auto* convCmd = app.add_subcommand("convert",
                                       "load a data file and save it again (format from OUT's extension: "
                                       ".hex Intel HEX, else S-records)");
    addAreaOptions(convCmd, *conv);
    convCmd->add_option("OUT", *out, "output file")->required();
    convCmd->add_option("--ranges", *ranges,
                        "address ranges to save, e.g. \"C0000-C00FF, D0000\" (whole area "
                        "when absent)");
    convCmd->callback([&ctx, conv, out, ranges] {
        ctx.run = [&ctx, conv, out, ranges](CliUi& ui) { return runConvert(ctx, ui, *conv, *out, *ranges); };
    });
}

} // namespace plx71::cli
