#include "store/session_pool.hpp"

namespace plx71::line {

SessionPool::Lease::~Lease()
{
    if (!session_)
        return;
    std::lock_guard lock(pool_->mutex_);
    pool_->idle_.push_back(std::move(session_));
}

SessionPool::Lease SessionPool::acquire()
{
    {
        std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            auto session = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(session));
        }
    }
    return Lease(*this, connect_());
}

} // namespace plx71::line
