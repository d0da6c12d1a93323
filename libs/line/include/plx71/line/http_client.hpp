#pragma once
// The small HTTP client shipping needs: one JSON POST with a bearer token,
// under hard time limits. Implementations: cpp-httplib (httplib_client.hpp,
// for programs that link it, and inside the plx71 module on Linux) and
// WinHTTP on Windows.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plx71::line {

// http://HOST[:PORT][/PREFIX] or https://...; the API paths go below PREFIX.
struct LineUrl {
    bool secure = false;
    std::string host; // a name, an IPv4 address or an IPv6 address without brackets
    int port = 0;
    std::string prefix; // "" or "/..." without a trailing '/'

    // "http://host:port" (IPv6 in brackets), for the libraries that want it so.
    std::string origin() const;
};

// nullopt for anything else: another scheme, no host, a bad port, a query,
// blanks or control characters.
std::optional<LineUrl> parseLineUrl(std::string_view text);

// A job never waits on the server longer than these.
struct HttpLimits {
    std::chrono::milliseconds connect{2000};
    std::chrono::milliseconds whole{5000}; // from the start of the request to its answer
};

struct HttpAnswer {
    int status = 0;      // 0: no answer (failure says why)
    std::string body;    // the answer's body
    std::string failure; // "connection refused", "timed out", ... when status is 0
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // POSTs `body` (application/json) to url.prefix + path with
    // "Authorization: Bearer <token>".
    virtual HttpAnswer postJson(const LineUrl& url, const std::string& path, const std::string& token,
                                const std::string& body, const HttpLimits& limits) = 0;
    // GETs url.prefix + path with the same token and limits.
    virtual HttpAnswer getJson(const LineUrl& url, const std::string& path, const std::string& token,
                               const HttpLimits& limits) = 0;
};

// The client of a program that does not link cpp-httplib itself: WinHTTP on
// Windows; elsewhere the cpp-httplib module beside the program (or in
// ../lib/plx71), loaded at the first request, so the program's start pays
// nothing for it. Never null; a missing module answers every request with
// status 0 and says so.
std::unique_ptr<HttpClient> systemHttpClient();

} // namespace plx71::line
