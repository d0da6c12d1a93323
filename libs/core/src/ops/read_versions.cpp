#include "plx71/ops/firmware_loader.hpp"

#include "link_session.hpp"

namespace plx71 {

LoaderVersions readVersions(Ui& ui, WriterLink& link, int portIndex, int baudIndex)
{
    ops_detail::LinkUiScope scope(link, ui);
    LoaderVersions result;
    if (!ops_detail::connectAtUserRate(link, portIndex, baudIndex))
        return result;
    if (!cmdReadVersions(link)) {
        // The box was moved to the user's rate: it goes back to 9600 before
        // the port closes, or the next connect would find it deaf.
        ops_detail::returnToRestingRate(link);
        return result;
    }
    const std::string firm = link.firmwareVersion;
    const std::string boot = link.bootVersion;
    if (!ops_detail::returnToRestingRate(link))
        return result;
    result.ok = true;
    result.firmVersionText = firm;
    result.bootVersionText = boot;
    return result;
}

} // namespace plx71
