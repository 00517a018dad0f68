#pragma once

#include "CalibrationData.h"
#include "CaptureDescription.h"
#include "CaptureLogReader.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

// The calibration that turns a log's values back into readings: the one in
// effect when the log was made, as far as it can be found.
struct ReplayCalibration {
    enum class Kind {
        LogsOwn,       // the log's own file, found at its path with its SHA-256
        LoadedIsLogs,  // the loaded file has the SHA-256 of the log's own
        Loaded,        // the log's own is not found or has changed: the loaded one
        NoDescription, // the log tells nothing of its calibration: the loaded one
        None           // the log was made without a calibration
    };
    Kind kind = Kind::None;
    CalibrationData data;
    QString path;     // the file whose points are used; empty: none
    QString logsPath; // the log's own file as its description names it
};

// A calibration file as read from the path a description names.
struct FoundCalibration {
    CalibrationData data;
    QByteArray sha256; // hex, of the bytes read
};

// Whether the log's own calibration file must be read: the description
// names one, and it is not the loaded one.
bool needsLogsCalibration(const LogDescription& description, const CalibrationSource& loaded);
// The calibration in effect when the log was made. `found`: the file at the
// description's path, when it could be read.
ReplayCalibration chooseReplayCalibration(const LogDescription& description,
                                          const std::optional<FoundCalibration>& found, const CalibrationData& loaded,
                                          const CalibrationSource& loadedSource);

// What one sensor shows in the replayed row.
struct ReplaySensor {
    enum class Kind {
        NotLogged,  // the log has no column for it
        Reading,    // uncalibrated: the logged raw reading
        Calibrated, // a value, and the reading it came from
        ValueOnly   // a value whose reading cannot be recovered, or no number
    };
    Kind kind = Kind::NotLogged;
    double intensity = 0.0; // the reading (1.0 = full scale); NaN for ValueOnly
    double value = 0.0;     // as logged; the reading itself for Reading
};

// A capture log stepped through frame by frame: which row, its time and
// place around the trigger, and what each sensor shows there. No widgets.
class LogReplay {
public:
    LogReplay(std::shared_ptr<const KivraTolm::CaptureLogContent> log, ReplayCalibration calibration);

    const KivraTolm::CaptureLogContent& content() const { return *log; }
    const ReplayCalibration& calibration() const { return used; }

    std::size_t rowCount() const { return log->rowCount; }
    std::size_t row() const { return current; }
    // Clamped to the rows there are.
    void setRow(std::size_t row);
    void stepRows(long long rows);
    // Forward: the first row at least that many seconds later; back: the
    // last row at least that many seconds earlier (or the first/last row).
    void stepSeconds(int seconds);

    // The rows before the trigger: as the description counted them, else
    // the header's pre-trigger length.
    std::size_t preTriggerRows() const { return beforeTrigger; }
    bool isBeforeTrigger() const { return current < beforeTrigger; }

    // Time stamps that never go back; without them the time comes from the
    // header's rate.
    bool isTimed() const { return timed; }
    double rate() const;
    // The row's time stamp (ms since 1970) when timed.
    std::optional<qint64> timeStamp() const;
    double secondsFromTrigger() const;
    // Seconds of a row since the first row, and the last row at or before
    // a time so measured.
    double secondsAt(std::size_t row) const;
    std::size_t rowAtSeconds(double seconds) const;

    // Index row * 8 + column.
    bool isLogged(int index) const { return column[static_cast<std::size_t>(index)] >= 0; }
    bool isCalibrated(int index) const { return calibrated[static_cast<std::size_t>(index)]; }
    ReplaySensor sensor(int index) const;
    // The unit of the calibrated values (from the log's columns).
    QString unit() const { return valueUnit; }
    // What a bar scales a calibrated value with: the calibration's points,
    // or, when it has none for the sensor, one point that puts the log's
    // largest value for it at full height.
    const CalibrationPoints& barPoints(int index) const { return scales[static_cast<std::size_t>(index)]; }

private:
    std::shared_ptr<const KivraTolm::CaptureLogContent> log;
    ReplayCalibration used;
    std::size_t current = 0;
    std::size_t beforeTrigger = 0;
    bool timed = false;
    QString valueUnit;
    std::array<int, 64> column;      // into log->values; -1: not logged
    std::array<bool, 64> calibrated; // the log holds a value, not a reading
    std::array<CalibrationPoints, 64> scales;
};
