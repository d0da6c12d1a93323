#pragma once
// Tests reach a box session's link through here: its port, timing, sleeper
// and version texts. Programs go through BoxSession's own members.
#include "link/box_link.hpp"
#include "plx71/ops/box_session.hpp"

namespace plx71 {

struct BoxSessionAccess {
    static BoxLink& link(BoxSession& session) { return session.link_; }
};

namespace test {

inline BoxLink& linkOf(BoxSession& session)
{
    return BoxSessionAccess::link(session);
}

} // namespace test
} // namespace plx71
