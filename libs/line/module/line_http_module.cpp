// plx71-line-http: the cpp-httplib client as a module that plx71 loads at
// its first request. Linking cpp-httplib (and the TLS libraries under it)
// into plx71 itself would cost every start of plx71 more than the whole of
// "plx71 --version"; loaded on demand, only a job that ships pays, once.
// The interface is plain C, so the module and the program need not share
// one C++ runtime.
#include "plx71/line/httplib_client.hpp"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

char* copyOut(const std::string& text, std::size_t* length)
{
    char* out = static_cast<char*>(std::malloc(text.size() + 1));
    if (!out)
        return nullptr;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    if (length)
        *length = text.size();
    return out;
}

// Runs `request` on the parsed URL and hands its answer out as the C
// functions below promise. Never throws.
template <typename Request>
int answerOut(const char* url, long connectMs, long wholeMs, char** answer, std::size_t* answerLength, char** failure,
              const Request& request)
{
    using namespace plx71::line;
    *answer = nullptr;
    *failure = nullptr;
    try {
        const auto parsed = parseLineUrl(url);
        if (!parsed) {
            *failure = copyOut("not a line server URL", nullptr);
            return 0;
        }
        const HttpLimits limits{std::chrono::milliseconds(connectMs), std::chrono::milliseconds(wholeMs)};
        const HttpAnswer a = request(*parsed, limits);
        *answer = copyOut(a.body, answerLength);
        if (a.status == 0)
            *failure = copyOut(a.failure, nullptr);
        return a.status;
    } catch (...) {
        *failure = copyOut("HTTP client failed", nullptr);
        return 0;
    }
}

} // namespace

extern "C" {

// POSTs `body` to `url` + `path` (see plx71::line::HttpClient). Returns the
// HTTP status, or 0 with *failure set; *answer (and *failure) are malloc'd,
// to be freed with plx71_line_http_free_v1. Never throws.
__attribute__((visibility("default"))) int plx71_line_http_post_v1(const char* url, const char* path, const char* token,
                                                                   const char* body, std::size_t bodyLength,
                                                                   long connectMs, long wholeMs, char** answer,
                                                                   std::size_t* answerLength, char** failure)
{
    return answerOut(
        url, connectMs, wholeMs, answer, answerLength, failure, [&](const auto& parsed, const auto& limits) {
            return plx71::line::httplibClient()->postJson(parsed, path, token, std::string(body, bodyLength), limits);
        });
}

// GETs `url` + `path`, as plx71_line_http_post_v1 POSTs.
__attribute__((visibility("default"))) int plx71_line_http_get_v1(const char* url, const char* path, const char* token,
                                                                  long connectMs, long wholeMs, char** answer,
                                                                  std::size_t* answerLength, char** failure)
{
    return answerOut(url, connectMs, wholeMs, answer, answerLength, failure,
                     [&](const auto& parsed, const auto& limits) {
                         return plx71::line::httplibClient()->getJson(parsed, path, token, limits);
                     });
}

__attribute__((visibility("default"))) void plx71_line_http_free_v1(char* text)
{
    std::free(text);
}

} // extern "C"
