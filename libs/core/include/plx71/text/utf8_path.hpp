#pragma once
// File names inside the core are UTF-8 text in std::string: that is what the
// job settings, the messages and the project file hold. They become the
// operating system's path type only here, where a file is opened, and come back
// through here when the system names a file.
#include <filesystem>
#include <string>
#include <string_view>

namespace plx71 {

// The path of a file name held as text. On Windows the text is UTF-8; a text
// that is no valid UTF-8 is an 8-bit name in the system's ANSI code page (as
// older project files store them) and is read as such. Elsewhere the bytes
// are the name, as the system takes them.
std::filesystem::path pathFromUtf8(std::string_view text);

// The name of a path as UTF-8 text (on other systems: its bytes).
std::string utf8FromPath(const std::filesystem::path& path);

// The length of the well-formed UTF-8 sequence that starts at text[i] (1 for
// an ASCII byte), 0 when the bytes there are none: a continuation byte, an
// overlong form, a surrogate, a value above U+10FFFF or a cut sequence.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

} // namespace plx71
