#pragma once

#include "CalibrationPoint.h"

#include <QList>
#include <QPair>

// Calibration points of one sensor as (intensity, value), in list order.
using SensorPoints = QList<QPair<double, double>>;

// A sensor's calibration points as the views take them.
SensorPoints sensorPoints(const CalibrationPoints& points);
