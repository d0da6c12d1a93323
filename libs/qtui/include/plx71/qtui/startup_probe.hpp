#pragma once
// Start-up figures (scripts/bench/bench_startup.sh): with PLX71_EXIT_AFTER_FIRST_PAINT
// set, a window program prints the wall-clock time at which each start-up
// stage ended ("stage <name> <ns since the epoch>"), the last one its first
// drawn window, then the text of each named line edit of the windows shown
// ("field <name> <text>"), and ends. The timer fires once the paint pass, flush
// included, is done; exit() also ends a modal dialog's own event loop.
#include <QObject>

#include <cstdint>
#include <utility>
#include <vector>

class QEvent;

namespace plx71::qtui {

class StartupProbe : public QObject {
public:
    StartupProbe() { mark("main"); }
    static bool wanted();
    void mark(const char* stage);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::pair<const char*, std::int64_t>> stages_;
    bool seen_ = false;
};

} // namespace plx71::qtui
