#include "plx71/datafile/file_type.hpp"

#include "plx71/text/utf8_path.hpp"
#include <cctype>
#include <string>

namespace plx71 {

char fileTypeCharacter(const std::filesystem::path& path)
{
    // Only the file name counts: a dot in a folder name ("v1.2/data") must not
    // decide the format.
    const std::string name = utf8FromPath(path.filename());
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 >= name.size())
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(name[dot + 1])));
}

DataFormat dataFormatFor(const std::filesystem::path& path)
{
    return fileTypeCharacter(path) == 'H' ? DataFormat::IntelHex : DataFormat::SRecord;
}

} // namespace plx71
