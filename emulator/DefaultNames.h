// Names the board reports when its configuration gives none.
#pragma once

#include "PeripheralIds.h"

#include <string>

namespace KivraTolmEmulator {

std::string defaultPeripheralName(PeripheralRef peripheral);
std::string defaultLineName(int port, int line);

// The configured name of the peripheral, or its default name.
std::string peripheralName(const BoardConfig& config, PeripheralRef peripheral);

} // namespace KivraTolmEmulator
