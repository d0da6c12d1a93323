#pragma once
// --json: one JSON object on stdout, whatever the command printed for people.
#include "plx71/text/json_writer.hpp"

#include <string>

namespace plx71::cli {

// Points stdout at stderr while it lives (when `active`), until restore().
class StdoutToStderr {
public:
    explicit StdoutToStderr(bool active);
    ~StdoutToStderr() { restore(); }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;
    void restore();

private:
    int saved_ = -1;
};

// {"command":..,"outcome":..,"exitCode":..} for commands without a result of
// their own: outcome "success" for 0, "usage-error" for 2, else "failed".
// `fields` go in after exitCode.
std::string genericJsonResult(const std::string& command, int exitCode, const JsonObject& fields = {});

// The object and a newline on stdout.
void printJsonResult(const std::string& json);

} // namespace plx71::cli
