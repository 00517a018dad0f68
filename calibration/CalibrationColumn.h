#pragma once

#include "CalibrationPoint.h"

#include <array>
#include <cstdint>

// One sensor column: the point lists of its 8 sensors and the column's
// sensitivity setting on the board.
struct CalibrationColumn {
    static constexpr std::int32_t defaultSensitivity = 31;

    std::array<CalibrationPoints, 8> points; // index = row
    std::int32_t sensitivity = defaultSensitivity;

    bool operator==(const CalibrationColumn& other) const {
        return points == other.points && sensitivity == other.sensitivity;
    }
    bool operator!=(const CalibrationColumn& other) const { return !(*this == other); }
};
