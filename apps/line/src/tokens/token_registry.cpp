#include "tokens/token_registry.hpp"

#include "plx71/text/utf8_path.hpp"

namespace plx71::line {

TokenRegistry::TokenRegistry(std::string path) : path_(std::move(path)) {}

void TokenRegistry::refresh()
{
    std::error_code ec;
    const auto file = pathFromUtf8(path_);
    const auto stamp = std::filesystem::last_write_time(file, ec);
    const auto size = ec ? 0 : std::filesystem::file_size(file, ec);
    if (ec) {
        contents_ = loadTokenFile(path_); // none, or why not
        loaded_ = false;
        return;
    }
    if (loaded_ && stamp == stamp_ && size == size_)
        return;
    contents_ = loadTokenFile(path_);
    stamp_ = stamp;
    size_ = size;
    loaded_ = true;
}

std::optional<TokenEntry> TokenRegistry::find(const std::string& token)
{
    std::lock_guard lock(mutex_);
    refresh();
    return findToken(contents_.entries, token);
}

std::size_t TokenRegistry::count()
{
    std::lock_guard lock(mutex_);
    refresh();
    return contents_.entries.size();
}

std::string TokenRegistry::error()
{
    std::lock_guard lock(mutex_);
    refresh();
    return contents_.error;
}

} // namespace plx71::line
