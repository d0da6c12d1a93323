#include "cli_ui.hpp"

#include "describe_outcome.hpp"

#include <mutex>

namespace plx71::cli {
namespace {
std::mutex outputMutex; // a worker's message must not interleave with the progress bar
}

void printToStderr(const std::string& text)
{
    std::lock_guard lock(outputMutex);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void CliUi::message(Icon icon, const std::string& text)
{
    {
        std::lock_guard lock(outputMutex);
        std::fprintf(out_, "%s\n", text.c_str());
        std::fflush(out_);
    }
    if (icon == Icon::Stop || icon == Icon::Exclamation)
        failed_ = true;
}

void CliUi::messageWithDetail(Icon icon, const std::string& text, const std::string& detail)
{
    message(icon, detail.empty() ? text : text + "\n" + detail);
}

void CliUi::operationFailed(const BoxOutcome& outcome, const FailureText&)
{
    message(Icon::Stop, describe(outcome));
}

void CliUi::detail(const std::string& text)
{
    std::lock_guard lock(outputMutex);
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

bool CliUi::question(Icon, const std::string& text)
{
    std::lock_guard lock(outputMutex);
    std::fprintf(out_, "%s %s\n", text.c_str(), answerYes_ ? "OK" : "Cancel");
    std::fflush(out_);
    if (!answerYes_) {
        failed_ = true;
        declined_ = true;
    }
    return answerYes_;
}

} // namespace plx71::cli
