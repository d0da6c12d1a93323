#pragma once
// A full disk without a full disk: while one of these lives, this process
// cannot write a file beyond `bytes` (the write fails with EFBIG, the signal
// that would end the process is ignored). Needs no privilege.
#include <csignal>
#include <cstddef>
#include <sys/resource.h>

namespace plx71::testing {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lowered = old_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

} // namespace plx71::testing
