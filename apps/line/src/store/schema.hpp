#pragma once
// The store's tables, created on first start and migrated by version
// number (the schema_version table) on later starts.
#include "store/sql_session.hpp"

#include <stdexcept>

namespace plx71::line {

// The newest schema this program writes.
inline constexpr int kSchemaVersion = 2;

// The database cannot be used by this program (its schema is newer); it was
// left as it is.
class StoreRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The schema version the database holds now (0: none yet).
int schemaVersion(SqlSession& session);
// Brings the database to kSchemaVersion; throws StoreRefused for a newer
// schema, SqlError when the database fails.
void prepareSchema(SqlSession& session);

} // namespace plx71::line
