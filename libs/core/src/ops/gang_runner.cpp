#include "plx71/ops/gang_runner.hpp"

#include <exception>
#include <filesystem>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace plx71 {

namespace {

// Two names of one device give one identity: its device number when it is
// a character device (a second node made with the same number included),
// else the path with every link followed.
std::string deviceIdentity(const std::string& name)
{
#ifndef _WIN32
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISCHR(st.st_mode))
        return "char " + std::to_string(static_cast<unsigned long long>(st.st_rdev));
#endif
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(name, ec);
    return ec ? name : canonical.string();
}

BoxOutcome runOneBox(const GangBox& box, const GangOperation& operation, const GangOptions& options)
{
    BoxSession session(*box.ui, options.makePort ? options.makePort() : makeSystemSerialPort());
    if (options.timing)
        session.setTiming(*options.timing);
    try {
        return operation(session, BoxTarget{box.port, options.rate}, *box.sink);
    } catch (const std::exception& e) {
        // A box must never take the gang down with it.
        box.ui->message(Icon::Stop, std::string("internal error: ") + e.what());
        BoxOutcome outcome;
        outcome.kind = OutcomeClass::CommunicationError;
        outcome.portName = box.port.displayName();
        outcome.devicePath = box.port.deviceName();
        outcome.stableName = box.port.stableName;
        outcome.portGiven = box.port.given;
        outcome.deviceNode = box.port.deviceNode();
        return outcome;
    }
}

} // namespace

std::vector<BoxOutcome> runGang(std::span<const GangBox> boxes, const GangOperation& operation,
                                const GangOptions& options)
{
    std::vector<BoxOutcome> outcomes(boxes.size());
    std::vector<std::thread> threads;
    threads.reserve(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        threads.emplace_back([&, i] {
            outcomes[i] = runOneBox(boxes[i], operation, options);
            if (options.onBoxEnded)
                options.onBoxEnded(i, outcomes[i]);
        });
    }
    for (auto& t : threads)
        t.join();
    return outcomes;
}

std::optional<std::pair<std::size_t, std::size_t>> duplicatePorts(std::span<const PortChoice> ports)
{
    std::vector<std::string> devices;
    for (const auto& port : ports)
        devices.push_back(deviceIdentity(port.deviceName()));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        for (std::size_t j = i + 1; j < devices.size(); ++j) {
            if (devices[i] == devices[j])
                return std::pair{i, j};
        }
    }
    return std::nullopt;
}

} // namespace plx71
