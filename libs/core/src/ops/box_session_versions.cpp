#include "plx71/ops/box_session.hpp"

#include "load_worker.hpp"
#include "recovery.hpp"
#include "session_run.hpp"

namespace plx71 {
namespace {

// Both versions into the outcome; false, with nothing taken, when the box
// does not answer.
bool takeVersions(ops_detail::SessionRun& run, WriterLink& link)
{
    if (!cmdReadVersions(link))
        return false;
    run.outcome().bootVersion = link.bootVersion;
    run.outcome().firmwareVersion = link.firmwareVersion;
    return true;
}

} // namespace

BoxOutcome BoxSession::readVersions(const BoxTarget& target)
{
    ops_detail::SessionRun run(ui_, link_, target.port, nullptr);
    if (!run.connectAtRate(target.rate))
        return run.finish();
    if (!takeVersions(run, link_))
        run.communicationFailed();
    // The box was moved to the user's rate: it goes back to 9600 before the
    // port closes, or the next connect would find it deaf.
    run.rest();
    return run.finish();
}

BoxOutcome BoxSession::queryFirmwareVersion(const PortChoice& port)
{
    ops_detail::SessionRun run(ui_, link_, port, nullptr);
    if (!run.connect())
        return run.finish(); // the previous text stays
    if (!takeVersions(run, link_)) {
        link_.firmwareVersion.clear();
        run.communicationFailed();
    }
    run.rest();
    return run.finish();
}

BoxOutcome BoxSession::loadFirmware(const BoxTarget& target, const FirmwareImage& image,
                                    const std::string& firmwarePath, ProgressSink& sink)
{
    ops_detail::SessionRun run(ui_, link_, target.port, &sink);
    if (!run.connect())
        return run.finish();
    // Recovering, the loader's frames only get more attempts: a box half-way
    // into its loader is not one to resync.
    ops_detail::Recovery recovery(link_, recovery_, run.outcome(), target.rate);

    // The box leaves for its loader only after both commands; it needs the
    // prepare wait before it listens at another rate.
    run.phase(ProgressPhase::LoaderPrepare);
    bool ready = cmdLoadEnter(link_) && cmdLoadPrepare(link_);
    if (ready) {
        linkSleep(link_, link_.timing.loaderPrepareWait);
        ready = run.switchRate(target.rate);
        run.outcome().linkRate = ready ? link_.currentRate : 0;
    }
    if (!ready) {
        run.communicationFailed();
        run.rest();
        recovery.reportFailure();
        return run.finish();
    }

    run.phase(ProgressPhase::FirmwarePages);
    ProgressCounters counters;
    counters.start(loadProgressTotal(image));
    LoadWork work;
    const TransferView view{TransferKind::FirmwareLoad, std::string(kLoadingTitle), firmwarePath};
    const bool loaded = sink.runTransfer(view, counters, [&] { work = loadWorker(link_, image, counters); });
    run.outcome().pagesWritten = work.pagesWritten;

    if (!loaded) {
        if (!work.commandFailed)
            run.fail(OutcomeClass::Cancelled);
        else
            run.communicationFailed();
    } else if (!takeVersions(run, link_)) {
        run.communicationFailed();
    } else {
        run.outcome().notReadBack = true;
    }
    run.rest();
    recovery.reportFailure();
    return run.finish();
}

} // namespace plx71
