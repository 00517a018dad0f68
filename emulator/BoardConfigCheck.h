// Checks of board configurations before the emulator takes them.
#pragma once

#include "BoardConfig.h"

#include <string>
#include <vector>

namespace KivraTolmEmulator {

// Empty when the configuration is usable, else what is wrong with it.
std::string boardConfigProblem(const BoardConfig& config);

// As above for a whole set of boards, which also needs unique identifiers.
std::string boardsProblem(const std::vector<BoardConfig>& boards);

} // namespace KivraTolmEmulator
