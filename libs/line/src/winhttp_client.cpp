// The HTTP client on Windows: the system's WinHTTP, so the Windows programs
// carry no HTTP or TLS library of their own.
#ifdef _WIN32
#include "plx71/line/http_client.hpp"

#include <windows.h>
#include <winhttp.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace plx71::line {

namespace {

constexpr DWORD kMaxAnswerBytes = 1u << 20;

std::wstring wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string failureText(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "connection refused";
    case ERROR_WINHTTP_TIMEOUT:
        return "timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "unknown host";
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "connection lost";
    case ERROR_WINHTTP_SECURE_FAILURE:
        return "TLS failed";
    default:
        return "WinHTTP error " + std::to_string(error);
    }
}

// Closes a WinHTTP handle when it goes out of scope.
struct Handle {
    HINTERNET h = nullptr;
    ~Handle()
    {
        if (h)
            ::WinHttpCloseHandle(h);
    }
};

std::string readBody(HINTERNET request)
{
    std::string body;
    DWORD available = 0;
    while (::WinHttpQueryDataAvailable(request, &available) && available > 0 && body.size() < kMaxAnswerBytes) {
        std::string chunk(available, '\0');
        DWORD got = 0;
        if (!::WinHttpReadData(request, chunk.data(), available, &got) || got == 0)
            break;
        body.append(chunk.data(), got);
    }
    return body;
}

// POSTs `body`; with `get`, a GET without a body.
HttpAnswer exchange(const LineUrl& url, const std::string& path, const std::string& token, const std::string& body,
                    const HttpLimits& limits, bool get)
{
    const auto fail = [] { return HttpAnswer{0, {}, failureText(::GetLastError())}; };
    Handle session{
        ::WinHttpOpen(L"plx71", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)};
    if (!session.h)
        return fail();
    const int whole = int(limits.whole.count());
    ::WinHttpSetTimeouts(session.h, whole, int(limits.connect.count()), whole, whole);
    Handle connection{::WinHttpConnect(session.h, wide(url.host).c_str(), INTERNET_PORT(url.port), 0)};
    if (!connection.h)
        return fail();
    Handle request{::WinHttpOpenRequest(connection.h, get ? L"GET" : L"POST", wide(url.prefix + path).c_str(), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        url.secure ? WINHTTP_FLAG_SECURE : 0)};
    if (!request.h)
        return fail();
    const std::wstring headers =
        wide(std::string(get ? "" : "Content-Type: application/json\r\n") + "Authorization: Bearer " + token + "\r\n");
    if (!::WinHttpSendRequest(request.h, headers.c_str(), DWORD(headers.size()),
                              get ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data()), DWORD(body.size()),
                              DWORD(body.size()), 0)
        || !::WinHttpReceiveResponse(request.h, nullptr))
        return fail();
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::WinHttpQueryHeaders(request.h, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return fail();
    return HttpAnswer{int(status), readBody(request.h), {}};
}

struct Exchange {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    HttpAnswer answer;
};

class WinHttpClient : public HttpClient {
public:
    HttpAnswer postJson(const LineUrl& url, const std::string& path, const std::string& token, const std::string& body,
                        const HttpLimits& limits) override
    {
        return run(url, path, token, body, limits, false);
    }

    HttpAnswer getJson(const LineUrl& url, const std::string& path, const std::string& token,
                       const HttpLimits& limits) override
    {
        return run(url, path, token, {}, limits, true);
    }

private:
    static HttpAnswer run(const LineUrl& url, const std::string& path, const std::string& token,
                          const std::string& body, const HttpLimits& limits, bool get)
    {
        // WinHTTP's limits are per step; the request runs on its own thread
        // so that its caller waits for the whole limit only.
        auto x = std::make_shared<Exchange>();
        std::thread([x, url, path, token, body, limits, get] {
            HttpAnswer answer = exchange(url, path, token, body, limits, get);
            const std::lock_guard lock(x->mutex);
            x->answer = std::move(answer);
            x->done = true;
            x->ended.notify_all();
        }).detach();
        std::unique_lock lock(x->mutex);
        if (!x->ended.wait_for(lock, limits.whole, [&x] { return x->done; }))
            return {0, {}, "timed out"};
        return x->answer;
    }
};

} // namespace

std::unique_ptr<HttpClient> systemHttpClient()
{
    return std::make_unique<WinHttpClient>();
}

} // namespace plx71::line
#endif
