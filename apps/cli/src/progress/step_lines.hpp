#pragma once
// The text of lines mode: one newline-ended line when a box enters a phase
// and one at every tenth of a transfer, never a carriage return, so a log
// file or a pipe reads like a journal.
#include "plx71/ops/progress_sink.hpp"

#include <cstdint>
#include <string>

namespace plx71::cli {

class StepLines {
public:
    // `label` starts every line ("COM2: "); empty for a single box.
    explicit StepLines(std::string label = {}) : label_(std::move(label)) {}

    // "COM2: user-pages\n"
    std::string phase(ProgressPhase phase);
    // "COM2: Downloading...   PC -> PLX-71RD 30%\n" when `done` has reached
    // a tenth not yet reported for this transfer; else empty. A transfer
    // restarting at 0 (a new kind, or done going down) starts over.
    std::string tick(const TransferView& view, std::int64_t done, std::int64_t total);

private:
    std::string label_;
    TransferKind kind_ = TransferKind::Download;
    int lastTenth_ = -1;
    std::int64_t lastDone_ = 0;
};

// The bar of one box: "TITLE [#######             ]  35%".
std::string barText(const std::string& title, std::int64_t done, std::int64_t total, int width = 40);
// The bar in fewer than `columns` characters, so a redraw never wraps: the
// bar shrinks first (to 10), then the title is cut, then the bar goes.
std::string fittedBarText(const std::string& title, std::int64_t done, std::int64_t total, int columns);
// `text` cut to fewer than `columns` characters.
std::string fittedLine(const std::string& text, int columns);

} // namespace plx71::cli
