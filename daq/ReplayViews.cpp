#include "ReplayViews.h"

#include "Grid8x8Widget.h"
#include "LogReplay.h"
#include "SensorPoints.h"
#include "SensorPosition.h"
#include "SensorWidget.h"

#include <cmath>

namespace ReplayViews {

void prepare(const LogReplay& replay, const Bars& bars, Grid8x8Widget* grid) {
    grid->setUnit(replay.unit());
    for (int column = 0; column < 8; ++column) {
        SensorWidget* widget = bars[static_cast<std::size_t>(column)];
        // A log holds whichever sensors were enabled; all are shown, the
        // others marked as not logged.
        widget->setSingleMode(false, column);
        widget->setTriggerLevelVisible(false);
        widget->setUnit(replay.unit());
        for (int row = 0; row < 8; ++row) {
            const int index = SensorPosition{column, row}.index();
            const bool logged = replay.isLogged(index);
            widget->updateCalibrationPoints(row, sensorPoints(replay.barPoints(index)));
            widget->enableSensor(row, logged);
            widget->setBarNotLogged(row, !logged);
            grid->setCalibration(column, row, replay.isCalibrated(index));
        }
    }
}

void show(const LogReplay& replay, const Bars& bars, Grid8x8Widget* grid) {
    for (int column = 0; column < 8; ++column) {
        SensorWidget* widget = bars[static_cast<std::size_t>(column)];
        for (int row = 0; row < 8; ++row) {
            const ReplaySensor sensor = replay.sensor(SensorPosition{column, row}.index());
            GridCellShown shown = GridCellShown::Reading;
            if (sensor.kind == ReplaySensor::Kind::NotLogged)
                shown = GridCellShown::NotLogged;
            else if (sensor.kind == ReplaySensor::Kind::ValueOnly)
                shown = GridCellShown::ValueOnly;
            grid->setCellShown(column, row, shown);
            grid->updateSensor(column, row, sensor.intensity, sensor.value);
            // A bar's height follows a reading that is a number; without one
            // it has none, and its text shows the value.
            widget->updateSensor(row, std::isfinite(sensor.intensity) ? sensor.intensity : 0.0, sensor.value);
        }
        widget->animate();
    }
    grid->animate();
}

void clearReplayMarks(const Bars& bars, Grid8x8Widget* grid) {
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            bars[static_cast<std::size_t>(column)]->setBarNotLogged(row, false);
            grid->setCellShown(column, row, GridCellShown::Reading);
        }
    }
}

} // namespace ReplayViews
