#pragma once
// The options the operator sets for every box's job, kept from one session
// to the next in the station's settings. New settings of the station go here.
#include <QSettings>

namespace plx71::station {

struct StationSettings {
    bool readBack = true;   // read every box back after the download
    bool skipBlank = false; // leave out blank pages
    bool recover = true;    // resync, re-read and restart on a noisy line
    bool beep = false;      // beep when a box fails

    // The last session's options; the defaults when there were none.
    static StationSettings load(QSettings& store);
    void save(QSettings& store) const;
};

} // namespace plx71::station
