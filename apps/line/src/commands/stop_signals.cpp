#include "commands/stop_signals.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

namespace plx71::line {

#ifdef _WIN32

namespace {
std::function<void()>* gStop = nullptr;

BOOL WINAPI onConsoleEvent(DWORD)
{
    if (gStop)
        (*gStop)();
    return TRUE;
}
} // namespace

StopOnSignals::StopOnSignals(std::function<void()> stop) : stop_(std::move(stop))
{
    gStop = &stop_;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopOnSignals::~StopOnSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    gStop = nullptr;
}

#else

namespace {
// SIGUSR2 only wakes the waiter when the server ended by itself.
sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR2);
    return set;
}
} // namespace

StopOnSignals::StopOnSignals(std::function<void()> stop) : stop_(std::move(stop))
{
    // A client that goes away mid-answer must not end the server.
    signal(SIGPIPE, SIG_IGN);
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    waiter_ = std::thread([this, set] {
        int sig = 0;
        if (sigwait(&set, &sig) == 0 && sig != SIGUSR2)
            stop_();
    });
}

StopOnSignals::~StopOnSignals()
{
    pthread_kill(waiter_.native_handle(), SIGUSR2);
    waiter_.join();
}

#endif

} // namespace plx71::line
