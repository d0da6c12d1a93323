#include "plx71/line/http_client.hpp"

#include <algorithm>
#include <charconv>

namespace plx71::line {

namespace {

bool visibleAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool splitAuthority(std::string_view authority, LineUrl& url)
{
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        url.host = std::string(authority.substr(1, close - 1));
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        port = rest.empty() ? rest : rest.substr(1);
        if (rest == ":")
            return false;
    } else {
        const auto colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) {
            port = authority.substr(colon + 1);
            if (port.empty())
                return false;
        }
    }
    if (url.host.empty() || url.host.find_first_of("@/?#[]") != std::string::npos)
        return false;
    if (port.empty()) {
        url.port = url.secure ? 443 : 80;
        return true;
    }
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), url.port);
    return ec == std::errc() && end == port.data() + port.size() && url.port > 0 && url.port < 65536;
}

} // namespace

std::string LineUrl::origin() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(secure ? "https://" : "http://") + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<LineUrl> parseLineUrl(std::string_view text)
{
    if (!visibleAscii(text))
        return std::nullopt;
    LineUrl url;
    if (text.rfind("http://", 0) == 0) {
        text.remove_prefix(7);
    } else if (text.rfind("https://", 0) == 0) {
        url.secure = true;
        text.remove_prefix(8);
    } else {
        return std::nullopt;
    }
    const auto slash = text.find('/');
    if (!splitAuthority(text.substr(0, slash), url))
        return std::nullopt;
    if (slash != std::string_view::npos) {
        std::string_view prefix = text.substr(slash);
        while (!prefix.empty() && prefix.back() == '/')
            prefix.remove_suffix(1);
        if (prefix.find_first_of("?#") != std::string_view::npos)
            return std::nullopt;
        url.prefix = std::string(prefix);
    }
    return url;
}

} // namespace plx71::line
