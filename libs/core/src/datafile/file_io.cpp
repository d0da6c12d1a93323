#include "file_io.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/text/utf8_path.hpp"

namespace plx71 {

ReadResult readWholeFile(const std::filesystem::path& path, std::string& text, std::size_t maxBytes)
{
    FileRead read = readRegularFile(path, maxBytes);
    text.clear();
    if (read.status != FileStatus::Ok)
        return ReadResult::CannotRead;
    if (read.truncated)
        return ReadResult::TooLarge;
    text = std::move(read.bytes);
    return ReadResult::Ok;
}

bool writeWholeFile(const std::filesystem::path& path, std::string_view text)
{
    return replaceFile(path, text);
}

std::optional<DataFileProblem> readDataFileText(const std::filesystem::path& path, std::string& text)
{
    DataFileProblem problem;
    problem.file = utf8FromPath(path);
    switch (readWholeFile(path, text)) {
    case ReadResult::Ok:
        return std::nullopt;
    case ReadResult::CannotRead:
        problem.rule = DataFileRule::CannotRead;
        break;
    case ReadResult::TooLarge:
        problem.rule = DataFileRule::TooLarge;
        break;
    }
    return problem;
}

} // namespace plx71
