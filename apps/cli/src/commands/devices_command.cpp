#include "commands/devices_command.hpp"

#include "commands/area_options.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/text/json_writer.hpp"

#include <cstdio>

namespace plx71::cli {

int DevicesCommand::run(CliContext& ctx, CliUi& ui) const
{
    // The table alone: the images of a PcJobState are 264 KiB to clear.
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

CLI::App* DevicesCommand::add(CLI::App& app)
{
    return app.add_subcommand(std::string(kName), "list the device types of the device table");
}

} // namespace plx71::cli
