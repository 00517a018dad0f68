#pragma once

#include <cstdint>
#include <string>

namespace KivraTolmEmulator {

// "0x7D401001": ids and masks as the call record and messages show them.
std::string hex(std::uint32_t value);

} // namespace KivraTolmEmulator
