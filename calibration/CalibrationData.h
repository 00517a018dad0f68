#pragma once

#include "CalibrationColumn.h"
#include "CalibrationPoint.h"
#include "InputFrame.h"
#include "SensorList.h"
#include "SensorMode.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Everything that turns the raw intensities of the 8x8 sensor array into
// values: a piecewise-linear curve per sensor, the unit, the sensor mode with
// its custom selection and the sensitivity of each column. Sensors are
// (column, row), each 0..7; callers pass only values from that layout.
class CalibrationData {
public:
    CalibrationData();

    // Back to the defaults, marked as modified.
    void clear();

    // Reads a calibration file. On failure throws CalibrationFileError (the
    // message for the user, the file, the element, the reason) and leaves
    // this object exactly as it was. `bytes`, when given, receives
    // the file's bytes as they were read, so a caller can tell which file
    // content is in effect however the file changes later.
    void load(const std::string& path, std::string* bytes = nullptr);
    // Writes a calibration file in one step: either the complete new file is
    // in place afterwards or the old one is untouched and this throws
    // (CalibrationFileError when the file could not be written).
    void save(const std::string& path);

    // Throws std::runtime_error "Invalid mode." for anything but 0, 1, 2.
    static SensorMode checkMode(std::int32_t mode);

    bool isSensorEnabled(int column, int row) const;
    CalibrationPoints points(int column, int row) const;
    bool canAddPoint(int column, int row, const CalibrationPoint& point) const;
    void addPoint(int column, int row, const CalibrationPoint& point);
    void clearSensorPoints(int column, int row);
    void clearColumnPoints(int column);
    void clearAllPoints();

    std::int32_t sensitivity(int column) const { return columnData[column].sensitivity; }
    void setSensitivity(int column, std::int32_t sensitivity);
    const std::string& unit() const { return unitText; }
    void setUnit(const std::string& unit);
    SensorMode enableMode() const { return static_cast<SensorMode>(modeNumber); }
    const SensorMask& customSelected() const { return customMask; }
    void setMode(SensorMode mode, const SensorMask& customSelected);
    const std::array<CalibrationColumn, 8>& columns() const { return columnData; }

    bool isModified() const { return modified; }
    void setModified(bool value) { modified = value; }

    static float calibratedValue(const CalibrationPoints& points, float intensity);
    // The reading that calibratedValue turns into `value`: none when the
    // curve cannot give it back unambiguously (no points, a flat piece,
    // intensities not rising, values not strictly monotonic, no number).
    static std::optional<float> intensityFor(const CalibrationPoints& points, float value);
    KivraTolm::InputFrame calibrateFrame(const KivraTolm::InputFrame& frame) const;

    // Every field, the modified flag included.
    bool operator==(const CalibrationData& other) const;
    bool operator!=(const CalibrationData& other) const { return !(*this == other); }

private:
    // `element` follows the reader, so a failure can say where it stopped.
    void read(const std::string& path, std::string* bytes, std::string& element);

    std::array<CalibrationColumn, 8> columnData;
    std::string unitText;
    std::int32_t modeNumber = static_cast<std::int32_t>(SensorMode::EightSensor);
    SensorMask customMask = {};
    bool modified = false;
};
