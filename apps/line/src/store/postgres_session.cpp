// A SqlSession on one libpq connection. A connection the server dropped
// (PostgreSQL restarted) reports connectionLost; the store resets it.
#include "store/postgres_store.hpp"
#include "store/sql_job_store.hpp"

#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <regex>

namespace plx71::line {

namespace {

constexpr SqlDialect kPostgres{"postgresql", "BIGSERIAL PRIMARY KEY", "JSON"};
// Any number of ours, held while the schema is created or migrated.
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(717100071)";

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// "?" -> "$1", "$2", ...; text in single quotes is left alone.
std::string numbered(std::string_view sql)
{
    std::string out;
    bool quoted = false;
    int n = 0;
    for (char c : sql) {
        if (c == '\'')
            quoted = !quoted;
        if (c == '?' && !quoted)
            out += "$" + std::to_string(++n);
        else
            out += c;
    }
    return out;
}

void quiet(void*, const char*) {}

class PostgresSession : public SqlSession {
public:
    explicit PostgresSession(std::string conninfo) : conninfo_(std::move(conninfo)) { open(); }
    ~PostgresSession() override { PQfinish(conn_); }

    const SqlDialect& dialect() const override { return kPostgres; }
    void beginWrite() override { execute("BEGIN"); }
    void beginSchemaChange() override
    {
        execute("BEGIN");
        query(kSchemaLock);
    }
    void begin() override { execute("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); }
    void commit() override { execute("COMMIT"); }
    void rollback() noexcept override
    {
        if (PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE)
            PQclear(PQexec(conn_, "ROLLBACK"));
    }
    bool hasTable(const std::string& name) override
    {
        const SqlRows rows = query("SELECT to_regclass(?)::text", {name});
        return !rows.empty() && rows[0][0].has_value();
    }
    SqlRows doQuery(std::string_view sql, const std::vector<SqlValue>& params) override;
    std::int64_t doExecute(std::string_view sql, const std::vector<SqlValue>& params) override
    {
        const Result res = run(sql, params);
        return std::atoll(PQcmdTuples(res.get()));
    }
    void reset() override
    {
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw SqlError("postgresql: cannot connect again: " + lastError(), true);
    }

private:
    void open();
    std::string lastError() const;
    Result run(std::string_view sql, const std::vector<SqlValue>& params);

    std::string conninfo_;
    PGconn* conn_ = nullptr;
};

std::string PostgresSession::lastError() const
{
    std::string text = PQerrorMessage(conn_);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

void PostgresSession::open()
{
    // Ours first: what the connection text names wins.
    const char* keys[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {"5", "plx71line", conninfo_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string why = lastError();
        PQfinish(conn_);
        conn_ = nullptr;
        throw SqlError("postgresql: cannot connect: " + why, true);
    }
    PQsetNoticeProcessor(conn_, quiet, nullptr);
}

Result PostgresSession::run(std::string_view sql, const std::vector<SqlValue>& params)
{
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (const auto* n = std::get_if<std::int64_t>(&params[i]))
            texts[i] = std::to_string(*n), values[i] = texts[i].c_str();
        else if (const auto* s = std::get_if<std::string>(&params[i]))
            values[i] = s->c_str();
    }
    const std::string text = numbered(sql);
    Result res(PQexecParams(conn_, text.c_str(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0),
               &PQclear);
    const ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return res;
    const char* state = res ? PQresultErrorField(res.get(), PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    throw SqlError("postgresql: " + lastError(), PQstatus(conn_) != CONNECTION_OK, code == "40001" || code == "40P01");
}

SqlRows PostgresSession::doQuery(std::string_view sql, const std::vector<SqlValue>& params)
{
    const Result res = run(sql, params);
    SqlRows rows;
    const int columns = PQnfields(res.get());
    for (int r = 0, n = PQntuples(res.get()); r < n; ++r) {
        SqlRow row;
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(res.get(), r, c))
                row.emplace_back(std::nullopt);
            else
                row.emplace_back(std::string(PQgetvalue(res.get(), r, c), std::size_t(PQgetlength(res.get(), r, c))));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::string withoutPassword(const std::string& conninfo)
{
    static const std::regex inUrl(R"(^(postgres(?:ql)?://[^:/@?]*):[^@/?]*@)");
    static const std::regex inKeywords(R"(password\s*=\s*('([^'\\]|\\.)*'|\S+))");
    std::string out = std::regex_replace(conninfo, inUrl, "$1:***@");
    return std::regex_replace(out, inKeywords, "password=***");
}

std::unique_ptr<JobStore> openPostgresStore(const std::string& conninfo)
{
    return std::make_unique<SqlJobStore>([conninfo] { return std::make_unique<PostgresSession>(conninfo); },
                                         conninfo.empty() ? "postgresql (PG* variables)" : withoutPassword(conninfo));
}

} // namespace plx71::line
