#include "LogReplay.h"

#include "SensorPosition.h"

#include <algorithm>
#include <cmath>
#include <limits>

using KivraTolm::CaptureLogContent;
using KivraTolm::LogColumn;
using KivraTolm::LogColumnKind;

bool needsLogsCalibration(const LogDescription& description, const CalibrationSource& loaded) {
    return description.state == LogDescription::State::Read && !description.calibrationPath.isEmpty() &&
           !description.calibrationSha256.isEmpty() && loaded.sha256 != description.calibrationSha256;
}

ReplayCalibration chooseReplayCalibration(const LogDescription& description,
                                          const std::optional<FoundCalibration>& found, const CalibrationData& loaded,
                                          const CalibrationSource& loadedSource) {
    ReplayCalibration choice;
    choice.logsPath = description.calibrationPath;
    const auto useLoaded = [&](ReplayCalibration::Kind kind) {
        choice.kind = kind;
        choice.data = loaded;
        choice.path = loadedSource.path;
        return choice;
    };
    if (description.state != LogDescription::State::Read)
        return useLoaded(ReplayCalibration::Kind::NoDescription);
    if (description.calibrationPath.isEmpty())
        return choice; // None: every sensor was logged raw
    const QByteArray& sha = description.calibrationSha256;
    if (!sha.isEmpty() && loadedSource.sha256 == sha)
        return useLoaded(ReplayCalibration::Kind::LoadedIsLogs);
    if (!sha.isEmpty() && found && found->sha256 == sha) {
        choice.kind = ReplayCalibration::Kind::LogsOwn;
        choice.data = found->data;
        choice.path = description.calibrationPath;
        return choice;
    }
    return useLoaded(ReplayCalibration::Kind::Loaded);
}

LogReplay::LogReplay(std::shared_ptr<const CaptureLogContent> content, ReplayCalibration calibration)
    : log(std::move(content))
    , used(std::move(calibration)) {
    column.fill(-1);
    calibrated.fill(false);
    timed = !log->timestamps.empty() && !log->timeGoesBack();
    beforeTrigger =
        static_cast<std::size_t>(std::clamp<qint64>(log->rowsBeforeTrigger(), 0, static_cast<qint64>(log->rowCount)));

    std::array<QString, 64> units;
    int next = 0;
    for (const LogColumn& logColumn : log->columns) {
        if (logColumn.kind == LogColumnKind::Sensor && logColumn.index >= 0 && logColumn.index < 64) {
            column[static_cast<std::size_t>(logColumn.index)] = next;
            units[static_cast<std::size_t>(logColumn.index)] = logColumn.unit;
            if (valueUnit.isEmpty())
                valueUnit = logColumn.unit;
        }
        if (logColumn.kind == LogColumnKind::Sensor || logColumn.kind == LogColumnKind::Analog)
            ++next;
    }

    const bool calibrationWithoutUnit = used.data.unit().empty();
    for (int index = 0; index < 64; ++index) {
        const auto at = static_cast<std::size_t>(index);
        if (column[at] < 0)
            continue;
        const SensorPosition position = SensorPosition::fromIndex(index);
        const CalibrationPoints points = used.data.points(position.column, position.row);
        // A logged value has its unit; without a unit anywhere only the
        // calibration can tell a value from a reading.
        calibrated[at] = !units[at].isEmpty() || (valueUnit.isEmpty() && calibrationWithoutUnit && !points.empty());
        if (!calibrated[at])
            continue;
        if (!points.empty()) {
            scales[at] = points;
            continue;
        }
        float largest = 0.0f;
        for (const float value : log->values[static_cast<std::size_t>(column[at])]) {
            if (std::isfinite(value))
                largest = std::max(largest, std::fabs(value));
        }
        // The bar's scale is 1.2 / x * y of its last point.
        scales[at] = {CalibrationPoint{1.2f, largest > 0.0f ? largest : 1.0f}};
    }
}

void LogReplay::setRow(std::size_t row) {
    current = log->rowCount == 0 ? 0 : std::min(row, log->rowCount - 1);
}

void LogReplay::stepRows(long long rows) {
    const long long target = static_cast<long long>(current) + rows;
    setRow(target < 0 ? 0 : static_cast<std::size_t>(target));
}

void LogReplay::stepSeconds(int seconds) {
    if (log->rowCount == 0 || seconds == 0)
        return;
    if (!timed) {
        const long long rows = std::max(1LL, std::llround(std::abs(seconds) * rate()));
        stepRows(seconds > 0 ? rows : -rows);
        return;
    }
    const std::vector<std::int64_t>& stamps = log->timestamps;
    const std::int64_t target = stamps[current] + static_cast<std::int64_t>(seconds) * 1000;
    if (seconds > 0) {
        const auto at = std::lower_bound(stamps.begin(), stamps.end(), target);
        setRow(at == stamps.end() ? log->rowCount - 1 : static_cast<std::size_t>(at - stamps.begin()));
    } else {
        const auto at = std::upper_bound(stamps.begin(), stamps.end(), target);
        setRow(at == stamps.begin() ? 0 : static_cast<std::size_t>(at - stamps.begin()) - 1);
    }
}

double LogReplay::rate() const {
    const double rate = log->header.sampleRate;
    return std::isfinite(rate) && rate > 0.0 ? rate : 1.0;
}

std::optional<qint64> LogReplay::timeStamp() const {
    if (!timed || log->rowCount == 0)
        return std::nullopt;
    return log->timestamps[current];
}

double LogReplay::secondsFromTrigger() const {
    if (timed && log->rowCount > 0)
        return static_cast<double>(log->timestamps[current] - log->header.triggerTime) / 1000.0;
    return (static_cast<double>(current) - static_cast<double>(beforeTrigger)) / rate();
}

double LogReplay::secondsAt(std::size_t row) const {
    if (timed)
        return static_cast<double>(log->timestamps[row] - log->timestamps.front()) / 1000.0;
    return static_cast<double>(row) / rate();
}

std::size_t LogReplay::rowAtSeconds(double seconds) const {
    if (log->rowCount == 0 || !(seconds > 0.0))
        return 0;
    if (timed) {
        const std::vector<std::int64_t>& stamps = log->timestamps;
        const double target = static_cast<double>(stamps.front()) + seconds * 1000.0;
        if (target >= static_cast<double>(stamps.back()))
            return log->rowCount - 1;
        const auto at = std::upper_bound(stamps.begin(), stamps.end(), static_cast<std::int64_t>(std::floor(target)));
        return static_cast<std::size_t>(at - stamps.begin()) - 1;
    }
    // A little over the row's own time, so that the rounding of row / rate
    // does not fall short of it.
    const double row = std::floor(seconds * rate() + 1e-6);
    return row >= static_cast<double>(log->rowCount - 1) ? log->rowCount - 1 : static_cast<std::size_t>(row);
}

ReplaySensor LogReplay::sensor(int index) const {
    const auto at = static_cast<std::size_t>(index);
    ReplaySensor shown;
    if (column[at] < 0 || log->rowCount == 0)
        return shown;
    const float value = log->values[static_cast<std::size_t>(column[at])][current];
    shown.value = value;
    shown.intensity = std::numeric_limits<double>::quiet_NaN();
    shown.kind = ReplaySensor::Kind::ValueOnly;
    if (!calibrated[at]) {
        if (std::isfinite(value)) {
            shown.kind = ReplaySensor::Kind::Reading;
            shown.intensity = value;
        }
        return shown;
    }
    const SensorPosition position = SensorPosition::fromIndex(index);
    const std::optional<float> reading =
        CalibrationData::intensityFor(used.data.points(position.column, position.row), value);
    if (reading) {
        shown.kind = ReplaySensor::Kind::Calibrated;
        shown.intensity = *reading;
    }
    return shown;
}
