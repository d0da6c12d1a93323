#include "commands/port_option.hpp"

#include "exit_codes.hpp"
#include "plx71/link/latency_advice.hpp"
#include "plx71/link/port_names.hpp"
#include "plx71/link/port_resolver.hpp"
#include "plx71/ops/gang_runner.hpp"

#include <cstdio>

namespace plx71::cli {

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
    for (const auto& spec : specs) {
        const PortResolution r = resolver.resolve(spec);
        if (!r.port) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            result.exitCode = r.error == PortResolveError::NotFound ? kExitPortProblem : kExitUsage;
            return result;
        }
        result.ports.push_back(*r.port);
    }
    if (const auto same = duplicatePorts(result.ports)) {
        std::fprintf(stderr, "--port %s and --port %s are the same device (%s); nothing sent\n",
                     specs[same->first].c_str(), specs[same->second].c_str(),
                     result.ports[same->second].deviceName().c_str());
        result.exitCode = kExitUsage;
        return result;
    }
    for (const auto& port : result.ports) {
        if (const std::string advice = latencyAdvice(catalog, port.deviceName()); !advice.empty())
            std::fprintf(stderr, "%s\n", advice.c_str());
    }
    return result;
}

} // namespace plx71::cli
