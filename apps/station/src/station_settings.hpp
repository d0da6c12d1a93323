#pragma once
// The options the operator sets for every box's job, kept from one session
// to the next in the station's settings. New settings of the station go here.
#include <QSettings>
#include <QString>

namespace plx71::station {

struct StationSettings {
    bool readBack = true;   // read every box back after the download
    bool skipBlank = false; // leave out blank pages
    bool recover = true;    // resync, re-read and restart on a noisy line
    bool beep = false;      // beep when a box fails
    // The line server the record lines are shipped to and the tiles posted
    // to; an empty URL: none.
    QString lineUrl;
    QString lineTokenFile;
    QString stationName;       // every record line's "station"; the host name when empty
    bool onlyReleased = false; // a job whose digest the line has not released reaches no box

    // The name the station goes by on the line.
    QString stationNameOrHost() const;

    // The last session's options; the defaults when there were none.
    static StationSettings load(QSettings& store);
    void save(QSettings& store) const;
};

} // namespace plx71::station
