#pragma once
// The read API: GET /api/v1/jobs, /stations, /boxes, /yield (JSON).
#include "api/route.hpp"

namespace plx71::line {

void getJobs(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getStations(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getBoxes(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getYield(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);

} // namespace plx71::line
