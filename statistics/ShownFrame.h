#pragma once

#include "InputFrame.h"

#include <array>

class CalibrationData;

// A frame as the views show it, index column + row * 8: a sensor with
// calibration points shows its value in the calibration's unit, one without
// its raw reading in % (reading x 100). With a calibration only the sensors
// with points count for the statistics (one unit); without, all 64 do.
struct ShownFrame {
    std::array<double, 64> values = {};
    std::array<bool, 64> included = {};
};

using SensorFlags = std::array<bool, 64>;

SensorFlags sensorsWithPoints(const CalibrationData& calibration);
bool anySensor(const SensorFlags& flags);

// `converted` is `raw` through the calibration (CalibrationData::calibrateFrame).
ShownFrame shownFrame(const KivraTolm::InputFrame& raw, const KivraTolm::InputFrame& converted,
                      const SensorFlags& hasPoints);
