#include "commands/gang_status.hpp"

#include "plx71/line/shipper.hpp"

namespace plx71::cli {

namespace {

// The state words of the station's tiles.
std::string stateAfter(const BoxOutcome& outcome)
{
    if (outcome.kind == OutcomeClass::PortNotFound)
        return "No box";
    if (outcome.kind == OutcomeClass::Cancelled)
        return "Cancelled";
    return outcome.ok() ? "Verified" : "Failed";
}

} // namespace

GangStatus::GangStatus(const LinkOptions& options, const ResolvedPorts& ports, const JobFacts& facts)
{
    const auto url = line::parseLineUrl(options.lineUrl);
    const std::string token = url ? line::readTokenFile(options.lineTokenPath) : std::string();
    if (!url || token.empty())
        return;
    for (std::size_t i = 0; i < ports.specs.size(); ++i) {
        line::StatusTile tile;
        tile.slot = int(i + 1);
        tile.label = ports.specs[i].given;
        if (const auto& port = ports.specs[i].port)
            tile.port = port->stableName.empty() ? port->devicePath : port->stableName;
        if (tile.port.empty())
            tile.port = tile.label;
        tile.state = "Running";
        status_.tiles.push_back(tile);
    }
    for (const FileFact& f : facts.files) {
        if (f.role == "project")
            status_.project = f.path;
    }
    status_.jobDigest = facts.jobDigest;
    poster_ = std::make_unique<line::StatusPoster>(*url, token, options.station());
    post();
}

void GangStatus::phase(std::size_t box, ProgressPhase phase)
{
    const std::lock_guard lock(mutex_);
    if (!poster_ || box >= status_.tiles.size())
        return;
    status_.tiles[box].phase = std::string(progressPhaseName(phase));
    post();
}

void GangStatus::ended(std::size_t box, const BoxOutcome& outcome)
{
    const std::lock_guard lock(mutex_);
    if (!poster_ || box >= status_.tiles.size())
        return;
    line::StatusTile& tile = status_.tiles[box];
    tile.state = stateAfter(outcome);
    tile.phase.clear();
    tile.passed += outcome.ok() ? 1 : 0;
    tile.cancelled += outcome.kind == OutcomeClass::Cancelled ? 1 : 0;
    tile.failed += !outcome.ok() && outcome.kind != OutcomeClass::Cancelled ? 1 : 0;
    post();
}

void GangStatus::post()
{
    poster_->update(status_);
}

} // namespace plx71::cli
