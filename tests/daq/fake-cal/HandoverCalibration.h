#pragma once

#include "CalibrationData.h"

// What the stand-in CAL program saves: a unit, a sensor mode, sensitivities
// and points that a fresh calibration does not have.
inline CalibrationData handoverCalibration() {
    CalibrationData calibration;
    calibration.setUnit("kPa");
    calibration.setMode(SensorMode::All, {});
    for (int column = 0; column < 8; ++column)
        calibration.setSensitivity(column, 20 + 5 * column);
    calibration.addPoint(2, 3, {0.2f, 10.0f});
    calibration.addPoint(2, 3, {0.6f, 50.0f});
    calibration.addPoint(7, 0, {0.1f, -5.0f});
    calibration.setModified(false);
    return calibration;
}
