#include "plx71/ops/version_query.hpp"

#include "link_session.hpp"

namespace plx71 {

void queryFirmwareVersion(Ui& ui, WriterLink& link)
{
    ops_detail::LinkUiScope scope(link, ui);
    if (!connectWriter(link))
        return; // the previous text stays
    if (!cmdReadVersions(link))
        link.firmwareVersion.clear();
    disconnectWriter(link);
}

} // namespace plx71
