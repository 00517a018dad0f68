#include "Hex.h"

#include <cstdio>

namespace KivraTolmEmulator {

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

} // namespace KivraTolmEmulator
