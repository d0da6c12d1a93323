#include "station_file_slots.hpp"

#include "plx71/port/port_names.hpp"

#include <set>

namespace plx71::station {

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

} // namespace plx71::station
