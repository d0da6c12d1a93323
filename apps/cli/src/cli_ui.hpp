#pragma once
// The command line's Ui: messages and questions on stderr. A question is
// printed and answered at once: OK with --yes, else Cancel.
#include "plx71/messages/ui.hpp"

#include <atomic>
#include <cstdio>
#include <string>

namespace plx71::cli {

class CliUi : public Ui {
public:
    explicit CliUi(bool answerYes, std::FILE* out = stderr) : answerYes_(answerYes), out_(out) {}

    void message(Icon icon, const std::string& text) override;
    // The text, then the detail on a line of its own.
    void messageWithDetail(Icon icon, const std::string& text, const std::string& detail) override;
    bool question(Icon icon, const std::string& text) override;
    // describe(outcome), as a stop message.
    void operationFailed(const BoxOutcome& outcome, const FailureText& text) override;
    // A line of its own behind the last message.
    void detail(const std::string& text) override;

    // A stop or exclamation message was shown, or a question got Cancel.
    bool failed() const { return failed_.load(); }
    // A question got Cancel: the user stopped, no file was at fault.
    bool declined() const { return declined_.load(); }

private:
    bool answerYes_;
    std::FILE* out_;
    std::atomic<bool> failed_{false};
    std::atomic<bool> declined_{false};
};

// Writes `text` as it is on stderr, never in the middle of a message.
void printToStderr(const std::string& text);

} // namespace plx71::cli
