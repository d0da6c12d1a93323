#include "api/line_server.hpp"

#include "api/batch_body.hpp"
#include "api/line_state_routes.hpp"
#include "api/metrics_route.hpp"
#include "api/read_routes.hpp"
#include "api/records_route.hpp"
#include "api/release_routes.hpp"
#include "api/route.hpp"

#include <chrono>
#include <cstdio>

namespace plx71::line {

namespace {

struct Route {
    const char* method; // "GET", "POST"
    const char* path;
    Role role; // the least role that may call it
    RouteHandler handler;
};

// Every route of the server, with the role it needs.
constexpr Route kRoutes[] = {
    {"POST", "/api/v1/records", Role::Station, &postRecords},
    {"GET", "/api/v1/jobs", Role::Viewer, &getJobs},
    {"GET", "/api/v1/stations", Role::Viewer, &getStations},
    {"GET", "/api/v1/boxes", Role::Viewer, &getBoxes},
    {"GET", "/api/v1/yield", Role::Viewer, &getYield},
    {"GET", "/metrics", Role::Viewer, &getMetrics},
    // The line's page (paths are patterns: a group is the name or digest).
    {"POST", "/api/v1/stations/([^/]+)/status", Role::Station, &postStatus},
    {"GET", "/api/v1/jobs\\.csv", Role::Viewer, &getJobs},
    {"GET", "/api/v1/summary", Role::Viewer, &getSummary},
    {"POST", "/api/v1/releases", Role::Engineer, &postRelease},
    {"POST", "/api/v1/releases/([^/]+)/revoke", Role::Engineer, &postRevoke},
    {"GET", "/api/v1/releases", Role::Viewer, &getReleases},
    {"GET", "/api/v1/releases/([^/]+)", Role::Viewer, &getRelease},
};

// The token of "Authorization: Bearer TOKEN", empty when there is none.
std::string bearerToken(const httplib::Request& req)
{
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view scheme = "Bearer ";
    if (header.size() <= scheme.size() || header.compare(0, scheme.size(), scheme) != 0)
        return {};
    return header.substr(scheme.size());
}

std::string statusText(const httplib::Request& req, int status)
{
    switch (status) {
    case 404:
        return "no such route";
    case 413:
        // The HTTP library reads a form-encoded body as a form, up to 8 KiB.
        if (req.get_header_value("Content-Type") == "application/x-www-form-urlencoded")
            return "a form-encoded body over 8 KiB: send Content-Type: application/json";
        return "body larger than " + std::to_string(kMaxBodyBytes / (1024 * 1024)) + " MiB";
    default:
        return "HTTP " + std::to_string(status);
    }
}

} // namespace

LineServer::LineServer(JobStore& store, TokenRegistry& tokens)
    : store_(store), tokens_(tokens), http_(std::make_unique<httplib::Server>())
{
    http_->set_payload_max_length(kMaxBodyBytes);
    // An answer goes out in two writes (head, body): without this, Nagle and
    // the client's delayed ACK hold every answer back some 40 ms.
    http_->set_tcp_nodelay(true);
    http_->set_read_timeout(10);
    http_->set_write_timeout(10);
    // Errors the library answers itself (413, 404) get a JSON body too.
    http_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (res.body.empty())
            replyError(res, res.status, statusText(req, res.status));
    });
    http_->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr e) {
        std::string why = "internal error";
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            why += std::string(": ") + ex.what();
        } catch (...) {
        }
        std::fprintf(stderr, "plx71line: %s\n", why.c_str());
        replyError(res, 500, why);
    });
    addRoutes();
}

LineServer::~LineServer() = default;

void LineServer::addRoutes()
{
    for (const Route& route : kRoutes) {
        auto handle = [this, route](const httplib::Request& req, httplib::Response& res) {
            const auto start = std::chrono::steady_clock::now();
            const std::string token = bearerToken(req);
            auto caller = tokens_.find(token);
            if (!caller && token.empty() && openRead_ && route.role == Role::Viewer)
                caller = TokenEntry{"open read", Role::Viewer, {}, {}};
            if (!caller) {
                replyError(res, 401, "token");
            } else if (caller->role < route.role) {
                replyError(res, 403, "role");
            } else {
                RouteContext ctx{store_, *caller, requests_};
                try {
                    route.handler(req, res, ctx);
                } catch (const StoreUnavailable& e) {
                    std::fprintf(stderr, "plx71line: %s %s: store unavailable: %s\n", route.method, route.path,
                                 e.what());
                    replyError(res, 503, e.what());
                }
            }
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            requests_.observe(route.path, res.status, took.count());
        };
        if (std::string_view(route.method) == "POST")
            http_->Post(route.path, handle);
        else
            http_->Get(route.path, handle);
    }
}

void LineServer::servePage(const PageFiles& page)
{
    addPageRoutes(*http_, page);
}

bool LineServer::bind(const std::string& host, int port, std::string& error)
{
    if (http_->bind_to_port(host, port))
        return true;
    error = "cannot listen on " + host + ":" + std::to_string(port) + " (in use, or not an address of this machine)";
    return false;
}

int LineServer::bindAnyPort(const std::string& host)
{
    const int port = http_->bind_to_any_port(host);
    return port > 0 ? port : 0;
}

bool LineServer::run()
{
    return http_->listen_after_bind();
}

void LineServer::stop()
{
    http_->stop();
}

bool LineServer::running() const
{
    return http_->is_running();
}

} // namespace plx71::line
