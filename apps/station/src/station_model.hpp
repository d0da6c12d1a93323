#pragma once
// What the station window is about, without any widget: the states of a
// slot, the command line, the station file a set of slots is kept in, and
// the record line of a slot's job.
#include "plx71/ops/box_outcome.hpp"
#include "plx71/port/station_file.hpp"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace plx71::station {

// The words a tile and its accessible name show; never colour alone.
enum class SlotState { Idle, Running, Verified, Failed, Cancelled, NoBox };
QString stateWord(SlotState state);
// Where a job that ended leaves its tile: a port that is not there is "No
// box", Cancel is "Cancelled", a verified success "Verified", all else
// "Failed".
SlotState stateAfter(const BoxOutcome& outcome);

struct SlotConfig {
    QString spec;  // what --port takes: a path, by-id name, usb:..., COMn, a station port
    QString label; // the operator's name for the slot; may be empty
};

struct StationArgs {
    QString project;                     // empty: none given
    std::vector<SlotConfig> slotConfigs; // --port, then the slots of --station
    QString stationFile;
    QString recordFile;
    bool autoMode = false;
    bool anyGiven = false; // anything at all on the command line
};

struct ParsedArgs {
    std::optional<StationArgs> args;
    QString error; // a usage message naming the option
};
ParsedArgs parseStationArgs(const QStringList& arguments);

// The slots of a station file: its named ports in file order (label = the
// name), then its COM mappings (label = "COMn").
std::vector<SlotConfig> slotsOfStation(const StationFile& station);
// The text of a station file holding `configs` as named ports. A label that
// is no port name becomes one (other characters '_', a leading "slot").
std::string stationFileText(const std::vector<SlotConfig>& configs);

// The record line of `plx71 --record` with the slot's number and label
// added as its last fields; ends with '\n'.
std::string slotRecordLine(const std::string& recordLine, int slotNumber, const QString& label);

// "plx71"'s words for why a job failed, in one line: the first message the
// session reported, then its reason.
QString oneLineCause(const QString& text, const QString& detail);

} // namespace plx71::station
