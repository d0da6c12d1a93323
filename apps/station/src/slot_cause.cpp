#include "slot_cause.hpp"

#include "station_slot.hpp"

namespace plx71::station {

namespace {

// "page 0DF1" for a page command, else the command's name.
QString commandText(const BoxOutcome& o)
{
    if (o.failedPage)
        return QStringLiteral("page ") + QStringLiteral("%1").arg(*o.failedPage, 4, 16, QLatin1Char('0')).toUpper();
    return QString::fromStdString(o.failedCommand);
}

QString communicationCause(const BoxOutcome& o)
{
    const QString what = commandText(o);
    if (what.isEmpty())
        return {};
    switch (o.failedReply) {
    case CommandReply::Silent:
        return QStringLiteral("box stopped answering at ") + what;
    case CommandReply::Refused:
        return what + QStringLiteral(" refused by the box");
    case CommandReply::Garbled:
        return QStringLiteral("no good answer to ") + what;
    case CommandReply::Busy:
        return QStringLiteral("box stayed busy at ") + what;
    case CommandReply::None:
        break;
    }
    return QStringLiteral("communication error at ") + what;
}

QString kindCause(const BoxOutcome& o, ProgressPhase phase)
{
    switch (o.kind) {
    case OutcomeClass::Success:
        return {};
    case OutcomeClass::Cancelled:
        return QStringLiteral("cancelled during ") + phaseText(phase);
    case OutcomeClass::PortNotFound:
    case OutcomeClass::PortPermissionDenied:
    case OutcomeClass::PortBusy:
        return o.portProblem.cause.empty() ? QString()
                                           : QStringLiteral("port ") + QString::fromStdString(o.portProblem.cause);
    case OutcomeClass::NoAnswer:
        return QStringLiteral("no answer from the box");
    case OutcomeClass::CommunicationError:
        return communicationCause(o);
    case OutcomeClass::FirmwareVersionDifferent:
        return QStringLiteral("box firmware %1 does not fit").arg(QString::fromStdString(o.firmwareVersion).trimmed());
    case OutcomeClass::SettingsNotLoaded:
        return QStringLiteral("the box holds no settings");
    case OutcomeClass::VerifyMismatch:
        return o.difference.any() ? QStringLiteral("verify: differs at ") + QString::fromStdString(o.difference.where())
                                  : QString();
    case OutcomeClass::OutputNotWritten:
        return QStringLiteral("record line not written: ") + QString::fromStdString(o.filePath);
    case OutcomeClass::FileError:
        break;
    }
    // A refused job's own words: the core makes them from the outcome.
    return QString::fromStdString(failureMessage(o).text).section(QLatin1Char('\n'), 0, 0);
}

} // namespace

QString causeOf(const BoxOutcome& outcome, ProgressPhase phase)
{
    QString cause = kindCause(outcome, phase);
    // What a recovering job went through before it gave up.
    if (!cause.isEmpty() && !outcome.ok() && outcome.kind != OutcomeClass::Cancelled && outcome.restarts > 0)
        cause += outcome.restarts == 1 ? QStringLiteral(" after 1 restart")
                                       : QStringLiteral(" after %1 restarts").arg(outcome.restarts);
    return cause;
}

QString oneLineCause(const QString& text, const QString& detail)
{
    QString line = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    const QString reason = detail.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (!reason.isEmpty())
        line += (line.isEmpty() ? QString() : QStringLiteral(": ")) + reason;
    return line;
}

} // namespace plx71::station
