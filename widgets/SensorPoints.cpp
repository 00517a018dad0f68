#include "SensorPoints.h"

SensorPoints sensorPoints(const CalibrationPoints& points) {
    SensorPoints result;
    result.reserve(static_cast<int>(points.size()));
    for (const CalibrationPoint& point : points)
        result.append({point.intensity, point.value});
    return result;
}
