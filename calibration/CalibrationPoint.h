#pragma once

#include <vector>

// One recorded pair: the raw reading and the value it stands for.
struct CalibrationPoint {
    float intensity = 0.0f; // the file's "x"
    float value = 0.0f;     // the file's "y"

    bool operator==(const CalibrationPoint& other) const {
        return intensity == other.intensity && value == other.value;
    }
    bool operator!=(const CalibrationPoint& other) const { return !(*this == other); }
};

// Ascending intensities when built by CalibrationData::addPoint; file order
// when read from a file.
using CalibrationPoints = std::vector<CalibrationPoint>;
