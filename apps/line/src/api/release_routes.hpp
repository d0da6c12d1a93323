#pragma once
// Releases: the job digests a line may run.
//   POST /api/v1/releases                 release a digest (engineer)
//   POST /api/v1/releases/DIGEST/revoke   take a release back (engineer)
//   GET  /api/v1/releases                 every release, newest first
//   GET  /api/v1/releases/DIGEST          200 with the release, 404 when the digest is not released
#include "api/route.hpp"

#include <variant>

namespace plx71::line {

void postRelease(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void postRevoke(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getReleases(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);
void getRelease(const httplib::Request& req, httplib::Response& res, RouteContext& ctx);

// The release a POST body asks for (who and when are the server's to add),
// or why it is refused.
std::variant<Release, std::string> parseReleaseBody(const std::string& body);
// 64 hex digits; upper-case ones are taken as lower-case.
std::optional<std::string> jobDigestOf(const std::string& text);

} // namespace plx71::line
