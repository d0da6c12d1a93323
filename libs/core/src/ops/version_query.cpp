#include "plx71/ops/version_query.hpp"

#include "link_session.hpp"

namespace plx71 {

void queryFirmwareVersion(Ui& ui, WriterLink& link)
{
    ops_detail::LinkUiScope scope(link, ui);
    if (!connectWriter(link))
        return; // the previous text stays
    cmdReadVersions(link); // empties the texts when it fails
    disconnectWriter(link);
}

} // namespace plx71
