#pragma once
// GET /metrics: the Prometheus text format. Jobs by station and outcome
// class and the stations' shipping backlog come from the store (the same
// from every server of a line); request durations are this server's own.
#include "api/request_metrics.hpp"
#include "api/route.hpp"

namespace plx71::line {

std::string metricsText(JobStore& store, RequestMetrics& requests);
void getMetrics(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);

} // namespace plx71::line
