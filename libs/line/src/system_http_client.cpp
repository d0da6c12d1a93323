// The HTTP client of a program that does not link cpp-httplib (plx71): the
// module plx71-line-http, loaded at the first request. Windows has its own
// client (winhttp_client.cpp).
#ifndef _WIN32
#include "plx71/line/http_client.hpp"

#include "plx71/files/executable_path.hpp"

#include <dlfcn.h>

#include <mutex>

namespace plx71::line {

namespace {

using PostFunction = int (*)(const char*, const char*, const char*, const char*, std::size_t, long, long, char**,
                             std::size_t*, char**);
using GetFunction = int (*)(const char*, const char*, const char*, long, long, char**, std::size_t*, char**);
using FreeFunction = void (*)(char*);

constexpr const char* kModuleName = "plx71-line-http.so";

struct Module {
    PostFunction post = nullptr;
    GetFunction get = nullptr;
    FreeFunction release = nullptr;
};

// Beside the program (the build tree), else in ../lib/plx71 (an install).
Module loadModule()
{
    Module m;
    const std::filesystem::path folder = currentExecutablePath().parent_path();
    for (const auto& candidate : {folder / kModuleName, folder / ".." / "lib" / "plx71" / kModuleName}) {
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            continue;
        m.post = reinterpret_cast<PostFunction>(::dlsym(handle, "plx71_line_http_post_v1"));
        m.get = reinterpret_cast<GetFunction>(::dlsym(handle, "plx71_line_http_get_v1"));
        m.release = reinterpret_cast<FreeFunction>(::dlsym(handle, "plx71_line_http_free_v1"));
        if (m.post && m.get && m.release)
            return m; // stays loaded for the life of the process
        ::dlclose(handle);
        m = {};
    }
    return m;
}

class ModuleHttpClient : public HttpClient {
public:
    HttpAnswer postJson(const LineUrl& url, const std::string& path, const std::string& token, const std::string& body,
                        const HttpLimits& limits) override
    {
        return call(url, [&](const char* target, char** answer, std::size_t* length, char** failure) {
            return module_.post(target, path.c_str(), token.c_str(), body.data(), body.size(),
                                long(limits.connect.count()), long(limits.whole.count()), answer, length, failure);
        });
    }

    HttpAnswer getJson(const LineUrl& url, const std::string& path, const std::string& token,
                       const HttpLimits& limits) override
    {
        return call(url, [&](const char* target, char** answer, std::size_t* length, char** failure) {
            return module_.get(target, path.c_str(), token.c_str(), long(limits.connect.count()),
                               long(limits.whole.count()), answer, length, failure);
        });
    }

private:
    template <class Request>
    HttpAnswer call(const LineUrl& url, const Request& request)
    {
        std::call_once(loaded_, [this] { module_ = loadModule(); });
        if (!module_.post)
            return {0, {}, std::string("HTTP client module ") + kModuleName + " missing"};
        char* answer = nullptr;
        char* failure = nullptr;
        std::size_t length = 0;
        const std::string target = url.origin() + url.prefix;
        HttpAnswer a;
        a.status = request(target.c_str(), &answer, &length, &failure);
        if (answer)
            a.body.assign(answer, length);
        if (failure)
            a.failure = failure;
        module_.release(answer);
        module_.release(failure);
        return a;
    }

    std::once_flag loaded_;
    Module module_;
};

} // namespace

std::unique_ptr<HttpClient> systemHttpClient()
{
    return std::make_unique<ModuleHttpClient>();
}

} // namespace plx71::line
#endif
