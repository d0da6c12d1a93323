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

void JobTotals::count(SlotState end)
{
    ++(end == SlotState::Verified ? passed : end == SlotState::Cancelled ? cancelled : failed);
}

} // namespace plx71::station
