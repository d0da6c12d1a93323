#include "plx71/text/utf8_path.hpp"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>
#include <vector>

using namespace plx71;

namespace {

// "Prüfling_µC.hex" and other names, spelt as UTF-8 bytes.
const std::string kPruefling = "Pr\xC3\xBC"
                               "fling_\xC2\xB5"
                               "C.hex";
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87.mot";
const std::string kEmoji = "box_\xF0\x9F\x98\x80.btp"; // beyond the 16-bit plane

} // namespace

TEST(Utf8Path, ValidUtf8IsTold)
{
    struct Case {
        std::string text;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"", true},
        {"plain.hex", true},
        {kPruefling, true},
        {kChinese, true},
        {kEmoji, true},
        {"Pr\xFC"
         "fling.hex",
         false},                     // an 8-bit (ANSI) name
        {"\xC0\xAF", false},         // overlong '/'
        {"\xE0\x80\xAF", false},     // overlong three-byte form
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xE2\x82", false},         // cut short at the end
        {"\xE2\x82x", false},        // cut short inside
        {"\x80", false},             // a lone continuation byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.text;
}

TEST(Utf8Path, NamesComeBackAsTheyWent)
{
    for (const std::string& name :
         {std::string("plain.hex"), kPruefling, kChinese, kEmoji, "folder/" + kPruefling, std::string()})
        EXPECT_EQ(utf8FromPath(pathFromUtf8(name)), name);
}

TEST(Utf8Path, FileNamePartsSplitOnTheWholeCharacters)
{
    const std::filesystem::path p = pathFromUtf8("Gr\xC3\xB6\xC3\x9F"
                                                 "e/"
                                                 + kPruefling);
    EXPECT_EQ(utf8FromPath(p.filename()), kPruefling);
    EXPECT_EQ(utf8FromPath(p.extension()), ".hex");
    EXPECT_EQ(utf8FromPath(p.parent_path()),
              "Gr\xC3\xB6\xC3\x9F"
              "e");
}

#ifdef _WIN32
TEST(Utf8Path, WindowsGetsTheWideCharacters)
{
    EXPECT_EQ(pathFromUtf8(kPruefling).native(),
              L"Pr\u00FC"
              L"fling_\u00B5"
              L"C.hex");
    EXPECT_EQ(pathFromUtf8(kEmoji).native(), L"box_\xD83D\xDE00.btp");
    // An 8-bit name of an older project is read in the ANSI code page.
    if (::GetACP() == 1252) {
        EXPECT_EQ(pathFromUtf8("Pr\xFC"
                               "fling.hex")
                      .native(),
                  L"Pr\u00FC"
                  L"fling.hex");
    }
}
#else
TEST(Utf8Path, EightBitNamesStayTheirBytes)
{
    const std::string name = "Pr\xFC"
                             "fling.hex";
    EXPECT_EQ(pathFromUtf8(name).native(), name);
    EXPECT_EQ(utf8FromPath(pathFromUtf8(name)), name);
}
#endif
