#pragma once
// The progress sink of the command line, in every --progress mode: a bar
// redrawn with carriage returns (one box on a terminal), a row of a board
// (several boxes on a terminal), newline-ended steps (logs, pipes), or
// nothing. Ctrl-C, SIGTERM, SIGHUP and SIGQUIT are Cancel in every mode.
#include "plx71/ops/progress_sink.hpp"
#include "progress/box_board.hpp"
#include "progress/progress_mode.hpp"
#include "progress/step_lines.hpp"

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

namespace plx71::cli {

class CliProgressSink : public ProgressSink {
public:
    // `mode` is Bar, Lines or None (never Auto). `label` names the box in
    // lines and rows ("COM2"); with a board, Bar draws row `row` of it.
    explicit CliProgressSink(ProgressMode mode, std::string label = {}, BoxBoard* board = nullptr, std::size_t row = 0);

    void phaseChanged(ProgressPhase phase) override;
    void phaseNote(const std::string& note) override;
    bool runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body) override;
    bool cancelRequested() const override;

    // Where lines and the single bar go (stderr, under the messages' lock);
    // tests catch them here.
    std::function<void(const std::string&)> write;
    // Told every phase (from the box's worker thread), e.g. for the line's status.
    std::function<void(ProgressPhase)> onPhase;

private:
    void onTick(const TransferView& view, const ProgressCounters& counters);

    ProgressMode mode_;
    std::string label_;
    BoxBoard* board_;
    std::size_t row_;
    // The worker reports phases while the polling thread draws.
    std::mutex mutex_;
    StepLines steps_;
    std::string phaseText_;
    std::string note_; // a recovering job's restart, shown beside the phase
};

} // namespace plx71::cli
