#pragma once
// What every Ui keeps, whichever front end it belongs to: the text of a
// message reaches the person (or the log), so does the reason behind it and
// the words of a failed box operation, a
// question gets its answer, and a worker thread may report as well as the
// caller's thread, without a message being lost. Each rule runs on a fresh Ui; the checks say what broke
// (empty: all kept), so both GoogleTest and Qt Test can run them.
#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plx71::test {

struct UiRig {
    virtual ~UiRig() = default;
    virtual Ui& ui() = 0;
    // Everything shown so far, as one text.
    virtual std::string shown() = 0;
    // What a question gets from this Ui when nobody gives another answer
    // (Qt: the box's default button, pressed by the rig).
    virtual bool defaultAnswer() const = 0;
    // False for a Ui that shows only the first message (a station tile's cause).
    virtual bool showsEveryMessage() const { return true; }
    // Lets the Ui's own thread work while the caller waits (Qt: events).
    virtual void pump() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
};

using UiRigMaker = std::function<std::unique_ptr<UiRig>()>;

inline std::string checkUiContract(const UiRigMaker& make)
{
    std::string broken;
    auto expectShown = [&](UiRig& rig, const std::string& text, const char* rule) {
        if (rig.shown().find(text) == std::string::npos)
            broken += std::string(rule) + ": \"" + text + "\" not in \"" + rig.shown() + "\"\n";
    };
    {
        auto rig = make();
        rig->ui().message(Icon::Stop, "Cannot open the file.");
        expectShown(*rig, "Cannot open the file.", "message");
    }
    {
        auto rig = make();
        rig->ui().messageWithDetail(Icon::Exclamation, "COM3 cannot be used.", "permission denied");
        expectShown(*rig, "COM3 cannot be used.", "message with detail");
        expectShown(*rig, "permission denied", "message with detail");
    }
    {
        auto rig = make();
        BoxOutcome failed;
        failed.kind = OutcomeClass::PortBusy;
        failed.portName = "COM3";
        failed.portProblem.cause = "in use by another program";
        rig->ui().operationFailed(failed, failureMessage(failed));
        expectShown(*rig, failureMessage(failed).text, "failed operation");
        expectShown(*rig, "in use by another program", "failed operation");
    }
    {
        auto rig = make();
        if (rig->ui().question(Icon::Question, "Overwrite it?") != rig->defaultAnswer())
            broken += "question: not the default answer\n";
        expectShown(*rig, "Overwrite it?", "question");
    }
    {
        auto rig = make();
        rig->ui().message(Icon::Exclamation, "Said by the caller.");
        std::atomic<bool> done{false};
        std::thread worker([&] {
            rig->ui().message(Icon::Information, "Written by the worker.");
            done = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done && std::chrono::steady_clock::now() < deadline)
            rig->pump();
        worker.join();
        expectShown(*rig, "Said by the caller.", "messages from two threads");
        if (rig->showsEveryMessage())
            expectShown(*rig, "Written by the worker.", "messages from two threads");
    }
    return broken;
}

} // namespace plx71::test
