#include "plx71/ops/box_session.hpp"

#include "load_worker.hpp"
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

// A firmware download up to the way back to 9600 bit/s.
void loadSteps(ops_detail::SessionRun& run, const FirmwareImage& image, const std::string& firmwarePath,
               int hostBaudIndex)
{
    if (!run.connect())
        return;
    WriterLink& link = run.link();
    // The box leaves for its loader only after both commands; it needs the
    // prepare wait before it listens at another rate.
    run.phase(ProgressPhase::LoaderPrepare);
    bool ready = cmdLoadEnter(link) && cmdLoadPrepare(link);
    if (ready) {
        linkSleep(link, link.timing.loaderPrepareWait);
        ready = run.switchRate(hostBaudIndex);
    }
    if (!ready) {
        run.communicationFailed();
        return;
    }

    run.phase(ProgressPhase::FirmwarePages);
    LoadWork work;
    const TransferView view{TransferKind::FirmwareLoad, std::string(kLoadingTitle), firmwarePath};
    const bool loaded = run.transfer(view, loadProgressTotal(image),
                                     [&](ProgressCounters& counters) { work = loadWorker(link, image, counters); });
    run.outcome().pagesWritten = work.pagesWritten;

    if (!loaded) {
        if (!work.commandFailed)
            run.fail(OutcomeClass::Cancelled);
        else
            run.communicationFailed();
    } else if (!takeVersions(run, link)) {
        run.communicationFailed();
    } else {
        run.outcome().notReadBack = true;
    }
}

} // namespace

BoxOutcome BoxSession::readVersions()
{
    ops_detail::SessionRun run(ui_, link_, port_, nullptr);
    if (run.connectAtRate(hostBaudIndex_) && !takeVersions(run, link_))
        run.communicationFailed();
    // The box was moved to the user's rate: it goes back to 9600 before the
    // port closes (finish), or the next connect would find it deaf.
    return run.finish();
}

BoxOutcome BoxSession::queryFirmwareVersion()
{
    ops_detail::SessionRun run(ui_, link_, port_, nullptr);
    // A port that cannot be opened leaves the previous text.
    if (run.connect() && !takeVersions(run, link_)) {
        link_.firmwareVersion.clear();
        run.communicationFailed();
    }
    return run.finish();
}

BoxOutcome BoxSession::loadFirmware(const FirmwareImage& image, const std::string& firmwarePath, ProgressSink& sink)
{
    ops_detail::SessionRun run(ui_, link_, port_, &sink);
    loadSteps(run, image, firmwarePath, hostBaudIndex_);
    return run.finish();
}

} // namespace plx71
