#pragma once
// Released jobs on the line server: an engineer releases a project's job
// digest (POST /api/v1/releases) or revokes it; a station asks whether a
// digest is released before it sends anything to a box
// (GET /api/v1/releases/DIGEST), and keeps a "released" answer a while.
#include "plx71/line/http_client.hpp"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plx71::line {

// A file of the released job, as the record lines name them.
struct ReleaseFile {
    std::string role; // "project", "userRom", "bootRom"
    std::string path;
    std::string sha256; // empty when the file could not be read
};

struct ReleaseRequest {
    std::string jobDigest; // 64 lower-case hex digits
    std::string device;
    std::string userRomChecksum; // empty: none
    std::string bootRomChecksum;
    std::vector<ReleaseFile> files;
    std::string note;
};

// {"jobDigest", "device", "userRomChecksum", "bootRomChecksum", "files", "note"}.
std::string releaseBodyJson(const ReleaseRequest& request);

// How the server answered a release, a revoke or a question.
enum class ReleaseAnswer {
    Released,    // 200/201: released (now or already)
    NotReleased, // 404: not released (a revoke of a digest never released)
    Token,       // 401: the token is unknown
    Role,        // 403: the token may not do this
    Unreachable, // no answer: cause says why
    Other,       // any other answer: cause holds its status and error
};

struct ReleaseResult {
    ReleaseAnswer answer = ReleaseAnswer::Unreachable;
    int status = 0;
    std::string cause; // "connection refused", "server answered 400: ...", ...
};

struct LineCall {
    LineUrl url;
    std::string token;
    HttpLimits limits;
};

ReleaseResult postRelease(HttpClient& client, const LineCall& call, const ReleaseRequest& request);
ReleaseResult revokeRelease(HttpClient& client, const LineCall& call, const std::string& jobDigest);
ReleaseResult askRelease(HttpClient& client, const LineCall& call, const std::string& jobDigest);

// Why a job of a digest not released (or a server that could not be asked)
// reaches no box: "job not released for this line: <first 12 hex digits>
// (ask your line engineer to release PROJECT.pxp)".
std::string notReleasedText(const std::string& jobDigest, const std::string& project);

// askRelease with the "released" answers kept for `keep` (a refusal, or no
// answer, is asked again next time). Calls from several threads are safe.
class ReleaseCheck {
public:
    ReleaseCheck(LineCall call, std::unique_ptr<HttpClient> client = systemHttpClient(),
                 std::chrono::seconds keep = std::chrono::seconds(60));
    ReleaseResult ask(const std::string& jobDigest);

private:
    LineCall call_;
    std::unique_ptr<HttpClient> client_;
    std::chrono::seconds keep_;
    std::mutex mutex_;
    std::map<std::string, std::chrono::steady_clock::time_point> released_; // digest -> when asked
};

} // namespace plx71::line
