#include "progress/box_board.hpp"

namespace plx71::cli {

std::string BoxBoard::redrawText(const std::vector<std::string>& rows, std::size_t drawnBefore)
{
    std::string text;
    if (drawnBefore > 0)
        text += "\x1b[" + std::to_string(drawnBefore) + "A";
    for (const auto& row : rows)
        text += "\r\x1b[2K" + row + "\n";
    return text;
}

void BoxBoard::drawLocked()
{
    const std::string text = redrawText(rows_, drawn_);
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
    drawn_ = rows_.size();
}

void BoxBoard::setRow(std::size_t row, std::string text)
{
    std::lock_guard lock(mutex_);
    if (row >= rows_.size() || rows_[row] == text)
        return;
    rows_[row] = std::move(text);
    if (!finished_)
        drawLocked();
}

void BoxBoard::printAbove(const std::string& text)
{
    std::lock_guard lock(mutex_);
    std::string out;
    if (drawn_ > 0 && !finished_)
        out += "\x1b[" + std::to_string(drawn_) + "A\r\x1b[J"; // up over the rows, clear to the end
    out += text + "\n";
    std::fwrite(out.data(), 1, out.size(), out_);
    drawn_ = 0;
    if (!finished_)
        drawLocked();
    else
        std::fflush(out_);
}

void BoxBoard::finish()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
}

} // namespace plx71::cli
