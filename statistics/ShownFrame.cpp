#include "ShownFrame.h"

#include "CalibrationData.h"

#include <algorithm>

SensorFlags sensorsWithPoints(const CalibrationData& calibration) {
    SensorFlags flags = {};
    for (int index = 0; index < 64; ++index)
        flags[static_cast<std::size_t>(index)] = !calibration.points(index % 8, index / 8).empty();
    return flags;
}

bool anySensor(const SensorFlags& flags) {
    return std::any_of(flags.begin(), flags.end(), [](bool flag) { return flag; });
}

ShownFrame shownFrame(const KivraTolm::InputFrame& raw, const KivraTolm::InputFrame& converted,
                      const SensorFlags& hasPoints) {
    ShownFrame shown;
    const bool calibrated = anySensor(hasPoints);
    for (std::size_t index = 0; index < 64; ++index) {
        const std::size_t row = index / 8;
        const std::size_t column = index % 8;
        shown.values[index] = hasPoints[index] ? static_cast<double>(converted.sensors[row][column])
                                               : static_cast<double>(raw.sensors[row][column]) * 100.0;
        shown.included[index] = !calibrated || hasPoints[index];
    }
    return shown;
}
