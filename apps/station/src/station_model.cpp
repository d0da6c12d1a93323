#include "station_model.hpp"

#include "plx71/port/port_names.hpp"
#include "plx71/production_record/job_record.hpp"
#include "plx71/text/json_writer.hpp"

#include <QCommandLineParser>

#include <set>

namespace plx71::station {

QString stateWord(SlotState state)
{
    switch (state) {
    case SlotState::Idle:
        return QStringLiteral("Idle");
    case SlotState::Running:
        return QStringLiteral("Running");
    case SlotState::Verified:
        return QStringLiteral("Verified");
    case SlotState::Failed:
        return QStringLiteral("Failed");
    case SlotState::Cancelled:
        return QStringLiteral("Cancelled");
    case SlotState::NoBox:
        return QStringLiteral("No box");
    }
    return {};
}

SlotState stateAfter(const BoxOutcome& outcome)
{
    if (outcome.kind == OutcomeClass::PortNotFound)
        return SlotState::NoBox;
    if (outcome.kind == OutcomeClass::Cancelled)
        return SlotState::Cancelled;
    return outcome.ok() ? SlotState::Verified : SlotState::Failed;
}

ParsedArgs parseStationArgs(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption station(QStringLiteral("station"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption record(QStringLiteral("record"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption autoMode(QStringLiteral("auto"));
    parser.addOptions({port, station, record, autoMode});
    parser.addPositionalArgument(QStringLiteral("PROJECT"), QString());
    const QString usage =
        QStringLiteral("usage: Plx71Station [PROJECT.pxp] [--port PORT]... [--station FILE] [--record FILE] [--auto]");
    if (!parser.parse(arguments))
        return {std::nullopt, parser.errorText() + QLatin1Char('\n') + usage};
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return {std::nullopt, QStringLiteral("only one project can be given") + QLatin1Char('\n') + usage};
    StationArgs args;
    args.project = positional.value(0);
    for (const QString& spec : parser.values(port)) {
        if (spec.trimmed().isEmpty())
            return {std::nullopt, QStringLiteral("--port needs a port") + QLatin1Char('\n') + usage};
        args.slotConfigs.push_back({spec, QString()});
    }
    args.stationFile = parser.value(station);
    args.recordFile = parser.value(record);
    args.autoMode = parser.isSet(autoMode);
    args.anyGiven = arguments.size() > 1;
    return {std::move(args), {}};
}

std::vector<SlotConfig> slotsOfStation(const StationFile& station)
{
    std::vector<SlotConfig> found;
    for (const StationPort& p : station.ports)
        found.push_back({QString::fromStdString(p.target), QString::fromStdString(p.name)});
    for (int i = 0; i < kComPortCount; ++i) {
        if (!station.comTargets[std::size_t(i)].empty())
            found.push_back(
                {QString::fromStdString(station.comTargets[std::size_t(i)]), QString::fromStdString(comPortName(i))});
    }
    return found;
}

namespace {

std::string portNameOf(const QString& label, std::size_t index)
{
    std::string name;
    for (const QChar c : label) {
        const bool word = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u'_' || c == u'.';
        name += word ? char(c.unicode()) : '_';
    }
    if (name.empty() || !((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z'))
        || comPortIndexFromName(name))
        name = "slot" + std::to_string(index + 1) + (name.empty() ? "" : "_" + name);
    return name.substr(0, 64);
}

} // namespace

std::string stationFileText(const std::vector<SlotConfig>& configs)
{
    std::string text = "# Plx71Station slots, one a line, in slot order\n";
    std::set<std::string> used;
    for (std::size_t i = 0; i < configs.size(); ++i) {
        std::string name = portNameOf(configs[i].label, i);
        while (!used.insert(name).second)
            name += "_" + std::to_string(i + 1);
        // A COM name is no target of its own: the device it maps to now is.
        const std::string spec = configs[i].spec.toStdString();
        const auto com = comPortIndexFromName(spec);
        text += "port " + name + " = " + (com ? portDeviceName(*com) : spec) + "\n";
    }
    return text;
}

std::string slotRecordLine(const std::string& recordLine, int slotNumber, const QString& label)
{
    const auto brace = recordLine.rfind('}');
    if (brace == std::string::npos)
        return recordLine;
    return recordLine.substr(0, brace) + ",\"slot\":" + std::to_string(slotNumber)
        + ",\"label\":" + jsonString(label.toStdString()) + "}\n";
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
