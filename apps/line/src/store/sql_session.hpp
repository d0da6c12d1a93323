#pragma once
// One connection to a SQL database, as the shared store queries use it.
// SQL is written with `?` placeholders; a session of a database that
// numbers them ($1, $2, ...) rewrites them. Values go only through bound
// parameters, never into the SQL text.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace plx71::line {

using SqlValue = std::variant<std::monostate, std::int64_t, std::string>;
// Every column as text (NULL: nullopt).
using SqlRow = std::vector<std::optional<std::string>>;
using SqlRows = std::vector<SqlRow>;

// A statement failed. `connectionLost`: the session is broken and must be
// reset before its next use; `retry`: the database asks to run the whole
// transaction again (a deadlock or serialization failure).
class SqlError : public std::runtime_error {
public:
    SqlError(const std::string& what, bool connectionLost = false, bool retry = false)
        : std::runtime_error(what), connectionLost(connectionLost), retry(retry)
    {}
    bool connectionLost;
    bool retry;
};

// What differs between the databases in the schema's own text.
struct SqlDialect {
    std::string_view name;       // "sqlite", "postgresql"
    std::string_view serialKey;  // an auto-numbered primary key column
    std::string_view recordType; // the column holding a record's text
};

class SqlSession {
public:
    virtual ~SqlSession() = default;

    virtual const SqlDialect& dialect() const = 0;
    // A transaction that writes; the schema one also holds the lock that
    // keeps two servers from creating or migrating the schema at once.
    virtual void beginWrite() = 0;
    virtual void beginSchemaChange() = 0;
    virtual void begin() = 0; // reading only
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool hasTable(const std::string& name) = 0;
    SqlRows query(std::string_view sql, const std::vector<SqlValue>& params = {}) { return doQuery(sql, params); }
    // Returns the number of rows changed.
    std::int64_t execute(std::string_view sql, const std::vector<SqlValue>& params = {})
    {
        return doExecute(sql, params);
    }
    // Makes a broken connection new (throws SqlError when it cannot).
    virtual void reset() = 0;

private:
    virtual SqlRows doQuery(std::string_view sql, const std::vector<SqlValue>& params) = 0;
    virtual std::int64_t doExecute(std::string_view sql, const std::vector<SqlValue>& params) = 0;
};

} // namespace plx71::line
