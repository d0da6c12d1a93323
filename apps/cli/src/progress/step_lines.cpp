#include "progress/step_lines.hpp"

#include <algorithm>
#include <cstdio>

namespace plx71::cli {

namespace {

int percentOf(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return 100;
    return int(std::clamp<std::int64_t>(done, 0, total) * 100 / total);
}

} // namespace

std::string StepLines::phase(ProgressPhase phase)
{
    return label_ + std::string(progressPhaseName(phase)) + "\n";
}

std::string StepLines::tick(const TransferView& view, std::int64_t done, std::int64_t total)
{
    if (view.kind != kind_ || done < lastDone_) {
        kind_ = view.kind;
        lastTenth_ = -1;
    }
    lastDone_ = done;
    if (done > total) // the abort mark: the transfer ends without a last step
        return {};
    const int tenth = percentOf(done, total) / 10;
    if (tenth <= lastTenth_)
        return {};
    lastTenth_ = tenth;
    return label_ + view.title + " " + std::to_string(tenth * 10) + "%\n";
}

std::string barText(const std::string& title, std::int64_t done, std::int64_t total, int width)
{
    const std::int64_t shown = std::clamp<std::int64_t>(done, 0, std::max<std::int64_t>(total, 0));
    const int filled = total > 0 ? int(shown * width / total) : width;
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", percentOf(done, total));
    return title + " [" + std::string(std::size_t(filled), '#') + std::string(std::size_t(width - filled), ' ') + "] "
        + percent;
}

std::string fittedLine(const std::string& text, int columns)
{
    const std::size_t room = std::size_t(std::max(columns - 1, 1));
    return text.size() <= room ? text : text.substr(0, room);
}

std::string fittedBarText(const std::string& title, std::int64_t done, std::int64_t total, int columns)
{
    constexpr int kFrame = 8; // " [", "] ", "100%"
    const int room = columns - 1;
    const int width = std::min(40, room - int(title.size()) - kFrame);
    if (width >= 10)
        return barText(title, done, total, width);
    const int titleRoom = room - kFrame - 10;
    if (titleRoom >= 1)
        return barText(title.substr(0, std::size_t(titleRoom)), done, total, 10);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", percentOf(done, total));
    return fittedLine(title + " " + percent, columns);
}

} // namespace plx71::cli
