#include "plx71/messages/file_problems.hpp"

#include "../datafile/datafile_test_support.hpp"
#include "plx71/messages/message_texts.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <gtest/gtest.h>

namespace plx71 {
namespace {

using test::problemOf;

// The words of every problem a reader returns, and how a front end shows
// them: a stop-icon message, the detail line behind it when there is one.
TEST(FileProblems, EachRuleHasItsWords)
{
    DataFileProblem checksum = problemOf(DataFileRule::ChecksumMismatch, 12);
    checksum.found = 0x3C;
    checksum.expected = 0x0A;
    DataFileProblem outside = problemOf(DataFileRule::OutsideArea, 2, 0xBFFF0);
    outside.areaStart = 0xC0000;
    outside.areaEnd = 0xFFFFF;
    DataFileProblem noSData = problemOf(DataFileRule::NoData);
    noSData.sRecords = true;
    DataFileProblem conflict = problemOf(DataFileRule::Conflict, 2, 0xC0012);
    conflict.otherLine = 4;
    const std::string formatError(msg::kFileFormatError);
    struct Case {
        DataFileProblem problem;
        std::string text;
        std::string detail;
    };
    const Case cases[] = {
        {problemOf(DataFileRule::CannotRead), std::string(msg::kFileNotFound), ""},
        {problemOf(DataFileRule::TooLarge), formatError, ""},
        {problemOf(DataFileRule::Malformed), formatError, ""},
        {checksum, formatError, "line 12: check sum 3C, expected 0A"},
        {outside, std::string(msg::kInvalidAddressContained),
         "line 2: address 0BFFF0 is outside the area 0C0000-0FFFFF"},
        {problemOf(DataFileRule::NoData), formatError, "no data records"},
        {noSData, formatError, "no S2 or S3 data records (S1 records are not read)"},
        {problemOf(DataFileRule::NoEndRecord), formatError, "no end record: the file may be cut short"},
        {conflict, formatError, "lines 2 and 4 put different bytes at address 0C0012"},
        {problemOf(DataFileRule::BelowFirmwareArea), std::string(msg::kInvalidAddressIncluded), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " / " + c.detail);
        const FailureText words = describeProblem(c.problem);
        EXPECT_EQ(words.text, c.text);
        EXPECT_EQ(words.detail, c.detail);
        RecordingUi ui;
        reportProblem(ui, c.problem);
        EXPECT_EQ(ui.messages(), (std::vector<RecordedMessage>{{Icon::Stop, c.text, false}}));
        EXPECT_EQ(ui.details(), std::vector<std::string>{c.detail});
    }
    // The person has just answered: a declined program says nothing.
    RecordingUi declined;
    reportProblem(declined, problemOf(DataFileRule::ProtectedDeclined));
    EXPECT_TRUE(declined.messages().empty());

    const std::pair<ProjectRule, std::string> projects[] = {
        {ProjectRule::NotFound, "a.pxp was not found."},
        {ProjectRule::AccessDenied, "Access to a.pxp was denied."},
        {ProjectRule::ReadError, "An error occurred while reading a.pxp."},
        {ProjectRule::NotAProject, formatError},
    };
    for (const auto& [rule, text] : projects) {
        RecordingUi ui;
        reportProblem(ui, ProjectProblem{rule, "a.pxp"});
        EXPECT_EQ(ui.messages(), (std::vector<RecordedMessage>{{Icon::Stop, text, false}}));
    }

    EXPECT_EQ(unsendableText(Unsendable::NoDeviceType, "p.pxp", Wording::Terminal),
              "p.pxp: no device type selected; nothing sent");
    EXPECT_EQ(unsendableText(Unsendable::NoUserRomData, "p.pxp", Wording::Window),
              "p.pxp: no User ROM data loaded; nothing can be sent. Load it in PLX71RD.");
}

} // namespace
} // namespace plx71
