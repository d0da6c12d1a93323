#pragma once
// Shipping for a front end: a record file, a line server and a token file,
// and one call that ships what waits and says how the line stands.
// shipNow() blocks for at most the request limits (a few seconds): a window
// calls it from a worker thread, every 10 s and after each job.
#include "plx71/line/http_client.hpp"
#include "plx71/line/outbox.hpp"

#include <memory>
#include <mutex>
#include <string>

namespace plx71::line {

// "connected", "12 waiting (connection refused)", "refused (token)".
enum class LineState { Connected, Waiting, RefusedToken };
struct LineStatus {
    LineState state = LineState::Waiting;
    std::size_t waiting = 0;
    std::string cause;
    ShipReport report; // the pass behind it
    std::string text() const;
};

// The token in a token file: its first line without blanks around it; empty
// when the file cannot be read or holds no printable token.
std::string readTokenFile(const std::string& path);

// The record file of a user who names none: plx71-records.jsonl in the
// user's data folder (XDG_DATA_HOME or ~/.local/share/plx71 on Linux,
// %LOCALAPPDATA%\plx71 on Windows); the folder is made when missing.
std::string defaultRecordFile();

struct ShipperSettings {
    std::string url;       // --line
    std::string tokenFile; // --line-token
    std::string recordFile;
    std::string station;
    std::chrono::milliseconds passLimit{5000}; // see ShipTarget
    HttpLimits limits;
};

class Shipper {
public:
    explicit Shipper(ShipperSettings settings, std::unique_ptr<HttpClient> client = systemHttpClient());

    // Ships what waits (or checks the server when nothing does). Calls from
    // several threads run one after the other.
    LineStatus shipNow();

private:
    ShipperSettings settings_;
    std::unique_ptr<HttpClient> client_;
    std::mutex mutex_;
};

// Ships a record file carried by hand, with no time limit per pass:
// plx71line push.
LineStatus pushRecordFile(const std::string& url, const std::string& tokenFile, const std::string& recordFile,
                          const std::string& station, HttpClient& client);

} // namespace plx71::line
