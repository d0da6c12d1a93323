#include "tokens/token_file.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/production_record/sha256.hpp"
#include "plx71/text/utf8_path.hpp"

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace plx71::line {

namespace {

// Thousands of tokens; a file larger than this is no token file.
constexpr std::size_t kMaxTokenFileBytes = 4 * 1024 * 1024;

constexpr const char* kHeader =
    "# plx71line tokens: NAME ROLE SALT SHA256(SALT+TOKEN); made by \"plx71line token add\"";

std::string randomHex(std::size_t bytes)
{
    std::random_device random;
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes; ++i) {
        const unsigned v = random() & 0xFF;
        out += digits[v >> 4];
        out += digits[v & 15];
    }
    return out;
}

std::vector<std::uint8_t> hexBytes(const std::string& hex)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(std::uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string saltedHash(const std::string& saltHex, const std::string& token)
{
    Sha256 hash;
    hash.update(hexBytes(saltHex));
    hash.update({reinterpret_cast<const std::uint8_t*>(token.data()), token.size()});
    return hash.hexDigest();
}

bool sameInConstantTime(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

bool isHex(const std::string& text, std::size_t size)
{
    return text.size() == size && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::optional<TokenEntry> parseLine(const std::string& line)
{
    std::istringstream in(line);
    std::string name, role, salt, hash, extra;
    if (!(in >> name >> role >> salt >> hash) || (in >> extra))
        return std::nullopt;
    const auto r = roleFromName(role);
    if (!r || !validTokenName(name) || !isHex(salt, 32) || !isHex(hash, 64))
        return std::nullopt;
    return TokenEntry{name, *r, salt, hash};
}

} // namespace

bool validTokenName(const std::string& name)
{
    if (name.empty() || name.size() > 64)
        return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
            || c == '_' || c == '-' || c == '@';
        if (!ok)
            return false;
    }
    return true;
}

TokenFileContents loadTokenFile(const std::string& path)
{
    TokenFileContents out;
    // A regular file only: a FIFO named for it would hold every request up.
    const FileRead file = readRegularFile(pathFromUtf8(path), kMaxTokenFileBytes);
    if (file.status != FileStatus::Ok || file.truncated) {
        if (file.status != FileStatus::NotFound)
            out.error = path + ": cannot be read";
        return out;
    }
    std::istringstream in(file.bytes);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        auto entry = parseLine(line);
        if (!entry) {
            out.error = path + ":" + std::to_string(number) + ": not a token line (NAME ROLE SALT HASH)";
            out.entries.clear();
            return out;
        }
        out.entries.push_back(std::move(*entry));
    }
    return out;
}

std::string saveTokenFile(const std::string& path, const std::vector<TokenEntry>& entries)
{
    std::string text = std::string(kHeader) + "\n";
    for (const TokenEntry& e : entries)
        text += e.name + " " + std::string(roleName(e.role)) + " " + e.salt + " " + e.hash + "\n";
    const std::filesystem::path target = pathFromUtf8(path);
    std::error_code ec;
    const bool existed = std::filesystem::exists(target, ec);
#ifndef _WIN32
    // Owner only: replaceFile keeps the permission bits of the file there.
    if (!existed) {
        if (const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600); fd >= 0)
            ::close(fd);
    } else if (std::filesystem::is_regular_file(target, ec)) {
        ::chmod(target.c_str(), 0600);
    }
#endif
    if (!replaceFile(target, text)) {
        if (!existed)
            std::filesystem::remove(target, ec);
        return path + ": cannot be written";
    }
    return {};
}

std::string updateTokenFile(const std::string& path, const std::function<std::string(std::vector<TokenEntry>&)>& change)
{
    TokenFileContents file = loadTokenFile(path);
    if (!file.error.empty())
        return file.error;
    if (std::string error = change(file.entries); !error.empty())
        return error;
    return saveTokenFile(path, file.entries);
}

NewToken makeToken(const std::string& name, Role role)
{
    NewToken t;
    t.token = randomHex(32);
    t.entry.name = name;
    t.entry.role = role;
    t.entry.salt = randomHex(16);
    t.entry.hash = saltedHash(t.entry.salt, t.token);
    return t;
}

std::optional<TokenEntry> findToken(const std::vector<TokenEntry>& entries, const std::string& token)
{
    std::optional<TokenEntry> found;
    for (const TokenEntry& e : entries) {
        if (sameInConstantTime(saltedHash(e.salt, token), e.hash) && !found)
            found = e;
    }
    return found;
}

} // namespace plx71::line
