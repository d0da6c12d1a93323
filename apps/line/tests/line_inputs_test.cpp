// What the server reads from outside, one table each: the times a query
// names, the cells of a CSV download (opened in spreadsheets), the lines of
// a token file someone edited by hand.
#include "api/jobs_csv.hpp"
#include "store/iso_time.hpp"
#include "tokens/token_file.hpp"

#include "plx71/testing/scratch_dir.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>

namespace plx71::line {
namespace {

TEST(LineInputs, TimesAreReadExactlyOrRefused)
{
    const struct {
        const char* text;
        std::optional<const char*> utc; // nullopt: refused
    } rows[] = {
        {"2024-05-01", "2024-05-01T00:00:00Z"},
        {"2024-05-01T07:08:09Z", "2024-05-01T07:08:09Z"},
        {"2024-05-01 07:08:09.123z", "2024-05-01T07:08:09Z"},
        {"2024-05-01T01:30:00+02:00", "2024-04-30T23:30:00Z"},
        {"2024-12-31T23:00:00-01:30", "2025-01-01T00:30:00Z"},
        {"2024-02-29T12:00:00Z", "2024-02-29T12:00:00Z"},
        {"1969-12-31T23:59:59Z", "1969-12-31T23:59:59Z"},
        {"2024-05-01T07:08:09,5Z", "2024-05-01T07:08:09Z"},
        {"2016-12-31T23:59:60Z", "2017-01-01T00:00:00Z"}, // a leap second
        {"2016-12-31T23:59:61Z", std::nullopt},
        {"2024-04-31", std::nullopt},
        {"2024-05-01T07:08:09+05:60", std::nullopt},
        {"2023-02-29", std::nullopt},
        {"2024-13-01", std::nullopt},
        {"2024-05-01T24:00:00Z", std::nullopt},
        {"2024-05-01T07:60:00Z", std::nullopt},
        {"2024-05-01T07:08:09", std::nullopt}, // no zone: whose 07:08?
        {"2024-05-01T07:08:09Z ", std::nullopt},
        {"2024-05-01T07:08:09+24:00", std::nullopt},
        {"2024-05-01T07:08:09.Z", std::nullopt},
        {"24-05-01", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
        {"2024-05-01'; DROP TABLE jobs; --", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto seconds = parseIsoTime(row.text);
        ASSERT_EQ(seconds.has_value(), row.utc.has_value());
        if (seconds) {
            EXPECT_EQ(isoTime(*seconds), *row.utc);
        }
    }
}

TEST(LineInputs, CsvCellsStayTextInASpreadsheet)
{
    const struct {
        const char* label;
        const char* cell;
    } rows[] = {
        {"left", "left"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+1", "'+1"},
        {"-1", "'-1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1+1", "'\t=1+1"},
        {"\r=1+1", "\"'\r=1+1\""},
        {"<script>alert(1)</script>", "<script>alert(1)</script>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string record = nlohmann::ordered_json{
            {"time", "2024-05-01T07:00:00Z"},
            {"label", row.label},
            {"slot", 3},
            {"exitCode",
             "not a number"}}.dump();
        // time, station, slot, label, port, ..., exitCode: a field of the
        // wrong type leaves its cell empty rather than ending the download.
        EXPECT_EQ(jobsCsvRow(record), std::string("2024-05-01T07:00:00Z,,3,") + row.cell + ",,,,,,,,,,\r\n");
    }
    EXPECT_EQ(jobsCsvRow("{\"torn"), "\r\n");
}

TEST(LineInputs, AHandEditedTokenFileIsReadWholeOrNotAtAll)
{
    const NewToken made = makeToken("line-3", Role::Station);
    const std::string good =
        made.entry.name + " station " + made.entry.salt + " " + made.entry.hash + "\r\n# a comment\n\n";
    const std::string salt(32, 'a'), hash(64, 'b');
    const struct {
        const char* what;
        std::string extra; // a line after the good one
        bool read;
    } rows[] = {
        {"good alone", "", true},
        {"a second good line", "viewer-1 viewer " + salt + " " + hash + "\n", true},
        {"unknown role", "x admin " + salt + " " + hash + "\n", false},
        {"a field missing", "x viewer " + salt + "\n", false},
        {"a field too many", "x viewer " + salt + " " + hash + " more\n", false},
        {"salt not hex", "x viewer " + std::string(32, 'z') + " " + hash + "\n", false},
        {"hash in capitals", "x viewer " + salt + " " + std::string(64, 'B') + "\n", false},
        {"short hash", "x viewer " + salt + " " + hash.substr(1) + "\n", false},
        {"a name with a quote", "o'neil viewer " + salt + " " + hash + "\n", false},
        {"no newline after the last line", "x engineer " + salt + " " + hash, true},
        {"a name of 64 characters", std::string(64, 'n') + " viewer " + salt + " " + hash + "\n", true},
        {"a name of 65 characters", std::string(65, 'n') + " viewer " + salt + " " + hash + "\n", false},
        {"a name with @ and .", "ci@line.3 viewer " + salt + " " + hash + "\n", true},
    };
    const test::ScratchDir dir;
    const std::string path = (dir.path() / "tokens").string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << good << row.extra;
        const TokenFileContents file = loadTokenFile(path);
        EXPECT_EQ(file.error.empty(), row.read) << file.error;
        // Every line read, the last one too.
        EXPECT_EQ(file.entries.size(), row.read ? (row.extra.empty() ? 1u : 2u) : 0u);
        // A file with one bad line grants nothing: not even its good tokens.
        EXPECT_EQ(findToken(file.entries, made.token).has_value(), row.read);
        EXPECT_FALSE(findToken(file.entries, made.token + "0").has_value());
    }
}

} // namespace
} // namespace plx71::line
