// The routes' answers over real HTTP: a server on a free loopback port with
// a SQLite store, the tokens of each role, and requests good and bad. The
// server must answer every one and stay up.
#include "api/jobs_csv.hpp"
#include "api/line_server.hpp"
#include "api/line_state_routes.hpp"
#include "store/open_store.hpp"
#include "tokens/token_file.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace plx71::line {
namespace {

class HttpRoutes : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("plx71-line-http-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::vector<TokenEntry> entries;
        for (Role role : {Role::Viewer, Role::Station, Role::Engineer}) {
            NewToken t = makeToken(std::string(roleName(role)), role);
            tokens_[role] = t.token;
            entries.push_back(t.entry);
        }
        ASSERT_EQ(saveTokenFile((dir_ / "tokens").string(), entries), "");
        store_ = openStore("sqlite:" + (dir_ / "line.db").string());
        registry_ = std::make_unique<TokenRegistry>((dir_ / "tokens").string());
        server_ = std::make_unique<LineServer>(*store_, *registry_);
        port_ = server_->bindAnyPort("127.0.0.1");
        ASSERT_NE(port_, 0);
        thread_ = std::thread([this] { server_->run(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!server_->running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(server_->running());
    }
    void TearDown() override
    {
        if (server_)
            server_->stop();
        if (thread_.joinable())
            thread_.join();
        std::filesystem::remove_all(dir_);
    }

    struct Case {
        const char* what;
        const char* method;
        std::string path;
        std::optional<Role> role; // nullopt: no token
        std::string body;
        int status;
    };
    // Sends each case and expects its status.
    template <std::size_t N>
    void expectStatuses(const Case (&cases)[N])
    {
        httplib::Client client("127.0.0.1", port_);
        for (const Case& c : cases) {
            httplib::Headers headers;
            if (c.role)
                headers.emplace("Authorization", "Bearer " + tokens_[*c.role]);
            const auto res = std::string(c.method) == "POST" ? client.Post(c.path, headers, c.body, "application/json")
                                                             : client.Get(c.path, headers);
            ASSERT_TRUE(res) << c.what << ": no answer";
            EXPECT_EQ(res->status, c.status) << c.what << ": " << res->body;
        }
    }

    std::filesystem::path dir_;
    std::map<Role, std::string> tokens_;
    std::unique_ptr<JobStore> store_;
    std::unique_ptr<TokenRegistry> registry_;
    std::unique_ptr<LineServer> server_;
    int port_ = 0;
    std::thread thread_;
};

TEST_F(HttpRoutes, AnswersEachRequestWithItsStatus)
{
    const std::string good = R"({"station":"s1","backlog":0,"records":[{"jobId":"j1","outcome":"success"}]})";
    std::string deep(100, '[');
    auto idOfLength = [](std::size_t n) { return R"({"records":[{"jobId":")" + std::string(n, 'i') + "\"}]}"; };
    const Case cases[] = {
        {"no token", "POST", "/api/v1/records", std::nullopt, good, 401},
        {"viewer may not ship", "POST", "/api/v1/records", Role::Viewer, good, 403},
        {"a batch", "POST", "/api/v1/records", Role::Station, good, 200},
        {"engineer may ship", "POST", "/api/v1/records", Role::Engineer, good, 200},
        {"not JSON", "POST", "/api/v1/records", Role::Station, "{\"records\": [", 400},
        {"no records", "POST", "/api/v1/records", Role::Station, R"({"station":"s1"})", 400},
        {"record no object", "POST", "/api/v1/records", Role::Station, R"({"records":[5]})", 400},
        {"no jobId", "POST", "/api/v1/records", Role::Station, R"({"records":[{"time":"x"}]})", 400},
        {"jobId no string", "POST", "/api/v1/records", Role::Station, R"({"records":[{"jobId":7}]})", 400},
        {"not UTF-8", "POST", "/api/v1/records", Role::Station, "{\"records\":[{\"jobId\":\"\xff\xfe\"}]}", 400},
        {"nested too deep", "POST", "/api/v1/records", Role::Station, R"({"records":[{"jobId":"d","x":)" + deep, 400},
        {"too large", "POST", "/api/v1/records", Role::Station, std::string(5 << 20, ' '), 413},
        {"records no array", "POST", "/api/v1/records", Role::Station, R"({"records":{"jobId":"o"}})", 400},
        {"a good record, then a bad one", "POST", "/api/v1/records", Role::Station,
         R"({"records":[{"jobId":"j9"},{"jobId":""}]})", 400},
        {"jobId of 129 characters", "POST", "/api/v1/records", Role::Station, idOfLength(129), 400},
        {"jobId of 128 characters", "POST", "/api/v1/records", Role::Station, idOfLength(128), 200},
        {"an empty batch: the outbox's probe", "POST", "/api/v1/records", Role::Station, R"({"records":[]})", 200},
        {"jobs", "GET", "/api/v1/jobs?limit=10&station=s1", Role::Viewer, "", 200},
        {"jobs no token", "GET", "/api/v1/jobs", std::nullopt, "", 401},
        {"bad limit", "GET", "/api/v1/jobs?limit=0", Role::Viewer, "", 400},
        {"limit of 1000", "GET", "/api/v1/jobs?limit=1000", Role::Viewer, "", 200},
        {"limit over 1000", "GET", "/api/v1/jobs?limit=1001", Role::Viewer, "", 400},
        {"limit with more after it", "GET", "/api/v1/jobs?limit=5x", Role::Viewer, "", 400},
        {"bad time", "GET", "/api/v1/jobs?since=yesterday", Role::Viewer, "", 400},
        {"bad until", "GET", "/api/v1/jobs?until=2024-04-31", Role::Viewer, "", 400},
        {"a time for a cursor", "GET", "/api/v1/jobs?before=2024-05-01T06:00:00Z", Role::Viewer, "", 200},
        // The CSV's first page is read before the answer starts: a bad cursor is still a 400.
        {"csv unknown cursor", "GET", "/api/v1/jobs.csv?before=nope", Role::Viewer, "", 400},
        {"csv bad limit", "GET", "/api/v1/jobs.csv?limit=0", Role::Viewer, "", 400},
        {"unknown cursor", "GET", "/api/v1/jobs?before=nope", Role::Viewer, "", 400},
        {"stations", "GET", "/api/v1/stations", Role::Viewer, "", 200},
        {"boxes", "GET", "/api/v1/boxes", Role::Viewer, "", 200},
        {"yield", "GET", "/api/v1/yield?by=shift&since=2024-05-01", Role::Viewer, "", 200},
        {"bad bucket", "GET", "/api/v1/yield?by=week", Role::Viewer, "", 400},
        {"yield bad time", "GET", "/api/v1/yield?by=day&since=soon", Role::Viewer, "", 400},
        {"metrics", "GET", "/metrics", Role::Viewer, "", 200},
    };
    ASSERT_NO_FATAL_FAILURE(expectStatuses(cases));
    httplib::Client client("127.0.0.1", port_);
    // Every refused batch left nothing, not even its good records; j1 counts once, the second time as a
    // duplicate, and the jobId of 128 characters once.
    EXPECT_EQ(store_->jobs({}).records.size(), 2u);
    const auto metrics = client.Get("/metrics", {{"Authorization", "Bearer " + tokens_[Role::Viewer]}});
    ASSERT_TRUE(metrics);
    EXPECT_NE(metrics->body.find("plx71line_jobs_total{station=\"s1\",outcome=\"success\"} 1"), std::string::npos);
    EXPECT_NE(metrics->body.find("plx71line_request_duration_seconds_count{route=\"/api/v1/records\",code=\"4xx\"}"),
              std::string::npos);
}

TEST_F(HttpRoutes, AnswersThePageRoutesWithTheirStatus)
{
    const std::string status = R"({"tiles":[{"slot":1,"label":"<script>x</script>","state":"Running","percent":37,)"
                               R"("counters":{"passed":1,"failed":0,"cancelled":0}}],"project":"p.pxp"})";
    const std::string digest(64, 'c');
    const std::string release = R"({"jobDigest":")" + digest + R"(","device":"M30624FGFP","files":["a.hex"]})";
    const std::string good = R"({"station":"s1","records":[{"jobId":"j1","outcome":"success"}]})";
    const std::string deep = R"({"jobDigest":")" + std::string(64, 'd') + R"(","files":[{"x":)" + std::string(100, '[')
        + std::string(100, ']') + "}]}";
    auto tiles = [](std::size_t n, const std::string& tile) {
        std::string body = R"({"tiles":[)";
        for (std::size_t i = 0; i < n; ++i)
            body += (i ? "," : "") + tile;
        return body + "]}";
    };
    const std::string capitals = R"({"jobDigest":")" + std::string(64, 'E') + R"("})";
    std::string files = R"({"jobDigest":")" + digest + R"(","files":[)";
    for (int i = 0; i < 65; ++i)
        files += std::string(i ? "," : "") + "\"f.hex\"";
    files += "]}";
    const Case cases[] = {
        {"a batch", "POST", "/api/v1/records", Role::Station, good, 200},
        {"station name of 128 bytes", "POST", "/api/v1/stations/" + std::string(128, 'x') + "/status", Role::Station,
         status, 200},
        {"station name of 129 bytes", "POST", "/api/v1/stations/" + std::string(129, 'x') + "/status", Role::Station,
         status, 400},
        {"station name with a control character", "POST", "/api/v1/stations/a%01b/status", Role::Station, status, 400},
        {"256 tiles", "POST", "/api/v1/stations/s2/status", Role::Station, tiles(256, "{}"), 200},
        {"257 tiles", "POST", "/api/v1/stations/s2/status", Role::Station, tiles(257, "{}"), 400},
        {"percent over 100", "POST", "/api/v1/stations/s2/status", Role::Station, tiles(1, R"({"percent":101})"), 400},
        {"percent below 0", "POST", "/api/v1/stations/s2/status", Role::Station, tiles(1, R"({"percent":-1})"), 400},
        {"status too large", "POST", "/api/v1/stations/s2/status", Role::Station, std::string(kMaxStatusBytes + 1, ' '),
         413},
        // Released before the one the checks below read first (same second: by digest).
        {"release in capitals", "POST", "/api/v1/releases", Role::Engineer, capitals, 201},
        {"released: its digest in small letters", "GET", "/api/v1/releases/" + std::string(64, 'e'), Role::Viewer, "",
         200},
        {"65 files", "POST", "/api/v1/releases", Role::Engineer, files, 400},
        {"note no string", "POST", "/api/v1/releases", Role::Engineer, R"({"jobDigest":")" + digest + R"(","note":5})",
         400},
        {"viewer may not post status", "POST", "/api/v1/stations/s1/status", Role::Viewer, status, 403},
        {"status", "POST", "/api/v1/stations/s1/status", Role::Station, status, 200},
        {"status no tiles", "POST", "/api/v1/stations/s1/status", Role::Station, "{}", 400},
        {"tile of wrong type", "POST", "/api/v1/stations/s1/status", Role::Station, R"({"tiles":[{"percent":"x"}]})",
         400},
        {"station may not release", "POST", "/api/v1/releases", Role::Station, release, 403},
        {"release", "POST", "/api/v1/releases", Role::Engineer, release, 201},
        {"released already", "POST", "/api/v1/releases", Role::Engineer, release, 200},
        {"no digest", "POST", "/api/v1/releases", Role::Engineer, R"({"jobDigest":"12ab"})", 400},
        {"release nested too deep", "POST", "/api/v1/releases", Role::Engineer, deep, 400},
        {"is it released", "GET", "/api/v1/releases/" + digest, Role::Station, "", 200},
        {"not a digest", "GET", "/api/v1/releases/x'--", Role::Viewer, "", 400},
        {"station may not revoke", "POST", "/api/v1/releases/" + digest + "/revoke", Role::Station, "", 403},
        {"revoke no digest", "POST", "/api/v1/releases/xyz/revoke", Role::Engineer, "", 400},
        {"revoke", "POST", "/api/v1/releases/" + digest + "/revoke", Role::Engineer, "", 200},
        {"revoked twice", "POST", "/api/v1/releases/" + digest + "/revoke", Role::Engineer, "", 404},
        {"revoked: not released", "GET", "/api/v1/releases/" + digest, Role::Viewer, "", 404},
        {"releases", "GET", "/api/v1/releases", Role::Viewer, "", 200},
        {"summary", "GET", "/api/v1/summary?since=2024-05-01", Role::Viewer, "", 200},
        {"summary bad time", "GET", "/api/v1/summary?since=soon", Role::Viewer, "", 400},
        {"csv", "GET", "/api/v1/jobs.csv?station=s1", Role::Viewer, "", 200},
        {"unknown format", "GET", "/api/v1/jobs?format=xml", Role::Viewer, "", 400},
    };
    ASSERT_NO_FATAL_FAILURE(expectStatuses(cases));
    httplib::Client client("127.0.0.1", port_);
    // What the page reads: the status as sent, the release with who made it, the CSV with the job.
    const httplib::Headers viewer{{"Authorization", "Bearer " + tokens_[Role::Viewer]}};
    const auto stations = nlohmann::json::parse(client.Get("/api/v1/stations", viewer)->body);
    EXPECT_EQ(stations["stations"][0]["live"]["tiles"][0]["label"], "<script>x</script>");
    EXPECT_EQ(stations["stations"][0]["offline"], false);
    const auto releases = nlohmann::json::parse(client.Get("/api/v1/releases", viewer)->body);
    EXPECT_EQ(releases["releases"][0]["releasedBy"], "engineer");
    EXPECT_EQ(releases["releases"][0]["revokedBy"], "engineer");
    EXPECT_EQ(client.Get("/api/v1/jobs?format=csv", viewer)->body,
              std::string(kJobsCsvHeader) + ",,,,,,,success,,,,,,j1\r\n");
}

TEST_F(HttpRoutes, OpenReadServesReadingWithoutAToken)
{
    server_->setOpenRead(true);
    httplib::Client client("127.0.0.1", port_);
    EXPECT_EQ(client.Get("/api/v1/stations")->status, 200);
    EXPECT_EQ(client.Get("/api/v1/stations", {{"Authorization", "Bearer wrong"}})->status, 401);
    EXPECT_EQ(client.Post("/api/v1/stations/s1/status", R"({"tiles":[]})", "application/json")->status, 401);
}

} // namespace
} // namespace plx71::line
