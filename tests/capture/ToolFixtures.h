#pragma once

#include "CalibrationData.h"

#include <QFile>
#include <QString>

// At 1000 frames/s with a trigger pulse every frame the counter is the
// board's frame number, and the ramp puts frame number % 64 into sensor A1.
inline const QString numberedBoard = "[board0]\npattern = ramp\npulsePeriodMs = 1\n";

// A calibration in kg in which only A1 has points: value = 100 x reading.
inline QString writeCalibration(const QString& path) {
    CalibrationData calibration;
    calibration.setUnit("kg");
    calibration.addPoint(0, 0, {0.0f, 0.0f});
    calibration.addPoint(0, 0, {1.0f, 100.0f});
    calibration.save(QFile::encodeName(path).toStdString());
    return path;
}
