#pragma once

#include <array>
#include <cstdint>

// Which sensors take part in calibration.
enum class SensorMode : std::int32_t {
    EightSensor = 0, // the diagonal, column == row
    All = 1,
    Custom = 2, // the sensors set in the custom selection
};

// One flag per sensor, index row * 8 + column.
using SensorMask = std::array<bool, 64>;
