#pragma once

#include <array>
#include <string>

// What a user reads off one frame of the array: how much in all, where the
// peak is, how large the loaded area is and where its centre lies. Pure
// functions of the 64 values the grid shows and a threshold; no Qt.
struct FrameStatistics {
    double sum = 0.0;          // of the counted sensors
    double maximum = 0.0;      // 0 when no sensor counts
    int maximumSensor = -1;    // index column + row * 8; -1: none
    int activeCount = 0;       // counted sensors at or above the threshold
    double activeMean = 0.0;   // their mean; 0 when there are none
    bool hasCentre = false;    // the active sensors' values sum to a positive number
    double centreColumn = 0.0; // 0.0 = column A .. 7.0 = column H
    double centreRow = 0.0;    // 0.0 = row 1 .. 7.0 = row 8
};

// `shown` are the values the grid shows (index column + row * 8), `included`
// the sensors that count. A value that is not a finite number never counts.
// The centre is the mean column and row of the active sensors weighted by
// their values.
FrameStatistics frameStatistics(const std::array<double, 64>& shown, const std::array<bool, 64>& included,
                                double threshold);

// The name of the sensor nearest to the centre ("C4"), halves rounded up;
// empty without a centre.
std::string centreSensorName(const FrameStatistics& statistics);
