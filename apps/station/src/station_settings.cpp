#include "station_settings.hpp"

#include "plx71/production_record/record_file.hpp"

namespace plx71::station {

QString StationSettings::stationNameOrHost() const
{
    const QString name = stationName.trimmed();
    return name.isEmpty() ? QString::fromStdString(hostName()) : name;
}

StationSettings StationSettings::load(QSettings& store)
{
    const StationSettings d;
    StationSettings s;
    s.readBack = store.value(QStringLiteral("readBack"), d.readBack).toBool();
    s.skipBlank = store.value(QStringLiteral("skipBlank"), d.skipBlank).toBool();
    s.recover = store.value(QStringLiteral("recover"), d.recover).toBool();
    s.beep = store.value(QStringLiteral("beep"), d.beep).toBool();
    s.lineUrl = store.value(QStringLiteral("lineUrl")).toString();
    s.lineTokenFile = store.value(QStringLiteral("lineTokenFile")).toString();
    s.stationName = store.value(QStringLiteral("stationName")).toString();
    s.onlyReleased = store.value(QStringLiteral("onlyReleased"), d.onlyReleased).toBool();
    return s;
}

void StationSettings::save(QSettings& store) const
{
    store.setValue(QStringLiteral("readBack"), readBack);
    store.setValue(QStringLiteral("skipBlank"), skipBlank);
    store.setValue(QStringLiteral("recover"), recover);
    store.setValue(QStringLiteral("beep"), beep);
    store.setValue(QStringLiteral("lineUrl"), lineUrl);
    store.setValue(QStringLiteral("lineTokenFile"), lineTokenFile);
    store.setValue(QStringLiteral("stationName"), stationName);
    store.setValue(QStringLiteral("onlyReleased"), onlyReleased);
}

} // namespace plx71::station
