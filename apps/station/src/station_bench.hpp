#pragma once
// Figures of a whole job (scripts/bench/station_figures.sh): with
// PLX71_STATION_BENCH set, the window starts every slot at once, a 10 ms
// timer measures how late the event loop serves it, and once every box has
// ended the program prints "job-ms N", "worst-loop-delay-ms N" and each
// slot's state, then ends.
#include <QObject>

namespace plx71::station {

class StationWindow;

// True when the figures are wanted; then the window's job has been started.
bool startBenchIfAsked(StationWindow& window);

} // namespace plx71::station
