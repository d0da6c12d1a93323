#pragma once
// POST /api/v1/records: a station ships a batch of record lines.
#include "api/route.hpp"

namespace plx71::line {

void postRecords(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);

} // namespace plx71::line
