#include "PeripheralIds.h"

namespace KivraTolmEmulator {

std::uint32_t idBase(PeripheralKind kind) {
    switch (kind) {
    case PeripheralKind::Analog:
        return 0x7D401100;
    case PeripheralKind::Sensor:
        return 0x7D401B00;
    case PeripheralKind::DigitalPort:
        return 0x7D401000;
    case PeripheralKind::Counter:
        return 0x7D401500;
    case PeripheralKind::Trigger:
        return 0x7D401600;
    }
    return 0;
}

int peripheralCount(const BoardConfig& config, PeripheralKind kind) {
    switch (kind) {
    case PeripheralKind::Analog:
        return config.analogInputs;
    case PeripheralKind::Sensor:
        return config.sensorInputs;
    case PeripheralKind::DigitalPort:
        return static_cast<int>(config.digitalPortLines.size());
    case PeripheralKind::Counter:
        return config.counters;
    case PeripheralKind::Trigger:
        return config.triggers;
    }
    return 0;
}

std::uint32_t peripheralId(PeripheralKind kind, int index) {
    return idBase(kind) + static_cast<std::uint32_t>(index);
}

std::optional<PeripheralRef> findPeripheral(const BoardConfig& config, std::uint32_t id) {
    for (PeripheralKind kind : {PeripheralKind::Analog, PeripheralKind::Sensor, PeripheralKind::DigitalPort,
                                PeripheralKind::Counter, PeripheralKind::Trigger}) {
        const std::uint32_t base = idBase(kind);
        if (id >= base && id - base < static_cast<std::uint32_t>(peripheralCount(config, kind)))
            return PeripheralRef{kind, static_cast<int>(id - base)};
    }
    return std::nullopt;
}

} // namespace KivraTolmEmulator
