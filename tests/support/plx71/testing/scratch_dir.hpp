#pragma once
// A private folder of files for one test, removed afterwards, and reading
// and writing whole files in it.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace plx71::test {

// A size for a file far beyond any the programs read: past 4 GiB, so a size
// kept in 32 bits would look tiny. Not more: Wine refuses to extend a file
// past the disk's free space, sparse or not.
inline constexpr std::uintmax_t kHugeFileSize = (std::uintmax_t{1} << 32) + 1;

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    const std::string s = readText(path);
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

class ScratchDir {
public:
    // A new, empty folder below the system's temporary folder; never one
    // that already existed (another test's, or another process's).
    ScratchDir()
    {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto candidate = base / ("plx71-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
        throw std::runtime_error("no scratch folder could be made in " + base.string());
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `content` to the file `name` in the folder; returns its path.
    std::filesystem::path file(const std::string& name, const std::string& content) const
    {
        writeText(path_ / name, content);
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

} // namespace plx71::test
