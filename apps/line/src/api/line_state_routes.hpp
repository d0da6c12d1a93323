#pragma once
// The stations' live state and the page's yield summary:
//   POST /api/v1/stations/NAME/status   a station's tiles (station role)
//   GET  /api/v1/summary?since=&station= failure causes and first-pass yield
// and what GET /api/v1/stations adds to each station (live state, last
// seen, offline).
#include "api/route.hpp"

#include <cstdint>
#include <variant>
#include <vector>

namespace plx71::line {

// A station not heard from for this long is offline.
inline constexpr std::int64_t kOfflineAfterSeconds = 30;
inline constexpr std::size_t kMaxStatusBytes = 256 * 1024;

void postStatus(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getSummary(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);

// Adds "lastSeen", "offline" and "live" to every station of `list` (objects
// with "name"), and adds the stations only a status names; sorted by name.
void addLiveState(nlohmann::ordered_json& list, const std::vector<StationStatus>& statuses, std::int64_t now);

// The status body kept for the page (only its known fields), or why it is
// refused.
std::variant<nlohmann::ordered_json, std::string> parseStatusBody(const std::string& body);

} // namespace plx71::line
