// The store contract, run against every store: SQLite always, PostgreSQL
// when PLX71_TEST_PG names a server (scripts/ci/line_pg_check.sh starts a
// throw-away one). Each test gets an empty database: a new SQLite file, or
// a new PostgreSQL schema.
#include "api/batch_body.hpp"
#include "store/iso_time.hpp"
#include "store/open_store.hpp"
#include "store/schema.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifdef PLX71_LINE_HAVE_POSTGRES
#include <libpq-fe.h>
#endif

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <tuple>
#include <unistd.h>

namespace plx71::line {
namespace {

// One value from SQL run directly on the test's database, beside the store.
std::string rawSql(const std::string& url, const std::string& sql)
{
    std::string value;
    if (url.rfind("sqlite:", 0) == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(url.substr(7).c_str(), &db);
        auto keep = [](void* out, int, char** v, char**) {
            return *static_cast<std::string*>(out) = v[0] ? v[0] : "", 0;
        };
        char* error = nullptr;
        sqlite3_exec(db, sql.c_str(), keep, &value, &error);
        EXPECT_EQ(error, nullptr) << error;
        sqlite3_free(error);
        sqlite3_close(db);
        return value;
    }
#ifdef PLX71_LINE_HAVE_POSTGRES
    PGconn* conn = PQconnectdb(url.c_str());
    PGresult* res = PQexec(conn, sql.c_str());
    EXPECT_TRUE(PQresultStatus(res) == PGRES_TUPLES_OK || PQresultStatus(res) == PGRES_COMMAND_OK)
        << PQerrorMessage(conn);
    if (PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) > 0)
        value = PQgetvalue(res, 0, 0);
    PQclear(res);
    PQfinish(conn);
#endif
    return value;
}

RecordBatch batch(const std::string& body, const std::string& station = "st")
{
    auto parsed = parseBatchBody(body);
    EXPECT_TRUE(std::holds_alternative<RecordBatch>(parsed)) << body;
    RecordBatch b = std::get<RecordBatch>(parsed);
    b.received = *parseIsoTime("2030-01-01T00:00:00Z");
    if (b.station.empty())
        b.station = station;
    return b;
}

std::string job(const std::string& id, const std::string& time, const std::string& more = "")
{
    return R"({"jobId":")" + id + R"(","time":")" + time + "\"" + (more.empty() ? "" : "," + more) + "}";
}

std::string records(const std::vector<std::string>& jobs)
{
    std::string body = R"({"records":[)";
    for (std::size_t i = 0; i < jobs.size(); ++i)
        body += (i ? "," : "") + jobs[i];
    return body + "]}";
}

std::vector<std::string> idsOf(const JobPage& page)
{
    std::vector<std::string> ids;
    for (const std::string& text : page.records)
        ids.push_back(text.substr(10, text.find('"', 10) - 10)); // {"jobId":"...
    return ids;
}

class StoreContract : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (GetParam() == "sqlite") {
            dir_ = std::filesystem::temp_directory_path() / ("plx71-line-store-" + std::to_string(::getpid()));
            std::filesystem::create_directories(dir_);
            std::filesystem::remove(dir_ / "line.db");
            url_ = "sqlite:" + (dir_ / "line.db").string();
            return;
        }
        const char* server = std::getenv("PLX71_TEST_PG");
        if (!server || !*server || !havePostgres())
            GTEST_SKIP() << "PostgreSQL store not tested: set PLX71_TEST_PG=postgresql://USER@HOST:PORT/DB "
                            "(scripts/ci/line_pg_check.sh starts a throw-away server)";
        // A schema of this process's own: ctest may run several tests at once.
        server_ = server;
        schema_ = "plx71_contract_" + std::to_string(::getpid());
        rawSql(server_,
               "SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA "
                   + schema_);
        url_ = server_ + (server_.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema_;
    }
    void TearDown() override
    {
        if (!dir_.empty())
            std::filesystem::remove_all(dir_);
        if (!schema_.empty())
            rawSql(server_, "SET client_min_messages = warning; DROP SCHEMA " + schema_ + " CASCADE");
    }
    std::unique_ptr<JobStore> open() { return openStore(url_); }

    std::string url_, server_, schema_;
    std::filesystem::path dir_;
};

TEST_P(StoreContract, StoresEachJobOnceAndCountsTheRest)
{
    auto store = open();
    // Seventeen records, the last a later copy of the sixth: the first copy is the one kept.
    std::vector<std::string> copied;
    for (int i = 10; i < 26; ++i)
        copied.push_back(job("k" + std::to_string(i), "2024-04-01T00:00:00Z"));
    copied.push_back(job("k15", "2024-04-02T00:00:00Z"));
    struct Case {
        std::string body;
        int stored, duplicates;
    } cases[] = {
        {records({job("j1", "2024-05-01T06:00:00Z"), job("j2", "2024-05-01T06:01:00Z")}), 2, 0},
        // Sent again, and one jobId twice in one batch.
        {records({job("j2", "2024-05-01T06:01:00Z"), job("j3", "2024-05-01T06:02:00Z"), job("j3", "x")}), 1, 2},
        {records({}), 0, 0},
        {records(copied), 16, 1},
    };
    for (const Case& c : cases) {
        const BatchResult r = store->add(batch(c.body));
        EXPECT_EQ(r.stored, c.stored) << c.body;
        EXPECT_EQ(r.duplicates, c.duplicates) << c.body;
    }
    // A second server on the same database stores nothing twice either.
    const BatchResult again = open()->add(batch(cases[0].body));
    EXPECT_EQ(again.stored, 0);
    EXPECT_EQ(again.duplicates, 2);
    JobQuery may;
    may.since = parseIsoTime("2024-05-01");
    EXPECT_EQ(idsOf(store->jobs(may)), (std::vector<std::string>{"j3", "j2", "j1"}));
    JobQuery april2;
    april2.since = parseIsoTime("2024-04-02");
    april2.until = may.since;
    EXPECT_EQ(idsOf(store->jobs(april2)), std::vector<std::string>{});
    EXPECT_EQ(store->jobCounts().at(0).jobs, 19);
}

TEST_P(StoreContract, KeepsEveryRecordAsWrittenAndNeverRunsIt)
{
    auto store = open();
    // As nlohmann writes a record back: compact, keys in their order.
    const std::vector<std::string> lines = {
        R"({"jobId":"hostile","time":"2024-05-01T06:00:00Z","label":"'); DROP TABLE jobs; --","station":"x' OR '1'='1"})",
        R"({"jobId":"text","z":1,"a":[1.5,-2,null,true],"label":"Prüfplatz ✓ \"7\"\\\u0000\n","files":[{"role":"userRom"}]})",
        R"({"jobId":"types","time":17,"exitCode":"zero","verified":"yes","slot":1.5,"station":3})",
    };
    EXPECT_EQ(store->add(batch(records(lines))).stored, 3);
    const JobPage page = store->jobs({});
    ASSERT_EQ(page.records.size(), 3u);
    for (const std::string& line : lines)
        EXPECT_NE(std::find(page.records.begin(), page.records.end(), line), page.records.end()) << line;
    EXPECT_EQ(rawSql(url_, "SELECT COUNT(*) FROM jobs"), "3");
    JobQuery hostileStation;
    hostileStation.station = "x' OR '1'='1";
    EXPECT_EQ(idsOf(store->jobs(hostileStation)), std::vector<std::string>{"hostile"});
}

TEST_P(StoreContract, FiltersAndPagesNewestFirst)
{
    auto store = open();
    store->add(batch(records({
        job("a", "2024-05-01T06:00:00Z", R"("station":"A","outcome":"success")"),
        job("b", "2024-05-01T07:00:00Z", R"("station":"B","outcome":"verify-mismatch")"),
        job("c", "2024-05-01T08:00:00+02:00", R"("station":"A","outcome":"success")"), // 06:00 UTC, after a
        job("d", "2024-05-01T09:00:00Z", R"("station":"B","outcome":"success")"),
        job("e", "2024-05-01T09:00:00Z", R"("station":"A","outcome":"no-answer")"),
    })));
    auto q = [](std::string station, std::string outcome, const char* since = "", const char* until = "") {
        JobQuery query;
        query.station = station, query.outcome = outcome;
        query.since = parseIsoTime(since), query.until = parseIsoTime(until);
        return query;
    };
    struct Case {
        JobQuery q;
        std::vector<std::string> ids;
    } cases[] = {
        {q("", ""), {"e", "d", "b", "c", "a"}},
        {q("A", ""), {"e", "c", "a"}},
        {q("", "success"), {"d", "c", "a"}},
        {q("B", "success"), {"d"}},
        {q("", "", "2024-05-01T07:00:00Z"), {"e", "d", "b"}},
        {q("", "", "2024-05-01T06:00:00Z", "2024-05-01T07:00:00Z"), {"c", "a"}},
        {q("nobody", ""), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(idsOf(store->jobs(c.q)), c.ids) << c.q.station << c.q.outcome;
    // Pages of two: every job once, in the same order, even among equal times.
    std::vector<std::string> all;
    JobQuery paged;
    paged.limit = 2;
    for (int pages = 0; pages < 10; ++pages) {
        const JobPage page = store->jobs(paged);
        for (const std::string& id : idsOf(page))
            all.push_back(id);
        if (page.next.empty())
            break;
        paged.beforeJob = page.next;
    }
    EXPECT_EQ(all, cases[0].ids);
    paged.beforeJob = "no such job";
    EXPECT_THROW(store->jobs(paged), StoreBadQuery);
}

TEST_P(StoreContract, CountsYieldByHourShiftAndDay)
{
    auto store = open();
    store->add(batch(records({
        job("1", "2024-05-01T05:59:59Z", R"("outcome":"success")"), // night shift of 30 April
        job("2", "2024-05-01T06:00:00Z", R"("outcome":"success")"),
        job("3", "2024-05-01T06:30:00Z", R"("outcome":"verify-mismatch")"),
        job("4", "2024-05-01T14:00:00Z", R"("outcome":"cancelled")"),
        job("5", "2024-05-01T22:00:00Z", R"("outcome":"success","station":"other")"),
        job("6", "2024-05-02T05:00:00Z"), // no outcome: neither passed nor failed
    })));
    using Row = std::array<std::int64_t, 5>; // start, jobs, passed, failed, cancelled
    auto rows = [&](YieldBucket by, const std::string& station = "") {
        std::vector<Row> out;
        for (const YieldRow& r : store->yield(by, *parseIsoTime("2024-04-30"), station))
            out.push_back({r.start, r.jobs, r.passed, r.failed, r.cancelled});
        return out;
    };
    auto t = [](const char* text) { return *parseIsoTime(text); };
    EXPECT_EQ(rows(YieldBucket::Shift),
              (std::vector<Row>{{t("2024-04-30T22:00:00Z"), 1, 1, 0, 0},
                                {t("2024-05-01T06:00:00Z"), 2, 1, 1, 0},
                                {t("2024-05-01T14:00:00Z"), 1, 0, 0, 1},
                                {t("2024-05-01T22:00:00Z"), 2, 1, 0, 0}}));
    EXPECT_EQ(rows(YieldBucket::Day), (std::vector<Row>{{t("2024-05-01"), 5, 3, 1, 1}, {t("2024-05-02"), 1, 0, 0, 0}}));
    EXPECT_EQ(rows(YieldBucket::Hour).size(), 5u);
    EXPECT_EQ(rows(YieldBucket::Hour, "other"), (std::vector<Row>{{t("2024-05-01T22:00:00Z"), 1, 1, 0, 0}}));
}

TEST_P(StoreContract, KnowsEachBoxStationAndBacklog)
{
    auto store = open();
    const std::string byId = R"("stableName":"/dev/serial/by-id/usb-box1","devicePath":"/dev/ttyUSB0")";
    auto b = batch(records({
        job("v1", "2024-05-01T06:00:00Z", byId + R"(,"outcome":"success","verified":true,"jobDigest":"d1")"),
        job("f1", "2024-05-01T07:00:00Z", byId + R"(,"outcome":"verify-mismatch","verified":false)"),
        job("p2", "2024-05-01T06:00:00Z", R"("devicePath":"/dev/ttyUSB1","outcome":"success","device":"M30624")"),
    }));
    b.backlog = 7;
    store->add(b);
    // Shipped late: an older job changes neither the last job nor the last verified one.
    store->add(batch(records({job("old", "2024-04-01T06:00:00Z", byId + R"(,"verified":true,"jobDigest":"d0")")})));
    const auto boxes = store->boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].port, "/dev/serial/by-id/usb-box1");
    EXPECT_EQ(boxes[0].lastJobId, "f1");
    EXPECT_EQ(boxes[0].lastOutcome, "verify-mismatch");
    EXPECT_EQ(boxes[0].verifiedJobId, "v1");
    EXPECT_EQ(boxes[0].verifiedDigest, "d1");
    EXPECT_EQ(boxes[1].port, "/dev/ttyUSB1");
    EXPECT_EQ(boxes[1].device, "M30624");
    EXPECT_TRUE(boxes[1].verifiedDigest.empty());
    const auto stations = store->stations();
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].name, "st");
    EXPECT_EQ(stations[0].jobs, 4);
    EXPECT_EQ(stations[0].passed, 2);
    EXPECT_EQ(stations[0].backlog, 7);
    EXPECT_EQ(stations[0].lastJobTime, parseIsoTime("2024-05-01T07:00:00Z"));
}

TEST_P(StoreContract, RefusesANewerSchemaAndLeavesItAsItIs)
{
    open()->add(batch(records({job("kept", "2024-05-01T06:00:00Z")})));
    rawSql(url_, "UPDATE schema_version SET version = 99");
    EXPECT_THROW(open(), StoreRefused);
    EXPECT_EQ(rawSql(url_, "SELECT version FROM schema_version"), "99");
    EXPECT_EQ(rawSql(url_, "SELECT COUNT(*) FROM jobs"), "1");
    rawSql(url_, "UPDATE schema_version SET version = " + std::to_string(kSchemaVersion));
    EXPECT_EQ(idsOf(open()->jobs({})), std::vector<std::string>{"kept"});
}

TEST_P(StoreContract, KeepsStationStatusAndReleases)
{
    auto store = open();
    store->putStatus({"st", R"({"tiles":[{"state":"Running"}]})", 100});
    store->putStatus({"st", R"({"tiles":[{"state":"Verified"}]})", 110});
    store->putStatus({"st", R"({"tiles":[{"state":"Idle"}]})", 105}); // arrived late: older than the one held
    const auto statuses = open()->statuses();                         // as every server of the line sees it
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].json, R"({"tiles":[{"state":"Verified"}]})");
    EXPECT_EQ(statuses[0].received, 110);

    const std::string digest(64, 'a');
    Release r{digest, "M30624FGFP", "1A2B", "", R"(["user.hex"])", "first lot", "alice", 200, {}, {}};
    struct Step {
        const char* what;
        std::function<bool()> act;
        bool active;
        std::string releasedBy, note;
    } steps[] = {
        {"released", [&] { return store->release(r).created; }, true, "alice", "first lot"},
        {"again: kept as first released",
         [&] {
             r.releasedBy = "bob", r.note = "x";
             return !store->release(r).created;
         },
         true, "alice", "first lot"},
        {"revoked", [&] { return store->revoke(digest, "carol", 300).has_value(); }, false, "alice", "first lot"},
        {"revoked twice: nothing to revoke", [&] { return !store->revoke(digest, "carol", 301); }, false, "alice",
         "first lot"},
        {"released anew", [&] { return store->release(r).created; }, true, "bob", "x"},
    };
    for (const Step& step : steps) {
        EXPECT_TRUE(step.act()) << step.what;
        EXPECT_EQ(store->activeRelease(digest).has_value(), step.active) << step.what;
        const auto all = store->releases();
        ASSERT_EQ(all.size(), 1u) << step.what;
        EXPECT_EQ(all[0].releasedBy, step.releasedBy) << step.what;
        EXPECT_EQ(all[0].note, step.note) << step.what;
        EXPECT_EQ(all[0].revokedBy, step.active ? "" : "carol") << step.what;
    }
    EXPECT_EQ(store->releases()[0].files, R"(["user.hex"])");
    EXPECT_FALSE(store->activeRelease(std::string(64, 'b')));
}

TEST_P(StoreContract, TellsWhatEachBoxHeldAtItsLastCheck)
{
    auto store = open();
    const std::string released(64, 'a'), other(64, 'b');
    store->release({released, "", "", "", "[]", "", "eng", 1, {}, {}});
    auto at = [](const std::string& port, const std::string& more) {
        return R"("port":")" + port + R"(","slot":3,)" + more;
    };
    store->add(batch(records({
        job("d1", "2024-05-01T06:00:00Z",
            at("COM1", R"("command":"download","verified":true,"jobDigest":")" + released + "\"")),
        job("c1", "2024-05-01T07:00:00Z",
            at("COM1", R"("command":"verify","outcome":"success","jobDigest":")" + released + "\"")),
        job("d2", "2024-05-01T06:00:00Z",
            at("COM2", R"("command":"download","verified":true,"jobDigest":")" + other + "\"")),
        job("c2", "2024-05-01T08:00:00Z",
            at("COM2", R"("command":"verify","outcome":"verify-mismatch","jobDigest":")" + released + "\"")),
    })));
    // An older check shipped late changes nothing.
    store->add(
        batch(records({job("c0", "2024-05-01T05:00:00Z", at("COM2", R"("command":"verify","outcome":"success")"))})));
    const auto boxes = store->boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].verifiedReleased);
    EXPECT_EQ(boxes[0].slot, 3);
    EXPECT_EQ(boxes[0].checkJobId, "c1");
    EXPECT_EQ(boxes[0].checkOutcome, "success");
    EXPECT_FALSE(boxes[1].verifiedReleased);
    EXPECT_EQ(boxes[1].checkJobId, "c2");
    EXPECT_EQ(boxes[1].checkOutcome, "verify-mismatch");
    EXPECT_EQ(boxes[1].checkDigest, released);
    EXPECT_EQ(boxes[1].checkTime, parseIsoTime("2024-05-01T08:00:00Z"));
    store->revoke(released, "eng", 2);
    EXPECT_FALSE(store->boxes()[0].verifiedReleased);
}

TEST_P(StoreContract, SumsUpFailureCausesAndFirstPass)
{
    auto store = open();
    auto j = [](const char* id, const char* time, const char* port, const char* outcome, const char* more = "") {
        return job(id, time,
                   std::string(R"("command":"download","port":")") + port + R"(","outcome":")" + outcome + "\"" + more);
    };
    store->add(batch(records({
        j("1", "2024-05-01T06:00:00Z", "A", "no-answer"), // first attempt, failed
        j("2", "2024-05-01T06:01:00Z", "A", "success"),   // retry
        j("3", "2024-05-01T06:02:00Z", "A", "success"),   // first attempt, passed
        j("4", "2024-05-01T06:00:00Z", "B", "cancelled"), // neither
        j("5", "2024-05-01T06:01:00Z", "B", "success"),   // first attempt, passed
        j("6", "2024-05-01T06:02:00Z", "B", "port-busy", R"(,"portProblem":{"cause":"held by pid 7"})"),
        j("7", "2024-05-01T06:03:00Z", "B", "no-answer"),       // retry, failed
        j("8", "2024-05-01T05:00:00Z", "C", "verify-mismatch"), // before the span
    })));
    const std::int64_t since = *parseIsoTime("2024-05-01T06:00:00Z");
    std::vector<std::tuple<std::string, std::string, std::int64_t>> causes;
    for (const FailureCause& c : store->failureCauses(since, "", 5))
        causes.emplace_back(c.outcome, c.cause, c.jobs);
    EXPECT_EQ(causes,
              (std::vector<std::tuple<std::string, std::string, std::int64_t>>{{"no-answer", "", 2},
                                                                               {"port-busy", "held by pid 7", 1}}));
    EXPECT_EQ(store->failureCauses(since, "", 1).size(), 1u);
    const FirstPass first = store->firstPass(since, "");
    EXPECT_EQ(first.attempts, 4); // jobs 1, 3, 5, 6
    EXPECT_EQ(first.passed, 2);
    EXPECT_EQ(store->firstPass(since, "nobody").attempts, 0);
}

TEST_P(StoreContract, MigratesAVersion1DatabaseForward)
{
    open()->add(batch(records({
        job("d", "2024-05-01T06:00:00Z", R"("port":"COM1","slot":2,"command":"download","outcome":"success")"),
        job("c", "2024-05-01T07:00:00Z", R"("port":"COM1","slot":2,"command":"verify","outcome":"verify-mismatch")"),
    })));
    // Back to what version 1 held, with its jobs and boxes.
    rawSql(url_,
           "DROP TABLE station_status; DROP TABLE releases; DROP INDEX jobs_failed_time;"
           " ALTER TABLE jobs DROP COLUMN cause; ALTER TABLE boxes DROP COLUMN slot;"
           " ALTER TABLE boxes DROP COLUMN check_job_id; ALTER TABLE boxes DROP COLUMN check_time;"
           " ALTER TABLE boxes DROP COLUMN check_outcome; ALTER TABLE boxes DROP COLUMN check_digest;"
           " UPDATE schema_version SET version = 1");
    auto store = open();
    EXPECT_EQ(rawSql(url_, "SELECT version FROM schema_version"), std::to_string(kSchemaVersion));
    const auto boxes = store->boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].slot, 2);
    EXPECT_EQ(boxes[0].checkJobId, "c");
    EXPECT_EQ(boxes[0].checkOutcome, "verify-mismatch");
    EXPECT_TRUE(store->releases().empty());
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreContract, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace plx71::line
