#include "progress/cli_progress_sink.hpp"

#include "cli_context.hpp"
#include "cli_ui.hpp"

namespace plx71::cli {

CliProgressSink::CliProgressSink(ProgressMode mode, std::string label, BoxBoard* board, std::size_t row)
    : write([](const std::string& text) { printToStderr(text); }), mode_(mode), label_(std::move(label)), board_(board),
      row_(row), steps_(label_.empty() ? std::string() : label_ + ": ")
{}

bool CliProgressSink::cancelRequested() const
{
    return interrupted();
}

void CliProgressSink::phaseChanged(ProgressPhase phase)
{
    if (onPhase)
        onPhase(phase);
    std::lock_guard lock(mutex_);
    if (mode_ == ProgressMode::Lines)
        write(steps_.phase(phase));
    phaseText_ = std::string(progressPhaseName(phase));
    if (mode_ == ProgressMode::Bar && board_)
        board_->setRow(row_, fittedLine(label_ + "  " + phaseText_, terminalColumns()));
}

void CliProgressSink::phaseNote(const std::string& note)
{
    std::lock_guard lock(mutex_);
    note_ = note;
    if (note.empty())
        return;
    if (mode_ == ProgressMode::Lines)
        write((label_.empty() ? std::string() : label_ + ": ") + note + "\n");
    else if (mode_ == ProgressMode::Bar && board_)
        board_->setRow(row_, fittedLine(label_ + "  " + phaseText_ + ", " + note, terminalColumns()));
    else if (mode_ == ProgressMode::Bar) // its own line; the bar goes on below it
        write("\r" + fittedLine(note + std::string(std::size_t(terminalColumns()), ' '), terminalColumns()) + "\n");
}

void CliProgressSink::onTick(const TransferView& view, const ProgressCounters& counters)
{
    std::lock_guard lock(mutex_);
    const std::int64_t done = counters.done();
    const std::int64_t total = counters.total();
    if (mode_ == ProgressMode::Lines) {
        if (std::string step = steps_.tick(view, done, total); !step.empty())
            write(step);
    } else if (board_) {
        board_->setRow(
            row_,
            fittedLine(label_ + "  " + barText(phaseText_ + (note_.empty() ? "" : ", " + note_), done, total, 30),
                       terminalColumns()));
    } else {
        write("\r" + fittedBarText(view.title, done, total, terminalColumns()));
    }
}

bool CliProgressSink::runTransfer(const TransferView& view, ProgressCounters& counters, std::function<void()> body)
{
    PollingSinkOptions options;
    options.cancelRequested = [] { return interrupted(); };
    if (mode_ != ProgressMode::None)
        options.onTick = [this](const TransferView& v, const ProgressCounters& c) { onTick(v, c); };
    const bool ok = PollingProgressSink(std::move(options)).runTransfer(view, counters, std::move(body));
    if (mode_ == ProgressMode::Bar && !board_)
        write("\n");
    return ok;
}

} // namespace plx71::cli
