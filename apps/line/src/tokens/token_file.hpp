#pragma once
// The token file: one line per token with its name, role, a random salt and
// SHA-256(salt + token). The token itself is shown once, when made, and
// kept nowhere.
#include "tokens/role.hpp"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plx71::line {

inline constexpr const char* kDefaultTokenFile = "plx71line.tokens";

struct TokenEntry {
    std::string name;
    Role role = Role::Viewer;
    std::string salt; // hex
    std::string hash; // hex SHA-256 of salt bytes + token text
};

struct TokenFileContents {
    std::vector<TokenEntry> entries;
    std::string error; // set when the file exists but cannot be read
};

// Names: letters, digits, '.', '_', '-', '@', 1 to 64 characters.
bool validTokenName(const std::string& name);

// A missing file holds no tokens (no error).
TokenFileContents loadTokenFile(const std::string& path);
// Written whole to a temporary file, then renamed over the old one, readable
// by its owner only. Returns an error text, empty on success.
std::string saveTokenFile(const std::string& path, const std::vector<TokenEntry>& entries);
// Loads the file, lets `change` edit its entries and saves them. `change`
// returns an error text to leave the file as it is. Returns the first error
// (loading, `change`'s, saving), empty on success.
std::string updateTokenFile(const std::string& path,
                            const std::function<std::string(std::vector<TokenEntry>&)>& change);

// A new token (64 hex digits from 32 random bytes) and its entry.
struct NewToken {
    std::string token;
    TokenEntry entry;
};
NewToken makeToken(const std::string& name, Role role);

// The entry `token` belongs to; every entry is compared, in constant time.
std::optional<TokenEntry> findToken(const std::vector<TokenEntry>& entries, const std::string& token);

} // namespace plx71::line
