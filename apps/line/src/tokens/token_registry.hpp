#pragma once
// The tokens a running server accepts: the token file, read again when it
// changes, so "plx71line token add" and "revoke" take effect without a
// restart.
#include "tokens/token_file.hpp"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace plx71::line {

class TokenRegistry {
public:
    explicit TokenRegistry(std::string path);

    // The entry of `token`, nullopt when it is unknown (or the file unreadable).
    std::optional<TokenEntry> find(const std::string& token);
    // How many tokens the file holds now, and why it could not be read.
    std::size_t count();
    std::string error();

private:
    void refresh(); // with mutex_ held

    std::string path_;
    std::mutex mutex_;
    std::filesystem::file_time_type stamp_{};
    std::uintmax_t size_ = 0;
    bool loaded_ = false;
    TokenFileContents contents_;
};

} // namespace plx71::line
