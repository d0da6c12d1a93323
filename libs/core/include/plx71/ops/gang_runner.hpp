#pragma once
// A gang: the same job on several writer boxes at once, one box session per
// port, each on its own thread with its own link, Ui and progress sink. The
// boxes share only the read-only job (state, settings, images), so a box that
// fails, stays silent or vanishes never stops or slows the others; Cancel
// reaches each through its own sink, and each goes back to 9600 and closes
// its port on its own way out.
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/box_session.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/port/link_timing.hpp"
#include "plx71/port/port_choice.hpp"
#include "plx71/port/serial_port.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace plx71 {

struct GangBox {
    PortChoice port;
    Ui* ui = nullptr;             // this box's messages
    ProgressSink* sink = nullptr; // this box's progress display and Cancel
};

// The job of one box: download, verify, versions or firmware on `session`,
// aimed at `target`.
using GangOperation = std::function<BoxOutcome(BoxSession& session, const BoxTarget& target, ProgressSink& sink)>;

struct GangOptions {
    LinkRate rate = kDefaultLinkRate; // every box's
    // A port per box (the system's by default; tests wrap it).
    std::function<std::unique_ptr<SerialPort>()> makePort;
    // Replaces each link's timing when set (tests shorten it).
    std::optional<LinkTiming> timing;
    // Called on the box's own thread as soon as that box has ended (its
    // record line goes out then, not after the slowest box).
    std::function<void(std::size_t box, const BoxOutcome& outcome)> onBoxEnded;
};

// Runs `operation` on every box at once and returns each box's outcome, in
// the order of `boxes`, when all have ended.
std::vector<BoxOutcome> runGang(std::span<const GangBox> boxes, const GangOperation& operation,
                                const GangOptions& options = {});

// The first two ports that reach the same device (behind every link), so a
// gang is refused before anything is sent; none when all differ.
std::optional<std::pair<std::size_t, std::size_t>> duplicatePorts(std::span<const PortChoice> ports);

} // namespace plx71
