#include "CalibrationData.h"

#include <cmath>
#include <stdexcept>

namespace {

// Number of leading points that lie below the intensity: where a new point
// goes, in front of any point with the same intensity.
std::size_t insertionIndex(const CalibrationPoints& points, float intensity) {
    std::size_t index = 0;
    while (index < points.size() && intensity > points[index].intensity)
        ++index;
    return index;
}

} // namespace

CalibrationData::CalibrationData() = default;

void CalibrationData::clear() {
    *this = CalibrationData();
    modified = true;
}

SensorMode CalibrationData::checkMode(std::int32_t mode) {
    switch (mode) {
    case static_cast<std::int32_t>(SensorMode::EightSensor):
    case static_cast<std::int32_t>(SensorMode::All):
    case static_cast<std::int32_t>(SensorMode::Custom):
        return static_cast<SensorMode>(mode);
    default:
        throw std::runtime_error("Invalid mode.");
    }
}

bool CalibrationData::isSensorEnabled(int column, int row) const {
    switch (modeNumber) {
    case static_cast<std::int32_t>(SensorMode::EightSensor):
        return column == row;
    case static_cast<std::int32_t>(SensorMode::All):
        return true;
    case static_cast<std::int32_t>(SensorMode::Custom):
        return customMask[SensorPosition{column, row}.index()];
    default:
        return false;
    }
}

CalibrationPoints CalibrationData::points(int column, int row) const {
    return columnData[column].points[row];
}

bool CalibrationData::canAddPoint(int column, int row, const CalibrationPoint& point) const {
    const CalibrationPoints& points = columnData[column].points[row];
    if (points.empty())
        return true;
    if (points.size() == 1)
        return point.intensity != points[0].intensity && point.value != points[0].value;

    const bool rising = points[1].value > points[0].value;
    CalibrationPoints merged = points;
    merged.insert(merged.begin() + insertionIndex(points, point.intensity), point);
    for (std::size_t k = 1; k < merged.size(); ++k) {
        const float dx = merged[k - 1].intensity - merged[k].intensity;
        const float dy = merged[k - 1].value - merged[k].value;
        if (dx == 0.0f || (rising && dy >= 0.0f) || (!rising && dy <= 0.0f))
            return false;
    }
    return true;
}

void CalibrationData::addPoint(int column, int row, const CalibrationPoint& point) {
    CalibrationPoints& points = columnData[column].points[row];
    points.insert(points.begin() + insertionIndex(points, point.intensity), point);
    modified = true;
}

void CalibrationData::clearSensorPoints(int column, int row) {
    columnData[column].points[row].clear();
    modified = true;
}

void CalibrationData::clearColumnPoints(int column) {
    for (CalibrationPoints& points : columnData[column].points)
        points.clear();
    modified = true;
}

void CalibrationData::clearAllPoints() {
    for (int column = 0; column < 8; ++column)
        clearColumnPoints(column);
    modified = true;
}

void CalibrationData::setSensitivity(int column, std::int32_t sensitivity) {
    columnData[column].sensitivity = sensitivity;
    modified = true;
}

void CalibrationData::setUnit(const std::string& unit) {
    unitText = unit;
    modified = true;
}

void CalibrationData::setMode(SensorMode mode, const SensorMask& customSelected) {
    modeNumber = static_cast<std::int32_t>(mode);
    customMask = customSelected;
    modified = true;
}

float CalibrationData::calibratedValue(const CalibrationPoints& points, float intensity) {
    const std::size_t n = points.size();
    if (n == 0)
        return intensity;
    if (n == 1) {
        const float x0 = points[0].intensity;
        const float y0 = points[0].value;
        if (x0 < 0.0f) {
            const float t = (intensity - x0) / (0.0f - x0);
            return (0.0f - y0) * t + y0;
        }
        if (x0 == 0.0f)
            return (1.0f - y0) * intensity + y0;
        return y0 * (intensity / x0);
    }

    std::size_t i = 0;
    for (std::size_t k = 0; k < n && intensity > points[k].intensity; ++k)
        i = k;
    if (i == n - 1)
        i = n - 2;
    const CalibrationPoint& low = points[i];
    const CalibrationPoint& high = points[i + 1];
    const float t =
        high.intensity == low.intensity ? 0.0f : (intensity - low.intensity) / (high.intensity - low.intensity);
    return (high.value - low.value) * t + low.value;
}

std::optional<float> CalibrationData::intensityFor(const CalibrationPoints& points, float value) {
    const std::size_t n = points.size();
    if (n == 0 || !std::isfinite(value))
        return std::nullopt;
    std::optional<float> intensity;
    if (n == 1) {
        const float x0 = points[0].intensity;
        const float y0 = points[0].value;
        // The inverse of each of calibratedValue's three lines.
        if (x0 < 0.0f && y0 != 0.0f)
            intensity = x0 + (1.0f - value / y0) * (0.0f - x0);
        else if (x0 == 0.0f && y0 != 1.0f)
            intensity = (value - y0) / (1.0f - y0);
        else if (x0 > 0.0f && y0 != 0.0f)
            intensity = value * x0 / y0;
    } else {
        const bool rising = points[1].value > points[0].value;
        for (std::size_t k = 1; k < n; ++k) {
            const bool stepRises = points[k].value > points[k - 1].value;
            if (!(points[k].intensity > points[k - 1].intensity) || points[k].value == points[k - 1].value ||
                stepRises != rising)
                return std::nullopt;
        }
        // The segment calibratedValue takes for the reading sought: along
        // the values as it goes along the intensities.
        std::size_t i = 0;
        for (std::size_t k = 0; k < n && (rising ? value > points[k].value : value < points[k].value); ++k)
            i = k;
        if (i == n - 1)
            i = n - 2;
        const CalibrationPoint& low = points[i];
        const CalibrationPoint& high = points[i + 1];
        intensity = (value - low.value) / (high.value - low.value) * (high.intensity - low.intensity) + low.intensity;
    }
    if (intensity && !std::isfinite(*intensity))
        return std::nullopt;
    return intensity;
}

KivraTolm::InputFrame CalibrationData::calibrateFrame(const KivraTolm::InputFrame& frame) const {
    KivraTolm::InputFrame calibrated = frame;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            float& sensor = calibrated.sensors[row][column];
            sensor = calibratedValue(columnData[column].points[row], sensor);
        }
    }
    return calibrated;
}

bool CalibrationData::operator==(const CalibrationData& other) const {
    return columnData == other.columnData && unitText == other.unitText && modeNumber == other.modeNumber &&
           customMask == other.customMask && modified == other.modified;
}
