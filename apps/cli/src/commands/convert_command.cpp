#include "commands/convert_command.hpp"

#include "plx71/datafile/block_list.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/text/json_writer.hpp"
#include "plx71/text/utf8_path.hpp"

#include <vector>

namespace plx71::cli {

int ConvertCommand::run(CliContext& ctx, CliUi& ui) const
{
    PcJobState state;
    JobSettings job;
    if (int rc = loadForCommand(ctx, ui, area, state, job); rc >= 0)
        return rc;
    const AreaRange range = state.range(area.kind());
    SaveRequest request;
    request.data = state.images.of(area.kind());
    request.areaStart = range.start;
    request.areaEnd = range.end;
    request.family = deviceFamily(state.currentDevice);
    if (ranges && !ranges->empty()) {
        // C0000-C0000 is the single address C0000.
        auto parsed = parseAddressRanges(*ranges, range.start, range.end, EqualEnds::OneAddress);
        if (!parsed) {
            ui.message(Icon::Exclamation, std::string(msg::kInvalidAddress));
            return kExitUsage; // a bad option value, as any other
        }
        request.ranges = std::move(*parsed);
    }
    if (!saveDataFile(ui, pathFromUtf8(out), request))
        return kExitFileError;
    // The ranges written: the ones asked for, else the whole area.
    JsonArray written;
    const std::vector<AreaRange> writtenRanges =
        request.ranges.empty() ? std::vector<AreaRange>{range} : request.ranges;
    for (const AreaRange& r : writtenRanges)
        written.object(JsonObject().string("start", hex06(r.start)).string("end", hex06(r.end)));
    ctx.jsonFields.string("output", out).raw("ranges", written.text());
    return kExitOk;
}

CLI::App* ConvertCommand::add(CLI::App& app)
{
    auto* cmd = app.add_subcommand(std::string(kName),
                                   "load a data file and save it again (format from OUT's extension: "
                                   ".hex Intel HEX, else S-records)");
    addAreaOptions(cmd, area);
    cmd->add_option("OUT", out, "output file")->required();
    cmd->add_option("--ranges", ranges,
                    "address ranges to save, e.g. \"C0000-C00FF, D0000\" (whole area "
                    "when absent)");
    return cmd;
}

} // namespace plx71::cli
