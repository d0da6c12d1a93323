#include "file_io.hpp"

#include "plx71/ui/messages.hpp"
#include "plx71/ui/ui.hpp"

#include <cstdio>
#include <memory>
#include <system_error>

namespace plx71 {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* openFile(const std::filesystem::path& path, bool write)
{
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

} // namespace

ReadResult readWholeFile(const std::filesystem::path& path, std::string& text, std::size_t maxBytes)
{
    FilePtr file(openFile(path, false));
    if (!file)
        return ReadResult::CannotRead;
    text.clear();
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > maxBytes)
        return ReadResult::TooLarge;
    if (!ec && size > 0)
        text.reserve(static_cast<std::size_t>(size));
    // Read in chunks all the same: the size may be unknown (a pipe) or change.
    char chunk[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > maxBytes - text.size()) {
            text.clear();
            return ReadResult::TooLarge;
        }
        text.append(chunk, got);
        if (got < sizeof chunk)
            break;
    }
    return std::ferror(file.get()) == 0 ? ReadResult::Ok : ReadResult::CannotRead;
}

bool writeWholeFile(const std::filesystem::path& path, std::string_view text)
{
    std::FILE* file = openFile(path, true);
    if (!file)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool readDataFileText(Ui& ui, const std::filesystem::path& path, std::string& text)
{
    switch (readWholeFile(path, text)) {
    case ReadResult::Ok:
        return true;
    case ReadResult::CannotRead:
        ui.message(Icon::Stop, std::string(msg::kFileNotFound));
        return false;
    case ReadResult::TooLarge:
        ui.message(Icon::Stop, std::string(msg::kFileFormatError));
        return false;
    }
    return false;
}

} // namespace plx71
