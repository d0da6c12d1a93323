#include "commands/serve_command.hpp"

#include "api/line_server.hpp"
#include "commands/stop_signals.hpp"
#include "plx71/files/executable_path.hpp"
#include "store/open_store.hpp"
#include "store/schema.hpp"
#include "tokens/token_file.hpp"
#include "tokens/token_registry.hpp"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace plx71::line {

namespace {

constexpr const char* kDefaultListen = "127.0.0.1:7171";

std::unique_ptr<JobStore> openOrSay(const std::string& database, int& rc)
{
    try {
        return openStore(database);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "plx71line: --db: %s\n", e.what());
        rc = kLineUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "plx71line: %s\n", e.what());
        rc = kLineFailed;
    }
    return nullptr;
}

} // namespace

bool parseListenAddress(const std::string& text, std::string& host, int& port)
{
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return false;
        host = host.substr(1, host.size() - 2);
    }
    const std::string digits = text.substr(colon + 1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    return ec == std::errc() && end == digits.data() + digits.size() && port >= 1 && port <= 65535;
}

int ServeCommand::run() const
{
    std::string host;
    int port = 0;
    if (!parseListenAddress(listen, host, port)) {
        std::fprintf(stderr, "plx71line: --listen %s: use HOST:PORT (%s)\n", listen.c_str(), kDefaultListen);
        return kLineUsage;
    }
    TokenRegistry registry(tokens);
    if (const std::string error = registry.error(); !error.empty()) {
        std::fprintf(stderr, "plx71line: %s\n", error.c_str());
        return kLineFailed;
    }
    if (registry.count() == 0)
        std::fprintf(stderr,
                     "plx71line: no tokens in %s yet: %s is refused until "
                     "\"plx71line token add --tokens %s ...\" adds one\n",
                     tokens.c_str(), openRead ? "every request but reading" : "every request", tokens.c_str());
    int rc = kLineOk;
    const auto store = openOrSay(database, rc);
    if (!store)
        return rc;
    LineServer server(*store, registry);
    server.setOpenRead(openRead);
    const PageFiles page = loadPageFiles(webFolderCandidates(currentExecutablePath()));
    if (!page.error.empty())
        std::fprintf(stderr, "plx71line: %s: the API is served, the page is not\n", page.error.c_str());
    server.servePage(page);
    std::string error;
    if (!server.bind(host, port, error)) {
        std::fprintf(stderr, "plx71line: %s\n", error.c_str());
        return kLineFailed;
    }
    StopOnSignals signals([&server] { server.stop(); });
    std::fprintf(stderr, "plx71line: serving %s on http://%s (tokens: %s%s)\n", store->description().c_str(),
                 listen.c_str(), tokens.c_str(), openRead ? "; reading open to all" : "");
    std::fflush(stderr);
    if (!server.run()) {
        std::fprintf(stderr, "plx71line: the listening socket failed\n");
        return kLineFailed;
    }
    std::fprintf(stderr, "plx71line: stopped\n");
    return kLineOk;
}

CLI::App* ServeCommand::add(CLI::App& app)
{
    CLI::App* sub = app.add_subcommand(
        std::string(kName), "serve the line's record over HTTP: the line's page at /, the JSON API and /metrics");
    database = kDefaultDatabase;
    listen = kDefaultListen;
    tokens = kDefaultTokenFile;
    const std::string postgres =
        havePostgres() ? "" : " This build has no PostgreSQL support (PostgreSQL is served by the Linux build).";
    sub->add_option("--db", database,
                    "where the record lives: sqlite:PATH (one file, made on first start), or "
                    "postgresql://USER@HOST[:PORT]/DB and the other libpq forms (\"postgresql:host=... dbname=...\"; "
                    "\"postgresql:\" takes all from the PG* variables)."
                        + postgres)
        ->capture_default_str();
    sub->add_option("--listen", listen, "HOST:PORT to listen on; another address than 127.0.0.1 must be named")
        ->capture_default_str();
    sub->add_option("--tokens", tokens, "the token file (plx71line token add); read again when it changes")
        ->capture_default_str();
    sub->add_flag("--open-read", openRead,
                  "serve the page and the read API without a token (for a closed network only: anyone who can "
                  "reach the server reads the line's record); posting records, status and releases still needs one");
    return sub;
}

} // namespace plx71::line
