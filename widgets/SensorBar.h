#pragma once

#include "SensorPoints.h"

#include <QString>

// What the bar graph knows about one sensor of its column.
struct SensorBar {
    // 0 = sensor not enabled, 1 = enabled, 2 = enabled and under the mouse.
    int state = 1;
    double intensity = 0.0;
    double value = 0.0;
    QString unit;
    bool triggerSelected = false;
    SensorPoints points;
    // The sensor has no value to show (not in the log being replayed).
    bool notLogged = false;
};
