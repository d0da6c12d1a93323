#include "files/descriptor_write.hpp"

#ifndef _WIN32
#include <cerrno>
#include <unistd.h>

namespace plx71 {

bool writeAllTo(int fd, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace plx71
#endif
