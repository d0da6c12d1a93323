#pragma once
// One transaction of the store on a pooled session, with the retries a
// database server asks for.
#include "store/job_store.hpp"
#include "store/session_pool.hpp"

namespace plx71::line {

// Runs work(session) in one transaction and returns its result. A lost
// connection (the database server restarted) is made new and the work run
// once more; a deadlock between two servers' batches is run again up to
// three times; any other failure is StoreUnavailable, nothing written.
template <class Work>
auto inTransaction(SessionPool& pool, bool write, Work&& work)
{
    std::optional<SessionPool::Lease> lease;
    try {
        lease.emplace(pool.acquire());
    } catch (const SqlError& e) {
        throw StoreUnavailable(e.what());
    }
    SqlSession& session = **lease;
    for (int attempt = 0;; ++attempt) {
        try {
            write ? session.beginWrite() : session.begin();
            auto result = work(session);
            session.commit();
            return result;
        } catch (const SqlError& e) {
            session.rollback();
            if (e.connectionLost && attempt == 0) {
                try {
                    session.reset();
                } catch (const SqlError& again) {
                    throw StoreUnavailable(again.what());
                }
                continue;
            }
            if (e.retry && attempt < 3)
                continue;
            throw StoreUnavailable(e.what());
        } catch (...) {
            session.rollback(); // a bad query: nothing of it stays open
            throw;
        }
    }
}

} // namespace plx71::line
