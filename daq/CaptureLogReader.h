#pragma once

#include "LogDescription.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

// Reading a capture log back: the header line, the column line and every
// row, as plain values for the trend view. Qt Core only.
namespace KivraTolm {

enum class LogColumnKind { TimeStamp, Sensor, Analog, Digital, Counter };

struct LogColumn {
    LogColumnKind kind = LogColumnKind::Sensor;
    QString title;  // as in the column line, without the ';'
    QString unit;   // "ms", a sensor's unit (may be empty), "V", "bits"; empty for the counter
    int index = -1; // Sensor: row * 8 + column; Analog: input 0..3; -1 otherwise
};

struct CaptureLogHeader {
    double sampleRate = 0; // Hz
    qint64 preTriggerRows = 0;
    QString reason;
    qint64 triggerTime = 0; // ms since 1970-01-01 UTC
};

// What follows a log's last line feed: nothing, or a row cut short, or
// bytes that are no row at all.
enum class LogTailKind { None, Row, ZeroBytes, NotText };

struct CaptureLogContent {
    QString path;
    CaptureLogHeader header;
    std::vector<LogColumn> columns;       // as in the column line
    std::vector<std::int64_t> timestamps; // ms since 1970; empty without a TimeStamp column
    std::vector<std::int64_t> counters;   // empty without a Counter column
    std::vector<std::uint16_t> digital;   // empty without a Digital column
    // One vector per Sensor/Analog column, in column order. A field that
    // holds no value (nan, inf, beyond the float range) is NaN here.
    std::vector<std::vector<float>> values;
    std::size_t rowCount = 0;
    std::size_t noValues = 0;             // fields without a value
    qint64 timeBackLine = 0;              // the first line whose time stamp is before the previous one; 0: none
    LogTailKind tail = LogTailKind::None; // left out of the rows
    qint64 tailBytes = 0;
    LogDescription description; // of the description file beside the log

    bool lastRowIncomplete() const { return tail != LogTailKind::None; }
    // The rows from before the trigger: as the description counted them,
    // else the header's pre-trigger length, which is the most there can be.
    qint64 rowsBeforeTrigger() const { return description.preTriggerRows.value_or(header.preTriggerRows); }
    bool timeGoesBack() const { return timeBackLine > 0; }
};

// A file that cannot be read as a capture log. what() is the message for the
// user and names the file and the line (1-based; 0 when no line is at fault);
// reason() is what is wrong, the system's reason when it failed.
class CaptureLogError : public std::runtime_error {
public:
    CaptureLogError(const QString& message, const QString& path, qint64 line, const QString& reason = QString());
    QString message() const { return QString::fromUtf8(what()); }
    QString path() const { return filePath; }
    qint64 line() const { return lineNumber; }
    QString reason() const { return why; }

private:
    QString filePath;
    qint64 lineNumber = 0;
    QString why;
};

// Reads the whole log. progress(bytesDone, bytesTotal) is called now and then
// from the calling thread; when it returns false the reading stops and the
// result is empty. Throws CaptureLogError.
std::optional<CaptureLogContent> readCaptureLog(const QString& path,
                                                const std::function<bool(qint64, qint64)>& progress = {});

} // namespace KivraTolm
