#include "station_command_line.hpp"

#include <QCommandLineParser>

namespace plx71::station {

ParsedArgs parseStationArgs(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption station(QStringLiteral("station"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption record(QStringLiteral("record"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption autoMode(QStringLiteral("auto"));
    const QCommandLineOption line(QStringLiteral("line"), QString(), QStringLiteral("URL"));
    const QCommandLineOption lineToken(QStringLiteral("line-token"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption stationName(QStringLiteral("station-name"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption onlyReleased(QStringLiteral("only-released"));
    parser.addOptions({port, station, record, autoMode, line, lineToken, stationName, onlyReleased});
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
    const auto given = [&parser](const QCommandLineOption& o) {
        return parser.isSet(o) ? std::optional<QString>(parser.value(o)) : std::nullopt;
    };
    args.lineUrl = given(line);
    args.lineTokenFile = given(lineToken);
    args.stationName = given(stationName);
    args.onlyReleased = parser.isSet(onlyReleased);
    args.anyGiven = arguments.size() > 1;
    return {std::move(args), {}};
}

QStringList changesOf(const StationArgs& args)
{
    QStringList changes;
    if (!args.project.isEmpty())
        changes << QStringLiteral("a project");
    if (!args.slotConfigs.empty())
        changes << QStringLiteral("--port");
    if (!args.stationFile.isEmpty())
        changes << QStringLiteral("--station");
    if (!args.recordFile.isEmpty())
        changes << QStringLiteral("--record");
    if (args.autoMode)
        changes << QStringLiteral("--auto");
    const std::pair<bool, const char*> line[] = {{args.lineUrl.has_value(), "--line"},
                                                 {args.lineTokenFile.has_value(), "--line-token"},
                                                 {args.stationName.has_value(), "--station-name"},
                                                 {args.onlyReleased, "--only-released"}};
    for (const auto& [given, option] : line) {
        if (given)
            changes << QString::fromLatin1(option);
    }
    return changes;
}

std::string lockedCommandLineMessage(const QStringList& changes)
{
    QString named = changes.value(0);
    for (qsizetype i = 1; i < changes.size(); ++i)
        named += (i + 1 == changes.size() ? QStringLiteral(" and ") : QStringLiteral(", ")) + changes[i];
    return QStringLiteral("The station is locked: %1 on the command line %2 not used, and nothing was changed. "
                          "Unlock the station in its window to change it.")
        .arg(named, changes.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"))
        .toStdString();
}

} // namespace plx71::station
