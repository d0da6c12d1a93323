// The outbox against a stub of the line server's records contract, through
// every HTTP client the programs use: what is sent, refused, set aside or
// kept waiting, and that a line sent twice is stored once.
#include "plx71/line/httplib_client.hpp"
#include "plx71/line/shipper.hpp"
#include "plx71/testing/scratch_dir.hpp"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace plx71::line {
namespace {

using namespace std::chrono_literals;

// POST /api/v1/records as the server answers it: 401 without the token,
// 400 for a batch holding a line marked "poison", 503 while busy; else every
// jobId is kept once.
class StubServer {
public:
    StubServer()
    {
        server_.Post("/api/v1/records", [this](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock lock(mutex_);
            ++requests_;
            released_.wait(lock, [this] { return !stalled_; });
            res.status = answer(req);
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // Listening before the row runs: a stop() before that would not end it.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!server_.is_running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
    }
    ~StubServer()
    {
        setStalled(false);
        server_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The server's port behind another host part: "http://" + host + ":PORT" + path.
    std::string url(const std::string& host, const std::string& path = "") const
    {
        return "http://" + host + ":" + std::to_string(port_) + path;
    }
    void setStalled(bool on)
    {
        const std::lock_guard lock(mutex_);
        stalled_ = on;
        released_.notify_all();
    }
    bool busy = false;
    std::set<std::string> stored;
    int duplicates = 0;
    int requests_ = 0;

private:
    int answer(const httplib::Request& req)
    {
        if (req.get_header_value("Authorization") != "Bearer good")
            return 401;
        if (busy)
            return 503;
        const auto body = nlohmann::json::parse(req.body, nullptr, false);
        if (!body.is_object() || !body["records"].is_array() || !body["backlog"].is_number_integer())
            return 400;
        for (const auto& r : body["records"])
            if (!r.is_object() || !r["jobId"].is_string() || r.contains("poison"))
                return 400;
        for (const auto& r : body["records"])
            duplicates += stored.insert(r["jobId"].get<std::string>()).second ? 0 : 1;
        return 200;
    }

    httplib::Server server_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool stalled_ = false;
    int port_ = 0;
    std::thread thread_;
};

std::string recordLine(int n, bool poison = false)
{
    return "{\"time\":\"2026-01-01T00:00:00Z\",\"jobId\":\"job-" + std::to_string(n) + "\""
        + (poison ? ",\"poison\":true" : "") + ",\"label\":\"'); DROP TABLE jobs; --\"}\n";
}

struct Row {
    const char* what;
    std::function<void(StubServer&, ShipperSettings&)> arrange;
    ShipEnd end;
    std::size_t stored, waiting, setAside;
    int duplicates;
    const char* cause;
};

std::vector<Row> outboxRows()
{
    return {
        {"sent", [](StubServer&, ShipperSettings&) {}, ShipEnd::Done, 3, 0, 0, 0, ""},
        {"refused 400: the bad line is set aside",
         [](StubServer&, ShipperSettings& s) {
             std::ofstream(s.recordFile, std::ios::trunc)
                 << recordLine(1) << recordLine(9, true) << recordLine(2) << recordLine(3) << "{\"jobId\":\"torn";
         },
         ShipEnd::Done, 3, 0, 1, 0, ""},
        {"unreachable", [](StubServer&, ShipperSettings& s) { s.url = "http://127.0.0.1:1"; }, ShipEnd::Unreachable, 0,
         3, 0, 0, "connection refused|timed out"}, // timed out: a machine too busy to run us for 2 s
        {"401 token", [](StubServer&, ShipperSettings& s) { std::ofstream(s.tokenFile, std::ios::trunc) << "bad\n"; },
         ShipEnd::Token, 0, 3, 0, 0, "refused \\(token\\)"},
        {"a FIFO for a token",
         [](StubServer&, ShipperSettings& s) {
             std::filesystem::remove(s.tokenFile);
             ASSERT_EQ(::mkfifo(s.tokenFile.c_str(), 0600), 0);
         },
         ShipEnd::Local, 0, 3, 0, 0, "no token in .*"},
        {"503", [](StubServer& server, ShipperSettings&) { server.busy = true; }, ShipEnd::Busy, 0, 3, 0, 0,
         "server answered 503"},
        {"sent twice, stored once",
         [](StubServer& server, ShipperSettings& s) {
             auto client = httplibClient();
             EXPECT_TRUE(pushRecordFile(s.url, s.tokenFile, s.recordFile, "st", *client).report.shipped());
             std::filesystem::remove(s.recordFile + ".shipped"); // the mark is lost
             EXPECT_EQ(server.stored.size(), 3u);
         },
         ShipEnd::Done, 3, 0, 0, 3, ""},
        // The line URL: a refused one sends nothing and keeps every line waiting.
        {"a port out of range", [](StubServer&, ShipperSettings& s) { s.url = "http://127.0.0.1:65536"; },
         ShipEnd::Local, 0, 3, 0, 0, "not a line server URL: .*"},
        {"userinfo before the host", [](StubServer& server, ShipperSettings& s) { s.url = server.url("st@127.0.0.1"); },
         ShipEnd::Local, 0, 3, 0, 0, "not a line server URL: .*"},
        {"no host", [](StubServer& server, ShipperSettings& s) { s.url = server.url(""); }, ShipEnd::Local, 0, 3, 0, 0,
         "not a line server URL: .*"},
        // Nothing listens on [::1] at that port: the URL is taken and the connection refused.
        {"an IPv6 address in brackets", [](StubServer& server, ShipperSettings& s) { s.url = server.url("[::1]"); },
         ShipEnd::Unreachable, 0, 3, 0, 0, "connection refused"},
        {"a trailing slash", [](StubServer& server, ShipperSettings& s) { s.url = server.url("127.0.0.1", "/"); },
         ShipEnd::Done, 3, 0, 0, 0, ""},
        // A 404 is no refusal of the lines: none is set aside.
        {"a path the server does not serve",
         [](StubServer& server, ShipperSettings& s) { s.url = server.url("127.0.0.1", "/line"); }, ShipEnd::Other, 0, 3,
         0, 0, "server answered 404"},
        {"a mark past the end: the record file was replaced",
         [](StubServer&, ShipperSettings& s) { std::ofstream(s.recordFile + ".shipped") << "999999\n"; }, ShipEnd::Done,
         3, 0, 0, 0, ""},
        {"a token file written on Windows",
         [](StubServer&, ShipperSettings& s) { std::ofstream(s.tokenFile, std::ios::trunc) << "good\r\n"; },
         ShipEnd::Done, 3, 0, 0, 0, ""},
        {"a blank inside the token",
         [](StubServer&, ShipperSettings& s) { std::ofstream(s.tokenFile, std::ios::trunc) << "go od\n"; },
         ShipEnd::Local, 0, 3, 0, 0, "no token in .*"},
        {"a stalled server costs the job its limit only",
         [](StubServer& server, ShipperSettings& s) {
             server.setStalled(true);
             s.limits.whole = 500ms;
         },
         ShipEnd::Unreachable, 0, 3, 0, 0, "timed out"},
    };
}

TEST(Outbox, ShipsWhatWaitsAndKeepsTheRest)
{
    const std::vector<Row> rows = outboxRows();
    for (const bool module : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (module ? " (module)" : " (cpp-httplib)"));
            const test::ScratchDir dir;
            StubServer server;
            ShipperSettings s{
                server.url(), (dir.path() / "token").string(), (dir.path() / "r.jsonl").string(), "st", 5s, {}};
            std::ofstream(s.tokenFile) << "  good \n";
            std::ofstream(s.recordFile) << "{\"time\":\"old\",\"outcome\":\"success\"}\n"
                                        << recordLine(1) << recordLine(2) << recordLine(3) << "{\"jobId\":\"torn";
            row.arrange(server, s);
            Shipper shipper(s, module ? systemHttpClient() : httplibClient());
            const auto started = std::chrono::steady_clock::now();
            const LineStatus status = shipper.shipNow();
            EXPECT_LT(std::chrono::steady_clock::now() - started, s.limits.whole + 2s);
            EXPECT_EQ(status.report.end, row.end) << status.report.cause;
            EXPECT_EQ(server.stored.size(), row.stored);
            EXPECT_EQ(status.waiting, row.waiting);
            EXPECT_EQ(status.report.setAside, row.setAside);
            EXPECT_EQ(server.duplicates, row.duplicates);
            EXPECT_TRUE(std::regex_match(status.cause, std::regex(row.cause))) << status.cause;
            EXPECT_EQ(Outbox(s.recordFile).waiting(), row.waiting);
            server.setStalled(false);
            if (row.end == ShipEnd::Done) {
                // Everything whole is marked; the torn last line is not.
                EXPECT_EQ(Outbox(s.recordFile).mark(),
                          std::filesystem::file_size(s.recordFile) - std::string("{\"jobId\":\"torn").size());
                EXPECT_EQ(status.text(), "connected");
            }
        }
    }
}

} // namespace
} // namespace plx71::line
