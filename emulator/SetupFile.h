// The emulator's configuration file (INI), named by the environment variable
// KIVRATOLM_EMULATOR; README.md describes its format.
#pragma once

#include "BoardConfig.h"
#include "Fault.h"

#include <string>
#include <vector>

namespace KivraTolmEmulator {

struct EmulatorSetup {
    std::vector<BoardConfig> boards;
    std::vector<Fault> faults;
};

// One board with every default.
EmulatorSetup defaultSetup();

// Reads the file; throws std::runtime_error whose message names the file and
// what is wrong with it.
EmulatorSetup readSetupFile(const std::string& path);

// The identifier of board `index` when the file gives none.
std::string defaultIdentifier(std::size_t index);

} // namespace KivraTolmEmulator
