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
    // The same with one more line saying why (a port that cannot be used:
    // not found, permission denied, busy). A front end shows it as the box's
    // detailed text or as a second line; by default it is left out.
    virtual void messageWithDetail(Icon icon, const std::string& text, const std::string& detail)
    {
        (void)detail;
        message(icon, text);
    }
    // OK / Cancel. True for OK.
    virtual bool question(Icon icon, const std::string& text) = 0;
};

} // namespace plx71
