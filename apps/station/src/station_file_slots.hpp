#pragma once
// A set of slots kept in a station file, and read back from one.
#include "station_slot.hpp"

#include "plx71/port/station_file.hpp"

#include <string>
#include <vector>

namespace plx71::station {

// The slots of a station file: its named ports in file order (label = the
// name), then its COM mappings (label = "COMn").
std::vector<SlotConfig> slotsOfStation(const StationFile& station);
// The text of a station file holding `configs` as named ports. A label that
// is no port name becomes one (other characters '_', a leading "slot").
std::string stationFileText(const std::vector<SlotConfig>& configs);

} // namespace plx71::station
