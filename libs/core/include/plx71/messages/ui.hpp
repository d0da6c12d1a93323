#pragma once
// The reporting interface. A failure is reported once, by the lowest routine
// that sees it; callers never add a second message. Every front end (Qt,
// command line, tests) supplies its own implementation.
#include <string>

namespace plx71 {

enum class Icon { Stop, Exclamation, Information, Question };

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
    // OK / Cancel. True for OK.
    virtual bool question(Icon icon, const std::string& text) = 0;
    // One line of detail behind the last message, for a terminal or a log
    // (the command line prints it on stderr); message boxes leave it out.
    virtual void detail(const std::string& text) { (void)text; }
};

} // namespace plx71
