#pragma once
// What a route handler gets: the request, the response to fill, the store
// and who is asking. Handlers stay thin: read the request, ask the store,
// write JSON. The server checks the token and the role before, and answers
// 503 for a store that is away after.
#include "api/request_metrics.hpp"
#include "store/job_store.hpp"
#include "tokens/token_file.hpp"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <string>

namespace plx71::line {

struct RouteContext {
    JobStore& store;
    const TokenEntry& caller;
    RequestMetrics& requests; // this server's own answer times
};

using RouteHandler = void (*)(const httplib::Request&, httplib::Response&, RouteContext&);

inline void replyJson(httplib::Response& res, int status, const std::string& body)
{
    res.status = status;
    res.set_content(body, "application/json");
}

inline void replyJson(httplib::Response& res, int status, const nlohmann::ordered_json& body)
{
    replyJson(res, status, body.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

inline void replyError(httplib::Response& res, int status, const std::string& why)
{
    replyJson(res, status, nlohmann::ordered_json{{"error", why}});
}

} // namespace plx71::line
