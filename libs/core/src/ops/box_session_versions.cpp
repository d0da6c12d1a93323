#include "plx71/ops/box_session.hpp"

#include "load_worker.hpp"
#include "recovery.hpp"
#include "session_run.hpp"

#include <optional>

namespace plx71 {
namespace {

// Both versions into the outcome; false, with nothing taken, when the box
// does not answer.
bool takeVersions(ops_detail::SessionRun& run, BoxLink& link)
{
    if (!cmdReadVersions(link))
        return false;
    run.outcome().bootVersion = link.bootVersion;
    run.outcome().firmwareVersion = link.firmwareVersion;
    return true;
}

// The loader's steps after the connect: into the loader, the rate switch,
// the firmware pages under their progress display, the versions of the new
// firmware.
void loadSteps(ops_detail::SessionRun& run, const FirmwareImage& image, const std::string& firmwarePath, LinkRate rate)
{
    BoxLink& link = run.link();
    // The box leaves for its loader only after both commands; it needs the
    // prepare wait before it listens at another rate.
    run.phase(ProgressPhase::LoaderPrepare);
    bool ready = cmdLoadEnter(link) && cmdLoadPrepare(link);
    if (ready) {
        linkSleep(link, link.timing.loaderPrepareWait);
        ready = run.switchRate(rate);
        run.outcome().linkRate = ready ? link.currentRate : 0;
    }
    if (!ready) {
        run.linkFailed();
        return;
    }

    run.phase(ProgressPhase::FirmwarePages);
    ProgressCounters counters;
    LoadWork work;
    const TransferView view{TransferKind::FirmwareLoad, std::string(kLoadingTitle), firmwarePath};
    const bool loaded =
        run.transfer(view, counters, loadProgressTotal(image), [&] { work = loadWorker(link, image, counters); });
    run.outcome().pagesWritten = work.pagesWritten;

    if (!loaded) {
        if (!work.commandFailed)
            run.fail(OutcomeClass::Cancelled);
        else
            run.communicationFailed();
    } else if (!takeVersions(run, link)) {
        run.linkFailed();
    } else {
        run.outcome().notReadBack = true;
    }
}

} // namespace

BoxOutcome BoxSession::readVersions(const BoxTarget& target)
{
    ops_detail::SessionRun run(ui_, link_, target.port, nullptr);
    // The box was moved to the user's rate: the end brings it back to 9600
    // before the port closes, or the next connect would find it deaf.
    if (run.connectAtRate(target.rate) && !takeVersions(run, link_))
        run.linkFailed();
    return run.finish();
}

BoxOutcome BoxSession::queryFirmwareVersion(const PortChoice& port)
{
    ops_detail::SessionRun run(ui_, link_, port, nullptr);
    // A port that cannot be opened leaves the previous text.
    if (run.connect() && !takeVersions(run, link_)) {
        link_.firmwareVersion.clear();
        run.linkFailed();
    }
    return run.finish();
}

BoxOutcome BoxSession::loadFirmware(const BoxTarget& target, const FirmwareImage& image,
                                    const std::string& firmwarePath, ProgressSink& sink)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    // Recovering, the loader's frames only get more attempts: a box half-way
    // into its loader is not one to resync.
    std::optional<ops_detail::Recovery> recovery;
    if (run.connect()) {
        recovery.emplace(run, recovery_, target.rate);
        loadSteps(run, image, firmwarePath, target.rate);
    }
    return run.finish();
}

} // namespace plx71
