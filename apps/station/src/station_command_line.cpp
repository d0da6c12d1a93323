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

} // namespace plx71::station
