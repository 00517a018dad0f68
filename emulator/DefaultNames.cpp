#include "DefaultNames.h"

namespace KivraTolmEmulator {

namespace {
constexpr int sensorColumns = 8;
} // namespace

std::string defaultPeripheralName(PeripheralRef peripheral) {
    const int i = peripheral.index;
    switch (peripheral.kind) {
    case PeripheralKind::Analog:
        return "Analog input " + std::to_string(i + 1);
    case PeripheralKind::Sensor:
        // Flat index row * 8 + column, shown as column letter and row number.
        return "Sensor " + std::string(1, static_cast<char>('A' + i % sensorColumns)) +
               std::to_string(i / sensorColumns + 1);
    case PeripheralKind::DigitalPort:
        return i == 1 ? "I/O port" : "Digital port " + std::to_string(i);
    case PeripheralKind::Counter:
        return "Counter " + std::to_string(i);
    case PeripheralKind::Trigger:
        return "Trigger " + std::to_string(i);
    }
    return {};
}

std::string defaultLineName(int port, int line) {
    if (port == 1)
        return "IO" + std::to_string(line + 1);
    return "P" + std::to_string(port) + "." + std::to_string(line);
}

std::string peripheralName(const BoardConfig& config, PeripheralRef peripheral) {
    const auto named = config.names.find(peripheralId(peripheral.kind, peripheral.index));
    return named != config.names.end() ? named->second : defaultPeripheralName(peripheral);
}

} // namespace KivraTolmEmulator
