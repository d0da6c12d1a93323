#include "commands/port_option.hpp"

#include "exit_codes.hpp"
#include "plx71/link/latency_advice.hpp"
#include "plx71/link/port_names.hpp"
#include "plx71/link/port_resolver.hpp"

#include <cstdio>
#include <filesystem>

namespace plx71::cli {

std::string deviceIdentity(const PortChoice& port)
{
    const std::string device = port.devicePath.empty() ? portDeviceName(port.comPortIndex) : port.devicePath;
    std::error_code ec;
    const auto canonical = std::filesystem::canonical(device, ec);
    return ec ? device : canonical.string();
}

ResolvedPorts resolvePortSpecs(const std::vector<std::string>& specs)
{
    ResolvedPorts result;
    result.specs = specs;
    auto station = loadStationFile();
    if (!station.station) {
        std::fprintf(stderr, "%s\n", station.error.c_str());
        result.exitCode = kExitUsage;
        return result;
    }
    PortCatalog catalog(systemRoot());
    PortResolver resolver(catalog, *station.station);
    std::vector<std::string> identities;
    for (const auto& spec : specs) {
        const PortResolution r = resolver.resolve(spec);
        if (!r.port) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            result.exitCode = r.error == PortResolveError::NotFound ? kExitPortProblem : kExitUsage;
            return result;
        }
        const std::string identity = deviceIdentity(*r.port);
        for (std::size_t i = 0; i < identities.size(); ++i) {
            if (identities[i] == identity) {
                std::fprintf(stderr, "--port %s and --port %s are the same device (%s); nothing sent\n",
                             specs[i].c_str(), spec.c_str(), identity.c_str());
                result.exitCode = kExitUsage;
                return result;
            }
        }
        identities.push_back(identity);
        result.ports.push_back(*r.port);
    }
    for (const auto& port : result.ports) {
        const std::string device = port.devicePath.empty() ? portDeviceName(port.comPortIndex) : port.devicePath;
        if (const std::string advice = latencyAdvice(catalog, device); !advice.empty())
            std::fprintf(stderr, "%s\n", advice.c_str());
    }
    return result;
}

} // namespace plx71::cli
