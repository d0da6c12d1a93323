#include "file_io.hpp"

#include "plx71/files/file_replace.hpp"
#include "plx71/files/regular_file.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/messages/ui.hpp"

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
