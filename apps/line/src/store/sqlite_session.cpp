// A SqlSession on one SQLite connection.
#include "store/sql_job_store.hpp"
#include "store/sqlite_store.hpp"

#include <sqlite3.h>

#include <string_view>
#include <unordered_map>

namespace plx71::line {

namespace {

constexpr SqlDialect kSqlite{"sqlite", "INTEGER PRIMARY KEY", "TEXT"};
// How long a writer waits for another connection's transaction.
constexpr int kBusyTimeoutMs = 10000;

class SqliteSession : public SqlSession {
public:
    explicit SqliteSession(std::string path) : path_(std::move(path)) { open(); }
    ~SqliteSession() override { close(); }

    const SqlDialect& dialect() const override { return kSqlite; }
    void beginWrite() override { execute("BEGIN IMMEDIATE"); }
    void beginSchemaChange() override { execute("BEGIN IMMEDIATE"); }
    void begin() override { execute("BEGIN"); }
    void commit() override { execute("COMMIT"); }
    void rollback() noexcept override
    {
        // After a full disk SQLite may have ended the transaction itself.
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool hasTable(const std::string& name) override
    {
        return !query("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", {name}).empty();
    }
    SqlRows doQuery(std::string_view sql, const std::vector<SqlValue>& params) override;
    std::int64_t doExecute(std::string_view sql, const std::vector<SqlValue>& params) override
    {
        query(sql, params);
        return sqlite3_changes64(db_);
    }
    void reset() override
    {
        close();
        open();
    }

private:
    void open();
    void close() noexcept;
    [[noreturn]] void fail(const char* what) const
    {
        throw SqlError(std::string("sqlite ") + path_ + ": " + what + ": " + sqlite3_errmsg(db_));
    }
    sqlite3_stmt* prepared(std::string_view sql);
    void bind(sqlite3_stmt* st, const std::vector<SqlValue>& params);

    std::string path_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

void SqliteSession::open()
{
    const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        close();
        throw SqlError("sqlite " + path_ + ": cannot open: " + why);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
    // A file opened read-only keeps its journal mode; writes then fail (503).
    sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
}

void SqliteSession::close() noexcept
{
    for (auto& [sql, st] : statements_)
        sqlite3_finalize(st);
    statements_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3_stmt* SqliteSession::prepared(std::string_view sql)
{
    const std::string key(sql);
    if (auto it = statements_.find(key); it != statements_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, key.c_str(), int(key.size()), &st, nullptr) != SQLITE_OK)
        fail("cannot prepare a statement");
    statements_.emplace(key, st);
    return st;
}

void SqliteSession::bind(sqlite3_stmt* st, const std::vector<SqlValue>& params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int index = int(i) + 1;
        int rc = SQLITE_OK;
        if (const auto* n = std::get_if<std::int64_t>(&params[i]))
            rc = sqlite3_bind_int64(st, index, *n);
        else if (const auto* s = std::get_if<std::string>(&params[i]))
            rc = sqlite3_bind_text64(st, index, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        else
            rc = sqlite3_bind_null(st, index);
        if (rc != SQLITE_OK)
            fail("cannot bind a value");
    }
}

SqlRows SqliteSession::doQuery(std::string_view sql, const std::vector<SqlValue>& params)
{
    sqlite3_stmt* st = prepared(sql);
    bind(st, params);
    SqlRows rows;
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            const std::string why = sqlite3_errmsg(db_);
            sqlite3_reset(st);
            throw SqlError("sqlite " + path_ + ": " + why);
        }
        SqlRow row;
        for (int c = 0, n = sqlite3_column_count(st); c < n; ++c) {
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            if (value)
                row.emplace_back(std::string(value, std::size_t(sqlite3_column_bytes(st, c))));
            else
                row.emplace_back(std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    sqlite3_reset(st);
    return rows;
}

} // namespace

std::unique_ptr<JobStore> openSqliteStore(const std::string& path)
{
    return std::make_unique<SqlJobStore>([path] { return std::make_unique<SqliteSession>(path); }, "sqlite:" + path);
}

} // namespace plx71::line
