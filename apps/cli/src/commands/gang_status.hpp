#pragma once
// The live state of a job on several boxes for the line's page (--line):
// one tile per --port, posted by line::StatusPoster from its own thread,
// so the boxes never wait for the server.
#include "commands/link_options.hpp"
#include "commands/port_option.hpp"
#include "plx71/line/status_poster.hpp"
#include "plx71/ops/box_outcome.hpp"
#include "plx71/ops/progress_sink.hpp"
#include "plx71/production_record/job_record.hpp"

#include <memory>
#include <mutex>

namespace plx71::cli {

class GangStatus {
public:
    // Posts nothing without --line (or without a token).
    GangStatus(const LinkOptions& options, const ResolvedPorts& ports, const JobFacts& facts);
    void phase(std::size_t box, ProgressPhase phase);
    void ended(std::size_t box, const BoxOutcome& outcome);

private:
    void post(); // under mutex_

    std::mutex mutex_;
    line::StationStatus status_;
    std::unique_ptr<line::StatusPoster> poster_;
};

} // namespace plx71::cli
