// The station's slots: adding and removing them, and where their ports are.
#include "station.hpp"

#include "plx71/ops/gang_runner.hpp"
#include "plx71/port/port_catalog.hpp"
#include "plx71/port/port_resolver.hpp"

namespace plx71::station {

PortCatalog& Station::catalog()
{
    if (!catalog_ || catalogAge_.elapsed() > 200) {
        catalog_ = std::make_unique<PortCatalog>(systemRoot());
        catalogAge_.start();
    }
    return *catalog_;
}

std::vector<SerialDevice> Station::portsNow()
{
    catalog_.reset();
    return catalog().devices();
}

std::optional<PortChoice> Station::resolveSlot(const SlotConfig& config, QString* problem, bool* notFound)
{
    PortResolver resolver(catalog(), userStation_);
    PortResolution r = resolver.resolve(config.spec.toStdString());
    if (!r.port) {
        if (problem)
            *problem = QString::fromStdString(r.message);
        if (notFound)
            *notFound = r.error == PortResolveError::NotFound;
        return std::nullopt;
    }
    r.port->given = config.spec.toStdString();
    return r.port;
}

bool Station::present(const PortChoice& port)
{
    if (!catalog().describe(port.deviceName()).canonical.empty())
        return true;
#ifdef _WIN32
    // Without the system's serial-port map nothing can be told: try the port.
    return catalog().devices().empty();
#else
    return false;
#endif
}

// Never two slots on one device.
bool Station::duplicateOfSlot(const SlotConfig& config, const PortChoice& port)
{
    std::vector<PortChoice> ports{port};
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const auto other = resolveSlot(slots_[i]->config);
        if (!other)
            continue;
        ports.push_back(*other);
        if (duplicatePorts(ports)) {
            ui_.message(Icon::Stop,
                        QStringLiteral("%1 and slot %2 (%3) are the same device (%4); the slot is "
                                       "not added. Give each slot its own port.")
                            .arg(config.spec)
                            .arg(i + 1)
                            .arg(slots_[i]->config.spec, QString::fromStdString(port.deviceName()))
                            .toStdString());
            return true;
        }
        ports.pop_back();
    }
    return false;
}

bool Station::addSlot(const SlotConfig& config)
{
    if (!editable())
        return false;
    QString problem;
    bool notFound = false;
    const auto port = resolveSlot(config, &problem, &notFound);
    // A port that is not there now is a slot all the same: its box may come.
    if (!port && !notFound) {
        ui_.message(Icon::Stop, "Slot " + config.spec.toStdString() + " cannot be added: " + problem.toStdString());
        return false;
    }
    if (port && duplicateOfSlot(config, *port))
        return false;
    auto slot = std::make_unique<StationSlot>();
    slot->config = config;
    slot->portIdentity = config.spec;
    if (port && port->recordName() != config.spec.toStdString())
        slot->portIdentity += QStringLiteral("\n") + QString::fromStdString(port->recordName());
    StationSlot* raw = slot.get();
    raw->runner->onProgress = [this, raw](const SlotProgress& progress) { onSlotProgress(*raw, progress); };
    raw->runner->onEnded = [this, raw](const SlotEnd& end) { onSlotEnded(*raw, end); };
    raw->present = port && present(*port);
    raw->state = raw->present ? SlotState::Idle : SlotState::NoBox;
    slots_.push_back(std::move(slot));
    emit slotsChanged();
    return true;
}

void Station::removeSlot(int index)
{
    if (!editable() || index < 0 || index >= slotCount() || slots_[std::size_t(index)]->running())
        return;
    slots_.erase(slots_.begin() + index);
    emit slotsChanged();
}

void Station::setSlotLabel(int index, const QString& label)
{
    if (!editable() || index < 0 || index >= slotCount())
        return;
    slots_[std::size_t(index)]->config.label = label;
    emit slotChanged(index);
}

int Station::indexOf(const StationSlot& slot) const
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].get() == &slot)
            return int(i);
    }
    return -1;
}

} // namespace plx71::station
