#include "station_record.hpp"

#include "plx71/production_record/record_file.hpp"
#include "plx71/qtui/paths.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71::station {

std::string StationRecord::utf8Path() const
{
    return path.isEmpty() ? std::string() : utf8FromPath(qtui::toPath(path));
}

bool StationRecord::writable() const
{
    return path.isEmpty() || productionRecordCanBeAppended(utf8Path());
}

void StationRecord::count(const BoxOutcome& outcome)
{
    if (!path.isEmpty() && outcome.kind != OutcomeClass::OutputNotWritten)
        ++(outcome.ok() ? passed : failed);
}

} // namespace plx71::station
