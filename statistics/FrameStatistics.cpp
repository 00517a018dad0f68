#include "FrameStatistics.h"

#include "SensorPosition.h"

#include <algorithm>
#include <cmath>

FrameStatistics frameStatistics(const std::array<double, 64>& shown, const std::array<bool, 64>& included,
                                double threshold) {
    FrameStatistics result;
    double activeSum = 0.0;
    double columnMoment = 0.0;
    double rowMoment = 0.0;
    for (int index = 0; index < 64; ++index) {
        const double value = shown[static_cast<std::size_t>(index)];
        if (!included[static_cast<std::size_t>(index)] || !std::isfinite(value))
            continue;
        result.sum += value;
        if (result.maximumSensor < 0 || value > result.maximum) {
            result.maximum = value;
            result.maximumSensor = index;
        }
        if (value >= threshold) {
            ++result.activeCount;
            activeSum += value;
            columnMoment += value * (index % 8);
            rowMoment += value * (index / 8);
        }
    }
    if (result.activeCount > 0)
        result.activeMean = activeSum / result.activeCount;
    // Negative calibrated values can cancel the others out: no centre then.
    if (activeSum > 0.0) {
        result.hasCentre = true;
        result.centreColumn = columnMoment / activeSum;
        result.centreRow = rowMoment / activeSum;
    }
    return result;
}

std::string centreSensorName(const FrameStatistics& statistics) {
    if (!statistics.hasCentre)
        return {};
    // Weights of both signs can put the centre off the array.
    const auto nearest = [](double position) {
        return static_cast<int>(std::clamp(std::floor(position + 0.5), 0.0, 7.0));
    };
    return SensorPosition{nearest(statistics.centreColumn), nearest(statistics.centreRow)}.name();
}
