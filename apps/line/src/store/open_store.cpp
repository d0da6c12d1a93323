#include "store/open_store.hpp"

#include "store/sqlite_store.hpp"
#ifdef PLX71_LINE_HAVE_POSTGRES
#include "store/postgres_store.hpp"
#endif

#include <stdexcept>

namespace plx71::line {

bool havePostgres()
{
#ifdef PLX71_LINE_HAVE_POSTGRES
    return true;
#else
    return false;
#endif
}

std::unique_ptr<JobStore> openStore(const std::string& url)
{
    auto startsWith = [&](std::string_view prefix) { return url.compare(0, prefix.size(), prefix) == 0; };
    if (startsWith("sqlite:")) {
        const std::string path = url.substr(7);
        if (path.empty())
            throw std::invalid_argument("sqlite: names no file (sqlite:PATH)");
        return openSqliteStore(path);
    }
    const bool uri = startsWith("postgresql://") || startsWith("postgres://");
    if (uri || startsWith("postgresql:")) {
#ifdef PLX71_LINE_HAVE_POSTGRES
        return openPostgresStore(uri ? url : url.substr(11));
#else
        throw std::invalid_argument("this plx71line was built without PostgreSQL: use sqlite:PATH");
#endif
    }
    throw std::invalid_argument("unknown database \"" + url
                                + "\": use sqlite:PATH or postgresql://USER@HOST[:PORT]/DB");
}

} // namespace plx71::line
