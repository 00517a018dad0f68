#pragma once

#include <array>
#include <cstdint>

namespace KivraTolm {

// One acquired frame as the programs see it. A default frame is all zeros.
struct InputFrame {
    std::uint32_t number = 0;                         // 0 for the first frame after each start
    std::uint64_t timestamp = 0;                      // ms since 1970-01-01 UTC
    std::array<std::array<float, 8>, 8> sensors = {}; // [row][column], raw value / 2.5
    std::array<float, 4> analog = {};                 // volts
    std::uint16_t digital = 0;                        // second digital port, bit n = line n
    std::uint64_t counter = 0;                        // first counter
};

} // namespace KivraTolm
