#include "plx71/line/httplib_client.hpp"

#include <httplib.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace plx71::line {

namespace {

// What the request's thread hands back. Shared, so that a request that
// overruns its limit can be left to end on its own.
struct Exchange {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    HttpAnswer answer;
    std::unique_ptr<httplib::Client> client;
};

std::string failureText(httplib::Error error, std::chrono::steady_clock::duration spent, const HttpLimits& limits)
{
    switch (error) {
    case httplib::Error::Connection:
        return spent >= limits.connect ? "timed out" : "connection refused";
    case httplib::Error::ConnectionTimeout:
        return "timed out";
    case httplib::Error::Read:
    case httplib::Error::Write:
        // The socket's read and write limits are the whole limit: a server
        // that stalls ends here as often as at the caller's own deadline.
        return spent >= limits.whole ? "timed out" : "connection lost";
    case httplib::Error::Canceled:
        return "timed out";
    case httplib::Error::SSLConnection:
    case httplib::Error::SSLLoadingCerts:
    case httplib::Error::SSLServerVerification:
        return "TLS failed";
    default:
        return httplib::to_string(error);
    }
}

// `body` is POSTed; without one (nullopt) the request is a GET.
void runExchange(const std::shared_ptr<Exchange>& x, std::string path, std::string token,
                 std::optional<std::string> body, HttpLimits limits)
{
    const auto start = std::chrono::steady_clock::now();
    const httplib::Headers headers{{"Authorization", "Bearer " + token}};
    httplib::Result result =
        body ? x->client->Post(path, headers, *body, "application/json") : x->client->Get(path, headers);
    HttpAnswer answer;
    if (result) {
        answer.status = result->status;
        answer.body = std::move(result->body);
    } else {
        answer.failure = failureText(result.error(), std::chrono::steady_clock::now() - start, limits);
    }
    const std::lock_guard lock(x->mutex);
    x->answer = std::move(answer);
    x->done = true;
    x->ended.notify_all();
}

class HttplibClient : public HttpClient {
public:
    HttpAnswer postJson(const LineUrl& url, const std::string& path, const std::string& token, const std::string& body,
                        const HttpLimits& limits) override
    {
        return request(url, path, token, body, limits);
    }

    HttpAnswer getJson(const LineUrl& url, const std::string& path, const std::string& token,
                       const HttpLimits& limits) override
    {
        return request(url, path, token, std::nullopt, limits);
    }

private:
    static HttpAnswer request(const LineUrl& url, const std::string& path, const std::string& token,
                              const std::optional<std::string>& body, const HttpLimits& limits)
    {
        auto x = std::make_shared<Exchange>();
        x->client = std::make_unique<httplib::Client>(url.origin());
        if (!x->client->is_valid())
            return {0, {}, "cannot use " + url.origin()};
        x->client->set_connection_timeout(limits.connect);
        x->client->set_read_timeout(limits.whole);
        x->client->set_write_timeout(limits.whole);
        x->client->set_keep_alive(false);
        // Name lookups and a server that trickles bytes are not bound by the
        // socket limits: the request runs on its own thread, and its caller
        // waits for the whole limit only.
        std::thread(runExchange, x, url.prefix + path, token, body, limits).detach();
        std::unique_lock lock(x->mutex);
        if (!x->ended.wait_for(lock, limits.whole, [&x] { return x->done; })) {
            x->client->stop();
            return {0, {}, "timed out"};
        }
        return x->answer;
    }
};

} // namespace

std::unique_ptr<HttpClient> httplibClient()
{
    return std::make_unique<HttplibClient>();
}

} // namespace plx71::line
