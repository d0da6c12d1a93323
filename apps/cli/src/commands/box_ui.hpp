#pragma once
// The gang's Ui of one box, apart so that the tests reach it.
#include "cli_ui.hpp"
#include "describe_outcome.hpp"
#include "progress/box_board.hpp"

#include "plx71/messages/ui.hpp"

#include <algorithm>
#include <string>

namespace plx71::cli {

// One box's messages, each line led by its port so a person can tell which
// box spoke; questions are answered at once (--yes, else Cancel).
class BoxUi : public Ui {
public:
    BoxUi(std::string label, bool yes, BoxBoard* board) : label_(std::move(label)), yes_(yes), board_(board) {}

    void message(Icon, const std::string& text) override { print(text); }
    void messageWithDetail(Icon, const std::string& text, const std::string& detail) override
    {
        print(detail.empty() ? text : text + "\n" + detail);
    }
    void detail(const std::string& text) override { print(text); }
    void operationFailed(const BoxOutcome& outcome, const FailureText&) override { print(describe(outcome)); }
    bool question(Icon, const std::string& text) override
    {
        print(text + (yes_ ? " OK" : " Cancel"));
        return yes_;
    }

private:
    void print(const std::string& text)
    {
        std::string out;
        std::size_t start = 0;
        while (start <= text.size()) {
            const auto end = std::min(text.find('\n', start), text.size());
            out += (out.empty() ? "" : "\n") + label_ + ": " + text.substr(start, end - start);
            start = end + 1;
        }
        if (board_)
            board_->printAbove(out);
        else
            printToStderr(out + "\n");
    }

    std::string label_;
    bool yes_;
    BoxBoard* board_;
};

} // namespace plx71::cli
