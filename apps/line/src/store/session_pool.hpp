#pragma once
// The store's connections: one per request being served at once, made when
// first needed and kept for the next request.
#include "store/sql_session.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace plx71::line {

class SessionPool {
public:
    using Connect = std::function<std::unique_ptr<SqlSession>()>;

    // A session lent to one caller; back to the pool when it ends.
    class Lease {
    public:
        Lease(SessionPool& pool, std::unique_ptr<SqlSession> session) : pool_(&pool), session_(std::move(session)) {}
        Lease(Lease&&) = default;
        ~Lease();
        SqlSession& operator*() const { return *session_; }
        SqlSession* operator->() const { return session_.get(); }

    private:
        SessionPool* pool_;
        std::unique_ptr<SqlSession> session_;
    };

    explicit SessionPool(Connect connect) : connect_(std::move(connect)) {}
    // Throws SqlError when no new connection can be made.
    Lease acquire();

private:
    Connect connect_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<SqlSession>> idle_;
};

} // namespace plx71::line
