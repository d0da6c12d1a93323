#pragma once
// The busy cursor for the length of a command: set when constructed,
// restored when the command's scope ends, however it ends.
#include <QApplication>

namespace plx71::qtui {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace plx71::qtui
