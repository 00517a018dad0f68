// Library ids of board types and peripherals, and their lookup on a board.
#pragma once

#include "BoardConfig.h"

#include <cstdint>
#include <optional>

namespace KivraTolmEmulator {

namespace TypeId {
constexpr std::uint32_t All = 0x7D400000;
constexpr std::uint32_t Usb = 0x7D400001;
constexpr std::uint32_t KivraTolm = 0x7D4035A0;
} // namespace TypeId

enum class PeripheralKind { Analog, Sensor, DigitalPort, Counter, Trigger };

// Each kind owns a block of ids: base + index.
constexpr std::uint32_t idBlockSize = 0x100;
std::uint32_t idBase(PeripheralKind kind);

// Counter configuration: count the pulses on the external trigger input.
constexpr std::uint32_t externalTriggerSource = 0x7D401A00;

struct PeripheralRef {
    PeripheralKind kind;
    int index;
};

int peripheralCount(const BoardConfig& config, PeripheralKind kind);
std::uint32_t peripheralId(PeripheralKind kind, int index);

// The peripheral with that id, when the board has it.
std::optional<PeripheralRef> findPeripheral(const BoardConfig& config, std::uint32_t id);

} // namespace KivraTolmEmulator
