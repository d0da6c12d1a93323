#include "plx71/messages/file_problems.hpp"

#include "plx71/messages/message_texts.hpp"

#include <cstdio>

namespace plx71 {

namespace {

std::string hex06(std::uint64_t v)
{
    char text[24];
    std::snprintf(text, sizeof text, "%06llX", static_cast<unsigned long long>(v));
    return text;
}

} // namespace

FailureText describeProblem(const DataFileProblem& p)
{
    const std::string formatError(msg::kFileFormatError);
    switch (p.rule) {
    case DataFileRule::CannotRead:
        return {std::string(msg::kFileNotFound), {}};
    case DataFileRule::TooLarge:
    case DataFileRule::Malformed:
        return {formatError, {}};
    case DataFileRule::ChecksumMismatch:
        return {formatError, msg::checksumMismatch(p.line, p.found, p.expected)};
    case DataFileRule::OutsideArea:
        return {std::string(msg::kInvalidAddressContained),
                "line " + std::to_string(p.line) + ": address " + hex06(p.address) + " is outside the area "
                    + hex06(p.areaStart) + "-" + hex06(p.areaEnd)};
    case DataFileRule::NoData:
        // S1 records (16-bit addresses) are no data records of any area we write.
        return {formatError, p.sRecords ? "no S2 or S3 data records (S1 records are not read)" : "no data records"};
    case DataFileRule::NoEndRecord:
        return {formatError, "no end record: the file may be cut short"};
    case DataFileRule::Conflict:
        return {formatError,
                "lines " + std::to_string(p.line) + " and " + std::to_string(p.otherLine)
                    + " put different bytes at address " + hex06(p.address)};
    case DataFileRule::BelowFirmwareArea:
        return {std::string(msg::kInvalidAddressIncluded), {}};
    case DataFileRule::ProtectedDeclined:
        break;
    }
    return {};
}

FailureText describeProblem(const ProjectProblem& p)
{
    switch (p.rule) {
    case ProjectRule::NotFound:
        return {p.file + " was not found.", {}};
    case ProjectRule::AccessDenied:
        return {"Access to " + p.file + " was denied.", {}};
    case ProjectRule::ReadError:
        return {"An error occurred while reading " + p.file + ".", {}};
    case ProjectRule::NotAProject:
        break;
    }
    return {std::string(msg::kFileFormatError), {}};
}

std::string unsendableText(Unsendable why, const std::string& projectPath, Wording wording)
{
    const bool device = why == Unsendable::NoDeviceType;
    std::string text = projectPath + (device ? ": no device type selected; " : ": no User ROM data loaded; ");
    if (wording == Wording::Terminal)
        return text + "nothing sent";
    return text + (device ? "nothing can be sent. Choose one in PLX71RD." : "nothing can be sent. Load it in PLX71RD.");
}

namespace {

void show(Ui& ui, const FailureText& t)
{
    if (t.text.empty())
        return;
    if (t.detail.empty())
        ui.message(Icon::Stop, t.text);
    else
        ui.messageWithDetail(Icon::Stop, t.text, t.detail);
}

} // namespace

void reportProblem(Ui& ui, const DataFileProblem& problem)
{
    show(ui, describeProblem(problem));
}

void reportProblem(Ui& ui, const ProjectProblem& problem)
{
    show(ui, describeProblem(problem));
}

} // namespace plx71
