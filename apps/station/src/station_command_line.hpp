#pragma once
// The station's command line: a project, its slots (--port, --station), the
// record file and auto mode.
#include "station_slot.hpp"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace plx71::station {

struct StationArgs {
    QString project;                     // empty: none given
    std::vector<SlotConfig> slotConfigs; // --port, in slot order
    QString stationFile;
    QString recordFile;
    bool autoMode = false;
    // The line server's settings; nullopt: not given.
    std::optional<QString> lineUrl;
    std::optional<QString> lineTokenFile;
    std::optional<QString> stationName;
    bool onlyReleased = false;
    bool anyGiven = false; // anything at all on the command line
};

struct ParsedArgs {
    std::optional<StationArgs> args;
    QString error; // a usage message naming the option
};
ParsedArgs parseStationArgs(const QStringList& arguments);

// What of the station `args` would change, as the operator gave it: "a
// project", "--port", "--station", "--record", "--auto"; empty for none.
QStringList changesOf(const StationArgs& args);
// The one message that refuses all of `changes` on a locked station.
std::string lockedCommandLineMessage(const QStringList& changes);

} // namespace plx71::station
