#include "CaptureSettings.h"

#include "CalibrationData.h"

TriggerSettings triggerSettingsFor(const CaptureOptions& options, const CalibrationData& calibration) {
    TriggerSettings settings;
    settings.sampleRate = options.rate;
    settings.preTriggerSamples = options.preTrigger;
    settings.fileName = options.toStandardOutput() ? QStringLiteral("standard output") : options.output;
    settings.externalTrigger = options.externalTrigger;
    settings.captureSamples = options.captureSamples;
    const QString unit = QString::fromStdString(calibration.unit());
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const auto index = static_cast<std::size_t>(row * 8 + column);
            switch (options.sensors) {
            case SensorChoice::Calibration:
                settings.logSensor[index] = calibration.isSensorEnabled(column, row);
                break;
            case SensorChoice::All:
                settings.logSensor[index] = true;
                break;
            case SensorChoice::Listed:
                settings.logSensor[index] = options.listedSensors[index];
                break;
            }
            settings.unit[index] = calibration.points(column, row).empty() ? QString() : unit;
        }
    }
    for (const LevelTriggerOption& level : options.levelTriggers) {
        const auto index = static_cast<std::size_t>(level.sensor.index());
        settings.levelTrigger[index] = true;
        settings.level[index] = level.level;
    }
    settings.logTimestamp = options.logTimestamp;
    settings.logAnalog = options.logAnalog;
    settings.logDigital = options.logDigital;
    settings.logCounter = options.logCounter;
    return settings;
}

KivraTolm::AcquisitionSettings acquisitionSettingsFor(const CaptureOptions& options) {
    if (options.interval != 0)
        return KivraTolm::AcquisitionSettings::fromInterval(options.interval);
    return KivraTolm::AcquisitionSettings::fromRate(options.rate);
}

QString levelTriggerProblem(const CaptureOptions& options, const CalibrationData& calibration) {
    for (const LevelTriggerOption& level : options.levelTriggers) {
        if (!calibration.points(level.sensor.column, level.sensor.row).empty())
            continue;
        const QString sensor = QString::fromStdString(level.sensor.name());
        if (options.calibrationFile.isEmpty())
            return QStringLiteral("sensor %1 cannot trigger on a level without calibration points: give a "
                                  "calibration file with points for it (cfg=FILE)")
                .arg(sensor);
        return QStringLiteral("sensor %1 has no calibration points in %2, so it cannot trigger on a level: "
                              "record points for it in Kivra CAL lite or choose a calibrated sensor")
            .arg(sensor, options.calibrationFile);
    }
    return {};
}
