#pragma once
// The reporting interface. A failure is reported once: a file reader says
// what is wrong with its file, a box session hands its failed outcome to
// operationFailed (the link to the box only records what failed); callers
// never add a second message. Every front end (Qt, command line, tests)
// supplies its own implementation.
#include <string>

namespace plx71 {

enum class Icon { Stop, Exclamation, Information, Question };

struct BoxOutcome;
// A failure as the core words it (failureMessage): the text, and the reason
// behind it when a person needs it to act (why a port cannot be used).
struct FailureText {
    std::string text;
    std::string detail;
};

class Ui {
public:
    virtual ~Ui() = default;
    // A message box with an OK button. Returns when the user has answered.
    virtual void message(Icon icon, const std::string& text) = 0;
    // The same with the reason behind it (a port that cannot be used: not
    // found, permission denied, busy), which a person needs to act: a
    // message box shows it as its detailed text. By default the message,
    // then the reason as its detail line.
    virtual void messageWithDetail(Icon icon, const std::string& text, const std::string& reason)
    {
        message(icon, text);
        if (!reason.empty())
            detail(reason);
    }
    // A box operation failed: `outcome` says what and `text` is its wording.
    // It comes once, at the moment the failure ends the job (or, for a
    // command the job goes on after, when that command failed), from the
    // thread that runs the job. By default a stop-icon message.
    virtual void operationFailed(const BoxOutcome& outcome, const FailureText& text)
    {
        (void)outcome;
        if (text.detail.empty())
            message(Icon::Stop, text.text);
        else
            messageWithDetail(Icon::Stop, text.text, text.detail);
    }
    // OK / Cancel. True for OK.
    virtual bool question(Icon icon, const std::string& text) = 0;
    // One line of detail behind the last message, for a terminal or a log
    // (the command line prints it on stderr); message boxes leave it out.
    virtual void detail(const std::string& text) { (void)text; }
};

} // namespace plx71
