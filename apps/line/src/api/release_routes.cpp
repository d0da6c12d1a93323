#include "api/release_routes.hpp"

#include "api/json_body.hpp"
#include "store/iso_time.hpp"

#include <algorithm>

namespace plx71::line {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxReleaseBytes = 64 * 1024;
constexpr std::size_t kMaxTextBytes = 4096;
constexpr std::size_t kMaxFiles = 64;
// A release is {"files": [{"role", "path", "sha256"}]} at its deepest.
constexpr int kMaxDepth = 8;

struct Refused {
    std::string why;
};

std::string textField(const Json& body, const char* key)
{
    const auto it = body.find(key);
    if (it == body.end() || it->is_null())
        return {};
    if (!it->is_string())
        throw Refused{std::string("\"") + key + "\" is not a string"};
    if (it->get_ref<const std::string&>().size() > kMaxTextBytes)
        throw Refused{std::string("\"") + key + "\" is longer than " + std::to_string(kMaxTextBytes) + " bytes"};
    return it->get<std::string>();
}

// The file names as released: an array of names, or of objects as the
// record lines write them ({"role", "path", "sha256"}).
std::string filesField(const Json& body)
{
    const auto it = body.find("files");
    if (it == body.end() || it->is_null())
        return "[]";
    const bool shaped = it->is_array() && it->size() <= kMaxFiles
        && std::all_of(it->begin(), it->end(),
                       [](const Json& f) { return f.is_string() || (f.is_object() && f.size() <= 8); });
    if (!shaped)
        throw Refused{"\"files\" is not an array of at most " + std::to_string(kMaxFiles) + " names or objects"};
    std::string text = it->dump(-1, ' ', false, Json::error_handler_t::replace);
    if (text.size() > kMaxReleaseBytes)
        throw Refused{"\"files\" is too long"};
    return text;
}

Json optionalText(const std::string& text)
{
    return text.empty() ? Json() : Json(text);
}

Json releaseJson(const Release& r)
{
    Json files;
    try {
        files = Json::parse(r.files);
    } catch (const Json::exception&) {
        files = Json::array();
    }
    return Json{{"jobDigest", r.jobDigest},
                {"device", optionalText(r.device)},
                {"userRomChecksum", optionalText(r.userRomChecksum)},
                {"bootRomChecksum", optionalText(r.bootRomChecksum)},
                {"files", files},
                {"note", optionalText(r.note)},
                {"releasedBy", r.releasedBy},
                {"releasedAt", isoTime(r.releasedAt)},
                {"revokedBy", optionalText(r.revokedBy)},
                {"revokedAt", r.revokedAt ? Json(isoTime(*r.revokedAt)) : Json()},
                {"released", r.active()}};
}

} // namespace

std::optional<std::string> jobDigestOf(const std::string& text)
{
    if (text.size() != 64)
        return std::nullopt;
    std::string digest = text;
    for (char& c : digest) {
        if (c >= 'A' && c <= 'F')
            c = char(c - 'A' + 'a');
        else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    }
    return digest;
}

std::variant<Release, std::string> parseReleaseBody(const std::string& body)
{
    if (body.size() > kMaxReleaseBytes)
        return "body larger than " + std::to_string(kMaxReleaseBytes / 1024) + " KiB";
    auto parsed = parseJsonBody(body, kMaxDepth);
    if (auto* why = std::get_if<std::string>(&parsed))
        return *why;
    const Json& doc = std::get<Json>(parsed);
    try {
        Release r;
        const auto digest = jobDigestOf(textField(doc, "jobDigest"));
        if (!digest)
            return std::string("\"jobDigest\" is not 64 hex digits");
        r.jobDigest = *digest;
        r.device = textField(doc, "device");
        r.userRomChecksum = textField(doc, "userRomChecksum");
        r.bootRomChecksum = textField(doc, "bootRomChecksum");
        r.files = filesField(doc);
        r.note = textField(doc, "note");
        return r;
    } catch (const Refused& e) {
        return e.why;
    }
}

void postRelease(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    auto parsed = parseReleaseBody(req.body);
    if (auto* why = std::get_if<std::string>(&parsed)) {
        replyError(res, 400, *why);
        return;
    }
    Release& release = std::get<Release>(parsed);
    release.releasedBy = ctx.caller.name;
    release.releasedAt = unixNow();
    const ReleaseResult held = ctx.store.release(release);
    // 201: released now; 200: it was released already and stays as it was.
    replyJson(res, held.created ? 201 : 200, releaseJson(held.release));
}

void postRevoke(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    const auto digest = jobDigestOf(req.matches[1]);
    if (!digest) {
        replyError(res, 400, "not a job digest (64 hex digits)");
        return;
    }
    const auto revoked = ctx.store.revoke(*digest, ctx.caller.name, unixNow());
    if (!revoked) {
        replyError(res, 404, "not released");
        return;
    }
    replyJson(res, 200, releaseJson(*revoked));
}

void getReleases(const httplib::Request&, httplib::Response& res, RouteContext& ctx)
{
    Json list = Json::array();
    for (const Release& r : ctx.store.releases())
        list.push_back(releaseJson(r));
    replyJson(res, 200, Json{{"releases", list}});
}

void getRelease(const httplib::Request& req, httplib::Response& res, RouteContext& ctx)
{
    const auto digest = jobDigestOf(req.matches[1]);
    if (!digest) {
        replyError(res, 400, "not a job digest (64 hex digits)");
        return;
    }
    const auto release = ctx.store.activeRelease(*digest);
    if (!release) {
        replyError(res, 404, "not released");
        return;
    }
    replyJson(res, 200, releaseJson(*release));
}

} // namespace plx71::line
