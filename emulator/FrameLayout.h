// Where the values of one frame stand in the two buffers a read fills: the
// floats hold the analog inputs, then the sensor inputs; the words the
// digital ports, then the counters, then the triggers. Frame k of a read
// starts at k * floats() and k * words().
#pragma once

#include "BoardConfig.h"

#include <cstddef>

namespace KivraTolmEmulator {

struct FrameLayout {
    std::size_t analog = 0;
    std::size_t sensors = 0;
    std::size_t ports = 0;
    std::size_t counters = 0;
    std::size_t triggers = 0;

    static FrameLayout of(const BoardConfig& config) {
        return {static_cast<std::size_t>(config.analogInputs), static_cast<std::size_t>(config.sensorInputs),
                config.digitalPortLines.size(), static_cast<std::size_t>(config.counters),
                static_cast<std::size_t>(config.triggers)};
    }

    std::size_t floats() const { return analog + sensors; }
    std::size_t words() const { return ports + counters + triggers; }

    // Offsets within one frame.
    std::size_t firstSensor() const { return analog; }
    std::size_t firstCounter() const { return ports; }
    std::size_t firstTrigger() const { return ports + counters; }
};

} // namespace KivraTolmEmulator
