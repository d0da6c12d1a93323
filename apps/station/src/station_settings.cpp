#include "station_settings.hpp"

namespace plx71::station {

StationSettings StationSettings::load(QSettings& store)
{
    const StationSettings d;
    StationSettings s;
    s.readBack = store.value(QStringLiteral("readBack"), d.readBack).toBool();
    s.skipBlank = store.value(QStringLiteral("skipBlank"), d.skipBlank).toBool();
    s.recover = store.value(QStringLiteral("recover"), d.recover).toBool();
    s.beep = store.value(QStringLiteral("beep"), d.beep).toBool();
    return s;
}

void StationSettings::save(QSettings& store) const
{
    store.setValue(QStringLiteral("readBack"), readBack);
    store.setValue(QStringLiteral("skipBlank"), skipBlank);
    store.setValue(QStringLiteral("recover"), recover);
    store.setValue(QStringLiteral("beep"), beep);
}

} // namespace plx71::station
