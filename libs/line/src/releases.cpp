#include "plx71/line/releases.hpp"

#include "json_members.hpp"

#include <nlohmann/json.hpp>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

std::string errorOf(const std::string& body)
{
    try {
        const Json doc = Json::parse(body);
        if (doc.is_object() && doc.contains("error") && doc["error"].is_string())
            return doc["error"].get<std::string>();
    } catch (const Json::exception&) {
    }
    return {};
}

ReleaseResult resultOf(const HttpAnswer& a)
{
    ReleaseResult r;
    r.status = a.status;
    if (a.status == 0) {
        r.answer = ReleaseAnswer::Unreachable;
        r.cause = a.failure.empty() ? "no answer" : a.failure;
    } else if (a.status == 200 || a.status == 201) {
        r.answer = ReleaseAnswer::Released;
    } else if (a.status == 404) {
        r.answer = ReleaseAnswer::NotReleased;
        r.cause = "not released";
    } else if (a.status == 401) {
        r.answer = ReleaseAnswer::Token;
        r.cause = "refused (token)";
    } else if (a.status == 403) {
        r.answer = ReleaseAnswer::Role;
        r.cause = "the token's role may not do this";
    } else {
        r.answer = ReleaseAnswer::Other;
        const std::string error = errorOf(a.body);
        r.cause = "server answered " + std::to_string(a.status) + (error.empty() ? "" : ": " + error);
    }
    return r;
}

// A digest goes into a path only as 64 hex digits.
bool isDigest(const std::string& text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

ReleaseResult notADigest()
{
    return {ReleaseAnswer::Other, 0, "not a job digest (64 hex digits)"};
}

} // namespace

std::string releaseBodyJson(const ReleaseRequest& request)
{
    JsonArray files;
    for (const ReleaseFile& f : request.files) {
        JsonObject file;
        file.string("role", f.role).string("path", f.path);
        files.object(stringOrNull(file, "sha256", f.sha256));
    }
    JsonObject body;
    body.string("jobDigest", request.jobDigest);
    stringOrNull(body, "device", request.device);
    stringOrNull(body, "userRomChecksum", request.userRomChecksum);
    stringOrNull(body, "bootRomChecksum", request.bootRomChecksum);
    body.raw("files", files.text());
    stringOrNull(body, "note", request.note);
    return body.text();
}

ReleaseResult postRelease(HttpClient& client, const LineCall& call, const ReleaseRequest& request)
{
    if (!isDigest(request.jobDigest))
        return notADigest();
    return resultOf(client.postJson(call.url, "/api/v1/releases", call.token, releaseBodyJson(request), call.limits));
}

ReleaseResult revokeRelease(HttpClient& client, const LineCall& call, const std::string& jobDigest)
{
    if (!isDigest(jobDigest))
        return notADigest();
    return resultOf(
        client.postJson(call.url, "/api/v1/releases/" + jobDigest + "/revoke", call.token, "{}", call.limits));
}

std::string notReleasedText(const std::string& jobDigest, const std::string& project)
{
    return "job not released for this line: " + jobDigest.substr(0, 12) + " (ask your line engineer to release "
        + project + ")";
}

ReleaseResult askRelease(HttpClient& client, const LineCall& call, const std::string& jobDigest)
{
    if (!isDigest(jobDigest))
        return notADigest();
    return resultOf(client.getJson(call.url, "/api/v1/releases/" + jobDigest, call.token, call.limits));
}

ReleaseCheck::ReleaseCheck(LineCall call, std::unique_ptr<HttpClient> client, std::chrono::seconds keep)
    : call_(std::move(call)), client_(std::move(client)), keep_(keep)
{}

ReleaseResult ReleaseCheck::ask(const std::string& jobDigest)
{
    const auto now = std::chrono::steady_clock::now();
    {
        const std::lock_guard lock(mutex_);
        const auto it = released_.find(jobDigest);
        if (it != released_.end() && now - it->second < keep_)
            return {ReleaseAnswer::Released, 200, {}};
    }
    ReleaseResult r = askRelease(*client_, call_, jobDigest);
    const std::lock_guard lock(mutex_);
    if (r.answer == ReleaseAnswer::Released)
        released_[jobDigest] = now;
    else
        released_.erase(jobDigest);
    return r;
}

} // namespace plx71::line
