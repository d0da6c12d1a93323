#pragma once
// The line server's HTTP side: the routes, each behind its token check.
#include "api/page_files.hpp"
#include "api/request_metrics.hpp"
#include "store/job_store.hpp"
#include "tokens/token_registry.hpp"

#include <atomic>
#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace plx71::line {

class LineServer {
public:
    LineServer(JobStore& store, TokenRegistry& tokens);
    ~LineServer();

    // Reading (the read API) without a token: for a closed network.
    void setOpenRead(bool open) { openRead_ = open; }
    // The line's page at / (before run()).
    void servePage(const PageFiles& page);

    // Binds HOST:PORT; false (with the reason in `error`) when it cannot.
    bool bind(const std::string& host, int port, std::string& error);
    // Binds a free port on `host` and returns it (0: none).
    int bindAnyPort(const std::string& host);
    // Serves until stop(); false when the listening socket failed.
    bool run();
    // Ends run() from another thread (or a signal's thread).
    void stop();
    bool running() const;

private:
    void addRoutes();

    JobStore& store_;
    TokenRegistry& tokens_;
    RequestMetrics requests_;
    std::atomic<bool> openRead_{false};
    std::unique_ptr<httplib::Server> http_;
};

} // namespace plx71::line
