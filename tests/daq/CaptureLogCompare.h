// Comparing what the capture log reader returns with the file's text: each
// value formatted again as the log writes it, against Python's csv module.
#pragma once

#include "CaptureLogReader.h"
#include "CsvFormat.h"
#include "CsvLogPython.h"
#include "SensorPosition.h"

#include <QFile>
#include <QtTest>

namespace LogCompare {

using namespace KivraTolm;

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// The title a column of this kind, index and unit has in the column line.
inline QString titleOf(const LogColumn& column) {
    switch (column.kind) {
    case LogColumnKind::TimeStamp:
        return "TimeStamp (ms)";
    case LogColumnKind::Sensor:
        return QString("Sensor %1 (%2)")
            .arg(QString::fromStdString(SensorPosition::fromIndex(column.index).name()), column.unit);
    case LogColumnKind::Analog:
        return QString("AIn%1 (V)").arg(column.index);
    case LogColumnKind::Digital:
        return "Digital port (bits)";
    case LogColumnKind::Counter:
        return "Counter";
    }
    return {};
}

// Each value as the log writes it, row by row: read back, every field must
// give the text it came from.
inline QList<QStringList> rowsAsText(const CaptureLogContent& log) {
    QList<QStringList> rows;
    for (std::size_t row = 0; row < log.rowCount; ++row) {
        QStringList fields;
        std::size_t value = 0;
        for (const LogColumn& column : log.columns) {
            switch (column.kind) {
            case LogColumnKind::TimeStamp:
                fields << QString::number(log.timestamps[row]);
                break;
            case LogColumnKind::Sensor:
            case LogColumnKind::Analog: {
                std::string text;
                CsvFormat::appendFixed8(text, static_cast<double>(log.values[value++][row]));
                fields << QString::fromStdString(text);
                break;
            }
            case LogColumnKind::Digital:
                fields << QString::number(log.digital[row]);
                break;
            case LogColumnKind::Counter:
                fields << QString::number(log.counters[row]);
                break;
            }
        }
        rows << fields;
    }
    return rows;
}

inline QString headerText(const CaptureLogHeader& header) {
    std::string rate;
    CsvFormat::appendFixed8(rate, header.sampleRate);
    return QString("# Sample rate: %1 Hz, Pre trigger: %2, Reason: %3, Trigger start time: %4 (%5)")
        .arg(QString::fromStdString(rate))
        .arg(header.preTriggerRows)
        .arg(header.reason, dateTimeText(static_cast<std::uint64_t>(header.triggerTime)))
        .arg(header.triggerTime);
}

// The reader's content against Python's reading of the same bytes.
inline void compareWithPython(const CaptureLogContent& log, const CsvLog& csv) {
    QVERIFY(csv.read);
    QCOMPARE(headerText(log.header), csv.header);
    QStringList titles;
    for (const LogColumn& column : log.columns) {
        QCOMPARE(titleOf(column), column.title);
        titles << column.title;
    }
    QCOMPARE(titles, csv.columns);
    const QList<QStringList>& rows = csv.rows;
    QCOMPARE(log.rowCount, static_cast<std::size_t>(rows.size()));
    QCOMPARE(log.lastRowIncomplete(), !csv.complete);
    const QList<QStringList> read = rowsAsText(log);
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(read[i], rows[i]);
}

// The content of a log, or an empty one (with a warning) when it cannot be read.
inline CaptureLogContent read(const QString& path) {
    try {
        std::optional<CaptureLogContent> log = readCaptureLog(path);
        if (log)
            return *log;
        qWarning("reading %s was cancelled", qPrintable(path));
    } catch (const CaptureLogError& error) {
        qWarning("%s", error.what());
    }
    return {};
}

} // namespace LogCompare
