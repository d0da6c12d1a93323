#include "plx71/line/shipper.hpp"

#include "plx71/files/regular_file.hpp"
#include "plx71/text/utf8_path.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace plx71::line {

namespace {

// A token is one short line; the rest of a larger file is never its first line.
constexpr std::size_t kMaxTokenFileBytes = 4096;

LineStatus statusOf(const ShipReport& report)
{
    LineStatus s;
    s.report = report;
    s.waiting = report.waiting;
    s.cause = report.cause;
    if (report.end == ShipEnd::Token)
        s.state = LineState::RefusedToken;
    else if (report.end == ShipEnd::Done)
        s.state = LineState::Connected;
    return s;
}

// Shipping that cannot start (no token, no URL): the lines wait.
LineStatus cannotShip(const std::string& recordFile, const std::string& cause)
{
    ShipReport r;
    r.end = ShipEnd::Local;
    r.cause = cause;
    r.waiting = Outbox(recordFile).waiting();
    return statusOf(r);
}

LineStatus shipOnce(const ShipperSettings& settings, HttpClient& client, bool probe)
{
    const auto url = parseLineUrl(settings.url);
    if (!url)
        return cannotShip(settings.recordFile, "not a line server URL: " + settings.url);
    ShipTarget target;
    target.url = *url;
    target.token = readTokenFile(settings.tokenFile);
    if (target.token.empty())
        return cannotShip(settings.recordFile, "no token in " + settings.tokenFile);
    target.station = settings.station;
    target.passLimit = settings.passLimit;
    target.limits = settings.limits;
    return statusOf(Outbox(settings.recordFile).ship(client, target, probe));
}

std::filesystem::path userDataFolder()
{
#ifdef _WIN32
    if (const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA"); local && *local)
        return std::filesystem::path(local) / L"plx71";
#else
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return std::filesystem::path(xdg) / "plx71";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "plx71";
#endif
    return {};
}

} // namespace

std::string LineStatus::text() const
{
    switch (state) {
    case LineState::Connected:
        return "connected";
    case LineState::RefusedToken:
        return "refused (token)";
    case LineState::Waiting:
        break;
    }
    return std::to_string(waiting) + " waiting" + (cause.empty() ? "" : " (" + cause + ")");
}

std::string readTokenFile(const std::string& path)
{
    // A regular file only: a FIFO or a device named for it never holds a job up.
    const FileRead file = readRegularFile(pathFromUtf8(path), kMaxTokenFileBytes);
    if (file.status != FileStatus::Ok)
        return {};
    const auto end = file.bytes.find('\n');
    if (end == std::string::npos && file.truncated)
        return {};
    std::string token = file.bytes.substr(0, end);
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!token.empty() && blank(token.back()))
        token.pop_back();
    token.erase(token.begin(), std::find_if_not(token.begin(), token.end(), blank));
    // It goes into a header: visible ASCII only.
    const bool printable = std::all_of(token.begin(), token.end(), [](char c) { return c > 0x20 && c < 0x7F; });
    return printable ? token : std::string();
}

std::string defaultRecordFile()
{
    const std::filesystem::path folder = userDataFolder();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return utf8FromPath(folder / "plx71-records.jsonl");
}

Shipper::Shipper(ShipperSettings settings, std::unique_ptr<HttpClient> client)
    : settings_(std::move(settings)), client_(std::move(client))
{}

LineStatus Shipper::shipNow()
{
    const std::lock_guard lock(mutex_);
    return shipOnce(settings_, *client_, true);
}

LineStatus pushRecordFile(const std::string& url, const std::string& tokenFile, const std::string& recordFile,
                          const std::string& station, HttpClient& client)
{
    ShipperSettings settings{url, tokenFile, recordFile, station, std::chrono::milliseconds(0), {}};
    return shipOnce(settings, client, false);
}

} // namespace plx71::line
