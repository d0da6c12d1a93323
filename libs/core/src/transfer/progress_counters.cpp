#include "plx71/transfer/progress_counters.hpp"

#include <algorithm>

namespace plx71 {

void ProgressCounters::start(std::int32_t total)
{
    done_.store(0);
    total_.store(total);
}

void ProgressCounters::advance(std::int32_t n)
{
    // Compare-and-exchange: an abort mark stored between our load and our
    // store makes the exchange fail, and the next round sees the mark. A
    // plain fetch_add could push a mark further, or a load+store overwrite it.
    std::int32_t current = done_.load();
    for (;;) {
        const std::int64_t mark = std::int64_t(total_.load()) + kAbortMargin;
        if (current >= mark)
            return;
        // Progress alone never reaches the mark: only abort() sets it.
        const std::int64_t next = std::min<std::int64_t>(std::int64_t(current) + n, mark - 1);
        if (done_.compare_exchange_weak(current, std::int32_t(next)))
            return;
    }
}

void ProgressCounters::abort()
{
    done_.store(total_.load() + kAbortMargin);
}

} // namespace plx71
