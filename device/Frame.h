#pragma once

#include <cstdint>
#include <vector>

namespace KivraTolm {

// One frame as read from the board: a value for every input of the board,
// whatever the frame set-up chose, each list in index order.
struct Frame {
    std::vector<float> analogValues;
    std::vector<float> sensorValues;
    std::vector<std::uint32_t> digitalValues; // bit n = line n
    std::vector<std::uint32_t> counterValues;
    std::vector<std::uint32_t> triggerValues;
};

} // namespace KivraTolm
