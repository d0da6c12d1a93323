#include "commands/port_option.hpp"

#include "exit_codes.hpp"
#include "plx71/ops/gang_runner.hpp"
#include "plx71/port/latency_advice.hpp"
#include "plx71/port/port_names.hpp"
#include "plx71/port/port_resolver.hpp"

#include <cstdio>

namespace plx71::cli {

namespace {

// The choices of the specs that reach a device, and their spec indices.
std::vector<PortChoice> choicesOf(const std::vector<PortSpec>& specs, std::vector<std::size_t>& index)
{
    std::vector<PortChoice> ports;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        if (specs[i].port) {
            ports.push_back(*specs[i].port);
            index.push_back(i);
        }
    }
    return ports;
}

} // namespace

ResolvedPorts resolvePortSpecs(const std::vector<std::string>& specs)
{
    ResolvedPorts result;
    auto station = loadStationFile();
    if (!station.station) {
        std::fprintf(stderr, "%s\n", station.error.c_str());
        result.exitCode = kExitUsage;
        return result;
    }
    PortCatalog catalog(systemRoot());
    PortResolver resolver(catalog, *station.station);
    for (const auto& given : specs) {
        PortResolution r = resolver.resolve(given);
        if (!r.port && r.error != PortResolveError::NotFound) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            result.exitCode = kExitUsage;
            return result;
        }
        if (r.port)
            r.port->given = given;
        result.specs.push_back({given, r.port, r.message});
    }
    std::vector<std::size_t> index;
    const std::vector<PortChoice> ports = choicesOf(result.specs, index);
    if (const auto same = duplicatePorts(ports)) {
        std::fprintf(stderr, "--port %s and --port %s are the same device (%s); nothing sent\n",
                     result.specs[index[same->first]].given.c_str(), result.specs[index[same->second]].given.c_str(),
                     ports[same->second].deviceName().c_str());
        result.exitCode = kExitUsage;
        return result;
    }
    for (const auto& port : ports) {
        if (const std::string advice = latencyAdvice(catalog, port.deviceName()); !advice.empty())
            std::fprintf(stderr, "%s\n", advice.c_str());
    }
    return result;
}

BoxOutcome unresolvedPortOutcome(const PortSpec& spec)
{
    BoxOutcome o;
    o.kind = OutcomeClass::PortNotFound;
    o.portName = spec.given;
    o.portGiven = spec.given;
    o.portProblem.cause = spec.problem;
    return o;
}

} // namespace plx71::cli
