#pragma once
// The progress of one or more boxes on a terminal: one line per box, redrawn
// in place (cursor up, clear line) so the rows stay put while the boxes run
// side by side. Messages go above the rows through the board, so a redraw
// never writes over them. Thread-safe: every box's worker updates its row.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace plx71::cli {

class BoxBoard {
public:
    explicit BoxBoard(std::size_t rows, std::FILE* out = stderr) : rows_(rows), out_(out) {}

    // Replaces row `row`'s text and redraws the rows.
    void setRow(std::size_t row, std::string text);
    // Prints `text` (a whole message; a newline is added) above the rows.
    void printAbove(const std::string& text);
    // Leaves the rows as they stand; later output goes below them.
    void finish();

    // What one redraw writes: up over the rows drawn before, then each row
    // cleared and written, newline-ended. Kept apart for the tests.
    static std::string redrawText(const std::vector<std::string>& rows, std::size_t drawnBefore);

private:
    void drawLocked();

    std::mutex mutex_;
    std::vector<std::string> rows_;
    std::size_t drawn_ = 0; // rows on the screen below the cursor's line start
    std::FILE* out_;
    bool finished_ = false;
};

} // namespace plx71::cli
